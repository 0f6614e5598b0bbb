#include "extractoptions.h"

#include <QCoreApplication>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cmath>

QRectF TableGeometry::canvasRect(double s) const
{
    return QRectF(left * s, top * s, (right - left) * s, (bottom - top) * s);
}

QVector<QRectF> TableGeometry::canvasLines(double s) const
{
    QVector<QRectF> lines;
    for (double x : columns)
        lines.append(QRectF(x * s, top * s, 0, (bottom - top) * s));
    return lines;
}

namespace {

std::optional<double> parseNumber(const QString& text)
{
    bool ok = false;
    const double value = text.trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    return value;
}

std::optional<QVector<double>> parseNumberList(const QString& text)
{
    QVector<double> values;
    for (const QString& part : text.split(',')) {
        const auto value = parseNumber(part);
        if (!value)
            return std::nullopt;
        values.append(*value);
    }
    return values;
}

QString checkArea(const TableGeometry& g)
{
    if (g.top < 0 || g.left < 0)
        return QStringLiteral("the area starts outside the page");
    if (g.bottom <= g.top || g.right <= g.left)
        return QStringLiteral("the area is empty or reversed (TOP,LEFT,BOTTOM,RIGHT)");
    return {};
}

std::optional<TableGeometry> parseArea(const QString& text, QString* error)
{
    const auto values = parseNumberList(text);
    if (!values || values->size() != 4) {
        *error = QStringLiteral("--area takes four numbers TOP,LEFT,BOTTOM,RIGHT: \"%1\"").arg(text);
        return std::nullopt;
    }
    TableGeometry g{values->at(0), values->at(1), values->at(2), values->at(3), {}};
    *error = checkArea(g);
    if (!error->isEmpty())
        return std::nullopt;
    return g;
}

} // namespace

QString extractUsage()
{
    return QStringLiteral(
        "Usage: zq-extract [options] INPUT.pdf -o OUTPUT\n"
        "\n"
        "Extracts a table from the pages of a PDF and writes it as a UTF-16 CSV file (OUTPUT\n"
        "ending in .csv) or as an Excel 97 spreadsheet (any other name), exactly as the\n"
        "window's Save does. Positions are PDF points from the top-left corner of the page\n"
        "as displayed.\n"
        "\n"
        "Options:\n"
        "  -a, --area TOP,LEFT,BOTTOM,RIGHT  the table outline\n"
        "  -c, --columns X1,X2,...           column separators (none: one column)\n"
        "  -p, --pages LIST                  \"all\" (default) or a list such as 1-3,7\n"
        "  -t, --template FILE.json          per-page geometry instead of -a/-c:\n"
        "        {\"pages\": [{\"page\": 1, \"area\": [top, left, bottom, right],\n"
        "                    \"columns\": [x, ...]}, ...]}\n"
        "  -o, --output OUTPUT               the file to write\n"
        "      --page-timeout SECONDS        seconds a page may take to render (default 60)\n"
        "  -h, --help                        this help\n"
        "      --version                     the version\n"
        "\n"
        "Examples:\n"
        "  zq-extract statement.pdf -a 120,40,700,560 -c 110,300,420 -o statement.csv\n"
        "  zq-extract -p 2-4 report.pdf -a 90,36,750,576 -o report.xls\n"
        "  zq-extract monthly.pdf -t monthly-layout.json -o monthly.xls\n"
        "\n"
        "Exit codes: 0 written, 1 bad arguments, 2 the PDF cannot be read or has no pages,\n"
        "3 the output cannot be written (a previous file stays intact), 4 no temporary folder\n"
        "could be made or it is full or cannot be written, 130 interrupted.\n");
}

