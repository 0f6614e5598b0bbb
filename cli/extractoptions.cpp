#include "cli/extractoptions.h"

#include "export/spreadsheetexport.h"
#include "export/tableexport.h"
#include "protocol/pagefiles.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr int kMaxJobs = 1024;
constexpr double kMaxTimeoutSeconds = 1e7;

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

// One of -b, --format, -j, --shard, --timeout into `batch`; an error text when the value is bad.
QString readBatchOption(const QString& option, const QString& value, BatchOptions* batch)
{
    if (option == "-b" || option == "--batch") {
        if (value.isEmpty())
            return QStringLiteral("%1 needs a folder").arg(option);
        batch->folder = value;
    } else if (option == "--format") {
        const auto& formats = batchFormats();
        const bool known = std::any_of(formats.begin(), formats.end(),
                                       [&](const BatchFormat& f) { return f.name == value; });
        if (!known) {
            QStringList names;
            for (const BatchFormat& f : formats)
                names.append(f.name);
            return QStringLiteral("--format takes %1: \"%2\"").arg(names.join('|'), value);
        }
        batch->format = value;
    } else if (option == "-j" || option == "--jobs") {
        bool ok = false;
        const int jobs = value.toInt(&ok);
        if (!ok || jobs < 1 || jobs > kMaxJobs)
            return QStringLiteral("%1 takes a number of PDFs at a time from 1 to %2: \"%3\"")
                .arg(option)
                .arg(kMaxJobs)
                .arg(value);
        batch->jobs = jobs;
    } else if (option == "--shard") {
        const QStringList parts = value.split('/');
        bool okIndex = false;
        bool okCount = false;
        const int index = parts.value(0).toInt(&okIndex);
        const int count = parts.value(1).toInt(&okCount);
        if (parts.size() != 2 || !okIndex || !okCount || count < 1 || index < 0 || index >= count)
            return QStringLiteral("--shard takes I/N with 0 <= I < N: \"%1\"").arg(value);
        batch->shardIndex = index;
        batch->shardCount = count;
    } else if (option == "--timeout") {
        const auto seconds = parseNumber(value);
        if (!seconds || *seconds <= 0 || *seconds > kMaxTimeoutSeconds)
            return QStringLiteral("--timeout takes a number of seconds above 0: \"%1\"").arg(value);
        batch->timeoutSeconds = *seconds;
    }
    return {};
}

} // namespace

const QVector<BatchFormat>& batchFormats()
{
    static const QVector<BatchFormat> formats = {{"csv", ".csv"}, {"xls", ".xls"}, {"xlsx", ".xlsx"}};
    return formats;
}

