#include "extractoptions.h"

#include "pagefiles.h"
#include "spreadsheetexport.h"
#include "tableexport.h"

#include <cmath>

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

std::optional<TableGeometry> parseArea(const QString& text, QString* error)
{
    const auto values = parseNumberList(text);
    if (!values || values->size() != 4) {
        *error = QStringLiteral("--area takes four numbers TOP,LEFT,BOTTOM,RIGHT: \"%1\"").arg(text);
        return std::nullopt;
    }
    TableGeometry g{values->at(0), values->at(1), values->at(2), values->at(3), {}};
    *error = tableAreaError(g);
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
        "  -t, --template FILE.json          per-page geometry instead of -a/-c/-p:\n"
        "        {\"pages\": [{\"page\": 1, \"area\": [top, left, bottom, right],\n"
        "                    \"columns\": [x, ...]}, ...]}\n"
        "      only the pages it names are extracted; it cannot be combined with -p\n"
        "  -o, --output OUTPUT               the file to write\n"
        "  -h, --help                        this help\n"
        "      --version                     the version\n"
        "\n"
        "Examples:\n"
        "  zq-extract statement.pdf -a 120,40,700,560 -c 110,300,420 -o statement.csv\n"
        "  zq-extract -p 2-4 report.pdf -a 90,36,750,576 -o report.xls\n"
        "  zq-extract monthly.pdf -t monthly-layout.json -o monthly.xls\n"
        "\n"
        "Exit codes: 0 written, 1 bad arguments, 2 the PDF cannot be read or has no pages,\n"
        "3 the output cannot be written (a previous file stays intact).\n");
}

ParsedArguments parseExtractArguments(const QStringList& arguments)
{
    ParsedArguments result;
    ExtractOptions& o = result.options;
    QString areaText;
    QString columnsText;
    bool haveColumns = false;
    bool havePages = false;
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
            } else if (is("-p", "--pages")) {
                o.pages = *v;
                havePages = true;
            } else if (is("-t", "--template"))
                o.templatePath = *v;
            else
                o.output = *v;
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
        if (havePages)
            return fail(QStringLiteral("-t cannot be combined with -p: the template names its pages"));
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
        if (columns->size() > maxColumnSeparators(o.output))
            return fail(QStringLiteral("--columns gives %1 separators, more than the %2 that %3 can hold")
                            .arg(columns->size())
                            .arg(maxColumnSeparators(o.output))
                            .arg(o.output));
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

int maxColumnSeparators(const QString& output)
{
    constexpr int csvColumns = 16384;
    return (formatForFileName(output) == SaveFormat::Csv ? csvColumns : SpreadsheetLimits::columns) - 1;
}

std::optional<QVector<PageTable>> readTemplate(const QString& path, int maxColumns, QString* error)
{
    LayoutLimits limits;
    limits.maxPage = PageFiles::kMaxPages;
    limits.maxColumns = maxColumns;
    const LayoutReadResult layout = readLayoutFile(path, limits);
    if (!layout.ok()) {
        *error = QStringLiteral("the template %1").arg(layout.error);
        return std::nullopt;
    }
    QVector<PageTable> tables;
    tables.reserve(layout.entries.size());
    for (const LayoutEntry& entry : layout.entries)
        for (int page = entry.firstPage; page <= entry.lastPage; ++page)
            tables.append({page, entry.geometry});
    return tables;
}
