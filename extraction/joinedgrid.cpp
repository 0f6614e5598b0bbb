#include "extraction/joinedgrid.h"

#include "extraction/gridparts.h"
#include "extraction/zoommapping.h"

#include <algorithm>
#include <vector>

using namespace GridParts;

namespace {

// Rule pieces this close together (page pixels) are one rule: a rule cut by words, a band
// edge next to a rule.
constexpr double kSameRule = 3.0;
// Share of the table's width a rule must cover to separate rows.
constexpr double kCrossing = 0.85;

// The heights of the horizontal rules that cross the table area, ascending.
std::vector<double> crossingRules(const QVector<PageRule>& rules, const QRectF& area)
{
    struct Piece {
        double position;
        double start;
        double end;
    };
    std::vector<Piece> pieces;
    for (const PageRule& rule : rules) {
        if (!rule.isHorizontal() || rule.position <= area.top() || rule.position >= area.bottom())
            continue;
        const double start = std::max(rule.start, area.left());
        const double end = std::min(rule.end, area.right());
        if (end > start)
            pieces.push_back({rule.position, start, end});
    }
    std::sort(pieces.begin(), pieces.end(),
              [](const Piece& a, const Piece& b) { return a.position < b.position; });

    std::vector<double> crossing;
    for (size_t first = 0; first < pieces.size();) {
        size_t last = first + 1;
        while (last < pieces.size() && pieces[last].position - pieces[last - 1].position <= kSameRule)
            ++last;
        std::vector<Piece> group(pieces.begin() + qsizetype(first), pieces.begin() + qsizetype(last));
        std::sort(group.begin(), group.end(),
                  [](const Piece& a, const Piece& b) { return a.start < b.start; });
        double covered = 0;
        double reach = area.left();
        double positions = 0;
        for (const Piece& piece : group) {
            covered += std::max(0.0, piece.end - std::max(piece.start, reach));
            reach = std::max(reach, piece.end);
            positions += piece.position;
        }
        if (covered >= kCrossing * area.width())
            crossing.push_back(positions / double(group.size()));
        first = last;
    }
    return crossing;
}

// Whole-cell numbers (amounts, dates, counts): digits with separators, signs and brackets.
bool isNumber(const QString& text)
{
    bool digit = false;
    for (const QChar c : text) {
        if (c.isDigit())
            digit = true;
        else if (!c.isSpace() && !QStringLiteral(".,'-+()%").contains(c) &&
                 c.category() != QChar::Symbol_Currency)
            return false;
    }
    return digit;
}

bool isFilled(const QString& cell)
{
    return !cell.trimmed().isEmpty();
}

// One text line of the table: its cells, and the band between rules it lies in.
struct WordLine {
    QStringList cells;
    int band = 0;
};

// The leftmost column filled in at least a third as many `groups` as the fullest column: a
// table's first column (dates, numbers) is filled once per row, however many lines the row's
// longest cell wraps over, while a column of rare group labels is passed over.
// `filledIn(group, column)` tells whether a group fills a column.
template <typename FilledIn> int keyColumn(int groups, int columns, FilledIn filledIn)
{
    std::vector<int> counts(size_t(columns), 0);
    for (int column = 0; column < columns; ++column)
        for (int group = 0; group < groups; ++group)
            counts[size_t(column)] += filledIn(group, column);
    const int fullest = *std::max_element(counts.begin(), counts.end());
    for (int column = 0; column < columns; ++column)
        if (3 * counts[size_t(column)] >= fullest && counts[size_t(column)] > 0)
            return column;
    return 0;
}

// Whether `line` continues `row` (see the header).
bool continues(const WordLine& line, const QStringList& row, int key)
{
    if (isFilled(line.cells[key]))
        return false;
    bool any = false;
    for (int column = 0; column < line.cells.size(); ++column) {
        const QString& text = line.cells[column];
        if (!isFilled(text))
            continue;
        any = true;
        const bool number = isNumber(text);
        if (isFilled(row[column])) {
            if (number && isNumber(row[column]))
                return false;
            continue;
        }
        const bool besideText = (column > 0 && isFilled(row[column - 1])) ||
                                (column + 1 < row.size() && isFilled(row[column + 1]));
        if (number || !besideText)
            return false;
    }
    return any;
}

} // namespace

