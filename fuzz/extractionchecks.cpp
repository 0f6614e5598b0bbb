#include "extractionchecks.h"

#include "extraction/pagegrid.h"
#include "extraction/zoommapping.h"
#include "fuzzinput.h"
#include "protocol/pagetext.h"

#include <QByteArray>
#include <QString>

#include <algorithm>
#include <climits>
#include <vector>

namespace FuzzChecks {

namespace {

std::string describeRun(const Subtext& run)
{
    return QStringLiteral("(%1, %2, %3, %4, \"%5\")")
        .arg(run.left)
        .arg(run.top)
        .arg(run.width)
        .arg(run.height)
        .arg(run.text)
        .toStdString();
}

// Any bytes: one run per non-empty line, never a negative box, never a text longer than its line.
std::string checkRawPage(const QByteArray& bytes)
{
    const QString text = PageTextParser::decodePageBytes(bytes);
    const PageText page = PageTextParser::getTextPosition(text);
    if (page.lineCount != page.runs.size())
        return "lineCount differs from the number of runs";
    qsizetype lineStart = 0;
    qsizetype runIndex = 0;
    for (qsizetype i = 0; i <= text.size(); ++i) {
        if (i < text.size() && text.at(i) != u'\n')
            continue;
        const qsizetype length = i - lineStart;
        lineStart = i + 1;
        if (length == 0)
            continue;
        if (runIndex >= page.runs.size())
            return "fewer runs than non-empty lines";
        const Subtext& run = page.runs.at(runIndex++);
        if (run.left < 0 || run.top < 0 || run.width < 0 || run.height < 0)
            return "negative box " + describeRun(run);
        if (run.text.size() > length)
            return "run text longer than its line " + describeRun(run);
    }
    if (runIndex != page.runs.size())
        return "more runs than non-empty lines";
    return {};
}

// The text as the converter escapes it; some characters written as numeric references instead.
QString escapeText(const QString& text, uint8_t style)
{
    QString out;
    for (const char32_t cp : text.toUcs4()) {
        if (cp == U'&') {
            out += QStringLiteral("&amp;");
        } else if (cp == U'<') {
            out += QStringLiteral("&lt;");
        } else if (cp == U'>') {
            out += QStringLiteral("&gt;");
        } else if ((style & 1) && cp > 0x7F) {
            out += QStringLiteral("&#%1;").arg(uint(cp));
        } else if ((style & 2) && (cp > 0x7F || cp == U'"')) {
            out += QStringLiteral("&#x%1;").arg(uint(cp), 0, 16);
        } else if (QChar::requiresSurrogates(cp)) {
            out += QChar(QChar::highSurrogate(cp));
            out += QChar(QChar::lowSurrogate(cp));
        } else {
            out += QChar(char16_t(cp));
        }
    }
    return out;
}

// A page in the converter's span format, surrounded by markup lines without spans.
std::string checkSpanPage(FuzzInput& in)
{
    QString html = QStringLiteral("<html>\n<body>\n");
    QVector<Subtext> expected(2);
    while (in.remaining() >= 18) {
        int32_t values[4];
        for (int32_t& value : values)
            value = in.take<int32_t>();
        const uint8_t style = in.take<uint8_t>();
        QString text;
        for (int n = in.take<uint8_t>() % 24; n > 0; --n) {
            const char16_t unit = in.take<uint16_t>();
            if (unit != 0 && unit != u'\n')
                text += QChar(unit);
        }
        // Lone surrogates cannot travel through UTF-8; they arrive as U+FFFD.
        text = QString::fromUtf8(text.toUtf8());
        html += QStringLiteral("<span style=\"left:%1;top:%2;width:%3;height:%4\">%5</span>\n")
                    .arg(values[0])
                    .arg(values[1])
                    .arg(values[2])
                    .arg(values[3])
                    .arg(escapeText(text, style));
        Subtext run;
        run.left = std::max(values[0], 0);
        run.top = std::max(values[1], 0);
        run.width = std::max(values[2], 0);
        run.height = std::max(values[3], 0);
        run.text = text;
        expected.append(run);
    }
    html += QStringLiteral("</body>\n</html>");
    expected.append(Subtext());
    expected.append(Subtext());

    const PageText page = PageTextParser::getTextPosition(PageTextParser::decodePageBytes(html.toUtf8()));
    if (page.lineCount != expected.size() || page.runs.size() != expected.size())
        return "span page: " + std::to_string(page.runs.size()) + " runs for " +
               std::to_string(expected.size()) + " lines";
    for (qsizetype i = 0; i < expected.size(); ++i) {
        if (page.runs.at(i) != expected.at(i))
            return "span page line " + std::to_string(i) + ": read " + describeRun(page.runs.at(i)) +
                   ", written " + describeRun(expected.at(i));
    }
    return {};
}

// A row of the grid: the vertical extent of a run, in single precision as grid building uses.
struct Band {
    float top;
    float end;
    bool operator==(const Band&) const = default;
};

Band bandOf(const Subtext& run)
{
    return {float(run.top), float(run.top) + float(run.height)};
}

bool contains(const Band& outer, const Band& inner)
{
    return outer.top <= inner.top && inner.end <= outer.end;
}

// Selected: strictly inside the table enlarged by 10 page pixels on every side.
bool isSelected(const Subtext& run, const QRectF& area)
{
    return run.left > area.x() - 10 && int64_t(run.left) + run.width < area.x() + area.width() + 10 &&
           run.top > area.y() - 10 && int64_t(run.top) + run.height < area.y() + area.height() + 10;
}

// Rows: the distinct bands of the selected runs of non-zero height that lie within no other
// band, top to bottom.
std::vector<Band> expectedRows(const std::vector<const Subtext*>& selected)
{
    std::vector<Band> bands;
    for (const Subtext* run : selected) {
        if (run->height != 0)
            bands.push_back(bandOf(*run));
    }
    std::vector<Band> rows;
    for (const Band& band : bands) {
        const bool within = std::any_of(bands.begin(), bands.end(), [&](const Band& other) {
            return other != band && contains(other, band);
        });
        if (!within && std::find(rows.begin(), rows.end(), band) == rows.end())
            rows.push_back(band);
    }
    std::sort(rows.begin(), rows.end(), [](const Band& a, const Band& b) { return a.top < b.top; });
    return rows;
}

std::string cellName(int row, int column)
{
    return "cell (" + std::to_string(row) + ", " + std::to_string(column) + ")";
}

} // namespace

std::string checkPageText(const uint8_t* data, size_t size)
{
    if (size > 0 && data[0] == 0x01) {
        FuzzInput in(data + 1, size - 1);
        return checkSpanPage(in);
    }
    return checkRawPage(QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)));
}