QString extractUsage()
{
    return QStringLiteral(
        "Usage: zq-extract [options] INPUT.pdf -o OUTPUT\n"
        "       zq-extract [options] INPUT.pdf... -o FOLDER\n"
        "       zq-extract [options] -b PDF-FOLDER -o FOLDER\n"
        "\n"
        "Extracts a table from the pages of a PDF and writes it as a UTF-16 CSV file (OUTPUT\n"
        "ending in .csv), as an Excel 2007+ workbook (.xlsx) or as an Excel 97 spreadsheet\n"
        "(any other name), exactly as the window's Save does. Positions are PDF points from\n"
        "the top-left corner of the page as displayed.\n"
        "\n"
        "Options:\n"
        "  -a, --area TOP,LEFT,BOTTOM,RIGHT  the table outline\n"
        "  -c, --columns X1,X2,...           column separators (none: one column)\n"
        "  -c auto                           columns guessed inside the area on every page:\n"
        "                                    vertical rules, else the blank channels between\n"
        "                                    the words of most lines\n"
        "  -g, --guess                       no -a, -c or -t: on each page the table found\n"
        "                                    with the most cells and its guessed columns (a\n"
        "                                    page without one gives an empty table)\n"
        "      --print-layout                write the geometry used on each page (given,\n"
        "                                    guessed or found) to stdout as a template for -t;\n"
        "                                    -o may then be left out\n"
        "  -p, --pages LIST                  \"all\" (default) or a list such as 1-3,7\n"
        "  -t, --template FILE.json          per-page geometry instead of -a/-c/-p:\n"
        "        {\"pages\": [{\"page\": 1, \"area\": [top, left, bottom, right],\n"
        "                    \"columns\": [x, ...], \"join_lines\": true}, ...]}\n"
        "      an entry may give \"pages\": \"2-9\" or \"all\" instead of \"page\"; a later entry\n"
        "      overrides earlier ones; only the pages it names are extracted\n"
        "      (it cannot be combined with -p)\n"
        "      --join-lines                  join wrapped lines into their rows on every page:\n"
        "                                    rows between the rules found in the page image,\n"
        "                                    and lines that continue the row above (empty\n"
        "                                    first column) added to it; \"join_lines\": true\n"
        "                                    in a template entry does this for its page\n"
        "  -o, --output OUTPUT               the file to write\n"
        "      --numbers                     cells that are written numbers (1,234.56, (12.50),\n"
        "                                    12%) become numeric spreadsheet cells shown as\n"
        "                                    written; the CSV stays text\n"
        "\n"
        "Many PDFs (several inputs, or -b): -o names a folder (created if missing) and each PDF\n"
        "gives FOLDER/NAME.xls (.csv, .xlsx) after its name; two PDFs of the same name are refused.\n"
        "  -b, --batch DIR                   every .pdf directly in DIR, in name order\n"
        "      --format csv|xls|xlsx         the type of the files written (default xls)\n"
        "  -j, --jobs N                      PDFs at a time (default: the number of cores)\n"
        "      --shard I/N                   only every N-th PDF in name order, starting at the\n"
        "                                    I-th (0-based): shards 0 to N-1 together are all\n"
        "      --timeout SECONDS             a PDF taking longer fails alone (default: no limit)\n"
        "  A PDF that fails does not stop the others; its error names it, and the exit code is\n"
        "  the worst of all: 1 before 2 before 3 before 0. The last line is a summary.\n"
        "\n"
        "      --page-timeout SECONDS        seconds a page may take to render (default 60)\n"
        "      --ocr                         recognise the text of pages without a text layer\n"
        "                                    (scanned pages) in their images; --ocr=force: of\n"
        "                                    every page\n"
        "      --ocr-lang LANGS              recognition languages, such as eng+deu (default:\n"
        "                                    English and Latin script where installed); each\n"
        "                                    is a Debian package tesseract-ocr-LANG\n"
        "  -h, --help                        this help\n"
        "      --version                     the version\n"
        "\n"
        "Examples:\n"
        "  zq-extract statement.pdf -a 120,40,700,560 -c 110,300,420 -o statement.csv\n"
        "  zq-extract -p 2-4 report.pdf -a 90,36,750,576 -o report.xls\n"
        "  zq-extract monthly.pdf -t monthly-layout.json -o monthly.xls\n"
        "  zq-extract monthly.pdf -g --print-layout > monthly-layout.json\n"
        "  zq-extract -b statements/ -t monthly-layout.json -o tables/ --format csv\n"
        "\n"
        "Exit codes: 0 written, 1 bad arguments, 2 the PDF cannot be read or has no pages,\n"
        "3 the output cannot be written (a previous file stays intact), 4 no temporary folder\n"
        "could be made or it is full or cannot be written, 130 interrupted (also while saving).\n"
        "An output that is the input file is refused (1); a named pipe as output must have a\n"
        "reader within two seconds (else 3).\n");
}