GridBuild buildJoinedPageGrid(const QVector<Subtext>& runs, const QVector<PageRule>& rules,
                              const QRectF& canvasRect, const QVector<QRectF>& canvasLines, float zoomFactor)
{
    const ZoomMapping mapping(zoomFactor);
    GridBuild build;
    build.pageRect = mapping.rectToPage(canvasRect.normalized());
    build.pageLines = mapping.linesToPage(canvasLines);

    const std::vector<const Subtext*> selected = selectRuns(runs, build.pageRect);
    const std::vector<Band> bands = findRows(selected);
    const std::vector<float> bounds = columnBounds(build.pageRect, build.pageLines);
    const bool ascending = std::is_sorted(bounds.begin(), bounds.end());
    const int columns = int(bounds.size()) - 1;
    const std::vector<double> cuts = crossingRules(rules, build.pageRect);

    std::vector<WordLine> lines(bands.size());
    for (size_t i = 0; i < bands.size(); ++i) {
        lines[i].cells = QStringList(columns);
        const double middle = (double(bands[i].top) + double(bands[i].end)) / 2;
        lines[i].band = int(std::upper_bound(cuts.begin(), cuts.end(), middle) - cuts.begin());
    }
    for (const Subtext* run : selected) {
        // The upper one of the text lines holding the run, found as buildPageGrid() finds them.
        const float top = float(run->top);
        const float bottom = top + float(run->height);
        const auto first = std::lower_bound(bands.begin(), bands.end(), bottom,
                                            [](const Band& band, float b) { return band.end < b; });
        if (first == bands.end() || first->top > top)
            continue;
        WordLine& line = lines[size_t(first - bands.begin())];
        forEachColumn(bounds, ascending, run->left, [&](size_t m) {
            line.cells[qsizetype(m)] += run->text;
            line.cells[qsizetype(m)] += u' ';
        });
    }

    const int key = keyColumn(int(lines.size()), columns, [&](int line, int column) {
        return isFilled(lines[size_t(line)].cells[column]);
    });

    // A ruled table: bands whose key column is filled on one line at most are one row each.
    const int bandCount = int(cuts.size()) + 1;
    std::vector<bool> bandIsOneRow(size_t(bandCount), false);
    std::vector<std::vector<bool>> bandFills(size_t(bandCount), std::vector<bool>(size_t(columns), false));
    std::vector<int> bandsWithText;
    for (const WordLine& line : lines)
        for (int column = 0; column < columns; ++column)
            if (isFilled(line.cells[column])) {
                bandFills[size_t(line.band)][size_t(column)] = true;
                if (bandsWithText.empty() || bandsWithText.back() != line.band)
                    bandsWithText.push_back(line.band);
            }
    if (bandsWithText.size() >= 3) {
        const int bandKey = keyColumn(int(bandsWithText.size()), columns, [&](int group, int column) {
            return bool(bandFills[size_t(bandsWithText[size_t(group)])][size_t(column)]);
        });
        std::vector<int> keyLines(size_t(bandCount), 0);
        for (const WordLine& line : lines)
            keyLines[size_t(line.band)] += isFilled(line.cells[bandKey]);
        // Ruled row by row (three bands in four or more have a one-line key), a band is one
        // row even where its key cell wraps too; ruled between groups only, the bands of
        // several entries are split by the continuation rule.
        const auto oneLineKeys = std::count_if(bandsWithText.begin(), bandsWithText.end(),
                                               [&](int band) { return keyLines[size_t(band)] <= 1; });
        const bool everyRowRuled = oneLineKeys * 4 >= qsizetype(bandsWithText.size()) * 3;
        for (int band : bandsWithText)
            bandIsOneRow[size_t(band)] = everyRowRuled || keyLines[size_t(band)] <= 1;
    }

    std::vector<QStringList> rows;
    int rowBand = -1;
    for (const WordLine& line : lines) {
        const bool join = !rows.empty() && rowBand == line.band &&
                          (bandIsOneRow[size_t(line.band)] || continues(line, rows.back(), key));
        if (!join) {
            rows.push_back(line.cells);
            rowBand = line.band;
            continue;
        }
        for (int column = 0; column < columns; ++column)
            rows.back()[column] += line.cells[column];
    }

    PageGrid& grid = build.grid;
    grid.rows = int(rows.size());
    grid.columns = columns;
    for (const QStringList& row : rows)
        grid.cells += row;
    return build;
}