std::string checkGrid(const uint8_t* data, size_t size)
{
    FuzzInput in(data, size);
    const uint8_t setup = in.take<uint8_t>();
    const float zooms[] = {1.0f, 1.25f, 0.8f, 1.5625f, 1.953125f, 0.64f};
    const float zoom = zooms[setup % 6];
    // Mostly page-sized geometry; sometimes anywhere in 32 bits, where floats lose whole pixels.
    const bool far = setup & 0x80;
    auto coordinate = [&] { return far ? double(in.take<int32_t>()) : double(in.take<int16_t>()); };
    const double x = coordinate(), y = coordinate(), width = coordinate(), height = coordinate();
    const QRectF canvasRect(x, y, width, height);
    if (canvasRect.width() == 0 || canvasRect.height() == 0)
        return {};
    QVector<QRectF> canvasLines(in.take<uint8_t>() % 128);
    for (QRectF& line : canvasLines)
        line = QRectF(coordinate(), y, 0, height);

    // Runs near the table most of the time, so that many are selected.
    const QRectF area = ZoomMapping(zoom).rectToPage(canvasRect.normalized());
    auto near = [&](double edge) {
        return int32_t(std::clamp<double>(std::floor(edge) + in.take<int16_t>() % 512, 0, INT32_MAX));
    };
    QVector<Subtext> runs;
    while (in.remaining() >= 9) {
        Subtext run;
        const uint8_t kind = in.take<uint8_t>();
        run.left = kind & 1 ? in.take<int32_t>() & 0x7fffffff : near(area.x());
        run.top = kind & 2 ? in.take<int32_t>() & 0x7fffffff : near(area.y());
        run.width = kind & 4 ? in.take<uint16_t>() : in.take<uint8_t>();
        run.height = kind & 8 ? in.take<uint16_t>() : in.take<uint8_t>() % 64;
        run.text = QString::number(runs.size());
        runs.append(run);
    }

    const GridBuild build = buildPageGrid(runs, canvasRect, canvasLines, zoom);
    const PageGrid& grid = build.grid;
    if (build.pageRect != area || build.pageLines.size() != canvasLines.size())
        return "the geometry handed back differs from the mapped one";

    std::vector<const Subtext*> selected;
    for (const Subtext& run : runs) {
        if (isSelected(run, area))
            selected.push_back(&run);
    }
    const std::vector<Band> rows = expectedRows(selected);
    std::vector<float> bounds;
    for (const QRectF& line : build.pageLines)
        bounds.push_back(float(line.x()));
    std::sort(bounds.begin(), bounds.end());
    bounds.insert(bounds.begin(), float(area.x() - 10));
    bounds.push_back(float(area.x() + area.width() + 10));

    const int columns = int(bounds.size()) - 1;
    if (grid.columns != columns || grid.rows != int(rows.size()) ||
        grid.cells.size() != grid.rows * grid.columns)
        return "grid of " + std::to_string(grid.rows) + " x " + std::to_string(grid.columns) + " with " +
               std::to_string(grid.cells.size()) + " cells, expected " + std::to_string(rows.size()) + " x " +
               std::to_string(columns);

    // Each selected run belongs to every row whose band holds its band and to the column
    // whose bounds hold its left (bound m ≤ left < bound m+1).
    std::vector<std::vector<int>> expected(rows.size() * size_t(columns));
    for (const Subtext* run : selected) {
        const Band band = bandOf(*run);
        const float left = float(run->left);
        for (size_t row = 0; row < rows.size(); ++row) {
            if (!contains(rows[row], band))
                continue;
            for (int m = 0; m < columns; ++m) {
                if (bounds[size_t(m)] <= left && left < bounds[size_t(m) + 1])
                    expected[row * size_t(columns) + size_t(m)].push_back(run->text.toInt());
            }
        }
    }
    for (int row = 0; row < grid.rows; ++row) {
        for (int column = 0; column < columns; ++column) {
            const QString& cell = grid.cell(row, column);
            if (!cell.isEmpty() && !cell.endsWith(u' '))
                return cellName(row, column) + " does not end with a blank";
            std::vector<int> found;
            for (const QString& token : cell.split(u' ', Qt::SkipEmptyParts))
                found.push_back(token.toInt());
            for (size_t i = 1; i < found.size(); ++i) {
                if (runs.at(found[i - 1]).left > runs.at(found[i]).left)
                    return cellName(row, column) +
                           " holds its texts out of left order: " + cell.toStdString();
            }
            std::vector<int> wanted = expected[size_t(row) * size_t(columns) + size_t(column)];
            std::sort(found.begin(), found.end());
            std::sort(wanted.begin(), wanted.end());
            if (found != wanted) {
                std::string message =
                    cellName(row, column) + " holds \"" + cell.toStdString() + "\", expected runs:";
                for (int index : wanted)
                    message += " " + describeRun(runs.at(index));
                return message;
            }
        }
    }
    return {};
}

} // namespace FuzzChecks