ParsedArguments parseExtractArguments(const QStringList& arguments)
{
    ParsedArguments result;
    ExtractOptions& o = result.options;
    QString areaText;
    QString columnsText;
    bool haveColumns = false;
    auto fail = [&](const QString& message) {
        result.error = message;
        return result;
    };

    for (int i = 0; i < arguments.size(); ++i) {
        QString arg = arguments[i];
        QString value;
        bool hasInlineValue = false;
        if (arg.startsWith("--") && arg.contains('=')) {
            value = arg.section('=', 1);
            arg = arg.section('=', 0, 0);
            hasInlineValue = true;
        }
        auto takeValue = [&]() -> std::optional<QString> {
            if (hasInlineValue)
                return value;
            if (i + 1 >= arguments.size())
                return std::nullopt;
            return arguments[++i];
        };
        auto is = [&](const char* shortName, const char* longName) {
            return arg == QLatin1String(shortName) || arg == QLatin1String(longName);
        };

        if (is("-h", "--help")) {
            o.help = true;
        } else if (arg == "--version") {
            o.version = true;
        } else if (is("-a", "--area") || is("-c", "--columns") || is("-p", "--pages") ||
                   is("-t", "--template") || is("-o", "--output")) {
            const auto v = takeValue();
            if (!v)
                return fail(QStringLiteral("%1 needs a value").arg(arg));
            if (is("-a", "--area"))
                areaText = *v;
            else if (is("-c", "--columns")) {
                columnsText = *v;
                haveColumns = true;
            } else if (is("-p", "--pages"))
                o.pages = *v;
            else if (is("-t", "--template"))
                o.templatePath = *v;
            else
                o.output = *v;
        } else if (arg == "--page-timeout") {
            const auto v = takeValue();
            bool ok = false;
            const int seconds = v ? v->toInt(&ok) : 0;
            if (!ok || seconds <= 0 || seconds > 86400)
                return fail(QStringLiteral("--page-timeout takes a number of seconds from 1 to 86400"));
            o.pageTimeout = seconds;
        } else if (arg.startsWith('-') && arg.size() > 1) {
            return fail(QStringLiteral("unknown option %1").arg(arg));
        } else if (o.input.isEmpty()) {
            o.input = arg;
        } else {
            return fail(QStringLiteral("more than one input file: \"%1\" and \"%2\"").arg(o.input, arg));
        }
    }

    if (o.help || o.version)
        return result;
    if (o.input.isEmpty())
        return fail(QStringLiteral("no input PDF given"));
    if (o.output.isEmpty())
        return fail(QStringLiteral("no output file given (-o OUTPUT)"));
    if (!o.templatePath.isEmpty()) {
        if (!areaText.isEmpty() || haveColumns)
            return fail(QStringLiteral("-t cannot be combined with -a or -c"));
        return result;
    }
    if (areaText.isEmpty())
        return fail(QStringLiteral("no table given: use -a (with -c) or -t"));
    QString error;
    auto geometry = parseArea(areaText, &error);
    if (!geometry)
        return fail(error);
    if (haveColumns) {
        const auto columns = parseNumberList(columnsText);
        if (!columns)
            return fail(QStringLiteral("--columns takes numbers separated by commas: \"%1\"").arg(columnsText));
        geometry->columns = *columns;
    }
    o.geometry = geometry;
    return result;
}

std::optional<QVector<int>> parsePageList(const QString& list, int pageCount, QString* error)
{
    QVector<bool> chosen(pageCount + 1, false);
    if (list.trimmed() == QLatin1String("all")) {
        chosen.fill(true);
    } else {
        for (const QString& part : list.split(',')) {
            const QStringList ends = part.split('-');
            bool okFirst = false;
            bool okLast = false;
            const int first = ends.value(0).trimmed().toInt(&okFirst);
            const int last = ends.size() == 2 ? ends[1].trimmed().toInt(&okLast) : first;
            if (ends.size() == 2 && !okLast)
                okFirst = false;
            if (!okFirst || ends.size() > 2 || first < 1 || last < first) {
                *error = QStringLiteral("bad page list \"%1\"").arg(list);
                return std::nullopt;
            }
            if (last > pageCount) {
                *error = QStringLiteral("page %1 is past the end of the document (%2 pages)")
                             .arg(last)
                             .arg(pageCount);
                return std::nullopt;
            }
            for (int page = first; page <= last; ++page)
                chosen[page] = true;
        }
    }
    QVector<int> pages;
    for (int page = 1; page <= pageCount; ++page)
        if (chosen[page])
            pages.append(page);
    return pages;
}

std::optional<QVector<PageTable>> readTemplate(const QString& path, QString* error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("cannot read the template %1: %2").arg(path, file.errorString());
        return std::nullopt;
    }
    QJsonParseError parseError;
    const QJsonDocument json = QJsonDocument::fromJson(file.readAll(), &parseError);
    if (json.isNull()) {
        *error = QStringLiteral("the template %1 is not valid JSON: %2").arg(path, parseError.errorString());
        return std::nullopt;
    }
    const QJsonValue pagesValue = json.object().value("pages");
    if (!pagesValue.isArray()) {
        *error = QStringLiteral("the template %1 has no \"pages\" list").arg(path);
        return std::nullopt;
    }
    QVector<PageTable> tables;
    for (const QJsonValue& entry : pagesValue.toArray()) {
        const QJsonObject o = entry.toObject();
        const QJsonArray area = o.value("area").toArray();
        const double page = o.value("page").toDouble(-1);
        bool numbers = area.size() == 4;
        for (const QJsonValue& v : area)
            numbers = numbers && v.isDouble();
        if (!numbers || page < 1 || page != std::floor(page)) {
            *error = QStringLiteral("the template %1 needs \"page\" (from 1) and \"area\": "
                                    "[top, left, bottom, right] in every entry")
                         .arg(path);
            return std::nullopt;
        }
        PageTable table;
        table.page = static_cast<int>(page);
        table.geometry = {area[0].toDouble(), area[1].toDouble(), area[2].toDouble(), area[3].toDouble(), {}};
        const QString areaError = checkArea(table.geometry);
        if (!areaError.isEmpty()) {
            *error = QStringLiteral("page %1 of the template: %2").arg(table.page).arg(areaError);
            return std::nullopt;
        }
        for (const QJsonValue& x : o.value("columns").toArray()) {
            if (!x.isDouble()) {
                *error = QStringLiteral("page %1 of the template: columns must be numbers").arg(table.page);
                return std::nullopt;
            }
            table.geometry.columns.append(x.toDouble());
        }
        for (const PageTable& earlier : tables)
            if (earlier.page == table.page) {
                *error = QStringLiteral("page %1 appears twice in the template").arg(table.page);
                return std::nullopt;
            }
        tables.append(table);
    }
    return tables;
}