ParsedArguments parseExtractArguments(const QStringList& arguments)
{
    ParsedArguments result;
    ExtractOptions& o = result.options;
    QString areaText;
    QString columnsText;
    bool haveColumns = false;
    bool havePages = false;
    BatchOptions batch;
    bool batchAsked = false;
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
        } else if (arg == "--numbers") {
            if (hasInlineValue)
                return fail(QStringLiteral("--numbers takes no value"));
            o.exportOptions.numbersAsNumbers = true;
        } else if (arg == "--join-lines") {
            o.joinLines = true;
        } else if (is("-g", "--guess")) {
            o.guessTables = true;
        } else if (arg == "--print-layout") {
            o.printLayout = true;
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
        } else if (is("-b", "--batch") || arg == "--format" || is("-j", "--jobs") || arg == "--shard" ||
                   arg == "--timeout") {
            const auto v = takeValue();
            if (!v)
                return fail(QStringLiteral("%1 needs a value").arg(arg));
            const QString error = readBatchOption(arg, *v, &batch);
            if (!error.isEmpty())
                return fail(error);
            if (arg != "--timeout")
                batchAsked = true;
        } else if (arg == "--ocr") {
            if (hasInlineValue && value != QLatin1String("force"))
                return fail(QStringLiteral("--ocr takes no value or =force"));
            o.recognition =
                hasInlineValue ? TextRecognition::Mode::EveryPage : TextRecognition::Mode::BlankPages;
        } else if (arg == "--ocr-lang") {
            const auto v = takeValue();
            if (!v || v->isEmpty())
                return fail(QStringLiteral("--ocr-lang needs languages such as eng+deu"));
            o.recognitionLanguages = *v;
        } else if (arg == "--page-timeout") {
            const auto v = takeValue();
            bool ok = false;
            const int seconds = v ? v->toInt(&ok) : 0;
            if (!ok || seconds <= 0 || seconds > 86400)
                return fail(QStringLiteral("--page-timeout takes a number of seconds from 1 to 86400"));
            o.pageTimeout = seconds;
        } else if (arg.startsWith('-') && arg.size() > 1) {
            return fail(QStringLiteral("unknown option %1").arg(arg));
        } else {
            batch.inputs.append(arg);
        }
    }

    if (o.help || o.version)
        return result;
    if (!o.recognitionLanguages.isEmpty() && o.recognition == TextRecognition::Mode::Off)
        return fail(QStringLiteral("--ocr-lang applies with --ocr"));
    if (batchAsked || batch.inputs.size() > 1) {
        if (!batch.folder.isEmpty() && !batch.inputs.isEmpty())
            return fail(QStringLiteral("-b cannot be combined with input files"));
        if (batch.folder.isEmpty() && batch.inputs.isEmpty())
            return fail(QStringLiteral("no input PDF given"));
        o.batch = batch;
    } else {
        if (batch.timeoutSeconds > 0)
            return fail(QStringLiteral("--timeout applies to a batch (several inputs, -b or --format)"));
        o.input = batch.inputs.value(0);
    }
    if (o.input.isEmpty() && !o.batch)
        return fail(QStringLiteral("no input PDF given"));
    if (o.printLayout && o.batch)
        return fail(QStringLiteral("--print-layout takes one input PDF"));
    if (o.output.isEmpty() && !o.printLayout)
        return fail(o.batch ? QStringLiteral("no output folder given (-o FOLDER)")
                            : QStringLiteral("no output file given (-o OUTPUT)"));
    if (!o.templatePath.isEmpty()) {
        if (!areaText.isEmpty() || haveColumns)
            return fail(QStringLiteral("-t cannot be combined with -a or -c"));
        if (havePages)
            return fail(QStringLiteral("-t cannot be combined with -p: the template names its pages"));
        if (o.guessTables)
            return fail(QStringLiteral("-t cannot be combined with -g"));
        return result;
    }
    if (o.guessTables) {
        if (!areaText.isEmpty() || haveColumns)
            return fail(QStringLiteral("-g cannot be combined with -a or -c"));
        return result;
    }
    if (areaText.isEmpty())
        return fail(QStringLiteral("no table given: use -a (with -c), -t or -g"));
    QString error;
    auto geometry = parseArea(areaText, &error);
    if (!geometry)
        return fail(error);
    if (haveColumns && columnsText.trimmed() == QLatin1String("auto")) {
        o.guessColumns = true;
    } else if (haveColumns) {
        const auto columns = parseNumberList(columnsText);
        if (!columns)
            return fail(
                QStringLiteral("--columns takes numbers separated by commas: \"%1\"").arg(columnsText));
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

std::optional<QVector<LayoutEntry>> readTemplate(const QString& path, int maxColumns, QString* error)
{
    LayoutLimits limits;
    limits.maxPage = PageFiles::kMaxPages;
    limits.maxColumns = maxColumns;
    LayoutReadResult layout = readLayoutFile(path, limits);
    if (!layout.ok()) {
        *error = QStringLiteral("the template %1").arg(layout.error);
        return std::nullopt;
    }
    return std::move(layout.entries);
}

std::optional<QVector<PageTable>> templateTables(const QVector<LayoutEntry>& entries, int pageCount,
                                                 QString* error)
{
    const ResolvedLayout layout = resolveLayout(entries, pageCount);
    if (!layout.missingPages.isEmpty()) {
        *error = QStringLiteral("page %1 of the template is past the end of the document (%2 pages)")
                     .arg(pageRangesText(layout.missingPages))
                     .arg(pageCount);
        return std::nullopt;
    }
    QVector<PageTable> tables;
    for (int page = 1; page <= pageCount; ++page)
        if (const auto& table = layout.pages[page - 1])
            tables.append({page, table->geometry, table->joinLines});
    return tables;
}
