#include "pagegrid.h"

#include "exchangeorder.h"
#include "zoommapping.h"

#include <algorithm>
#include <vector>

namespace {

// Runs may stick out of the drawn table by less than this many page pixels on every side.
constexpr double kMargin = 10.0;

// A row of the grid: the vertical extent of a run, in single precision like the rest of the
// row and column arithmetic. `end` is top + height added in float, the value every
// comparison uses.
struct Band {
    float top;
    float end;
};

bool liesInArea(const Subtext& run, const QRectF& area)
{
    // Sums in 64 bits: a page text may hold coordinates up to 2^31 − 1.
    return run.left > area.x() - kMargin &&
           int64_t(run.left) + run.width < area.x() + area.width() + kMargin &&
           run.top > area.y() - kMargin && int64_t(run.top) + run.height < area.y() + area.height() + kMargin;
}

// The runs inside the table area (page pixels), ordered by left the way the exchange sort
// orders them: its treatment of equal lefts decides the order of the texts inside a cell.
std::vector<const Subtext*> selectRuns(const QVector<Subtext>& runs, const QRectF& area)
{
    std::vector<const Subtext*> inArea;
    for (const Subtext& run : runs) {
        if (liesInArea(run, area))
            inArea.push_back(&run);
    }
    std::vector<int32_t> lefts;
    lefts.reserve(inArea.size());
    for (const Subtext* run : inArea)
        lefts.push_back(run->left);
    std::vector<const Subtext*> sorted;
    sorted.reserve(inArea.size());
    for (int index : exchangeSortOrder(lefts))
        sorted.push_back(inArea[size_t(index)]);
    return sorted;
}

// Rows are the runs' bands that lie within no other band; of equal bands the first in run
// order stays. That is what dropping, pair by pair in run order, every band lying within
// another leaves, found here by one sort instead. Runs of height 0 form no band. The result is sorted by top; since no row
// contains another, tops and ends both ascend strictly.
std::vector<Band> findRows(const std::vector<const Subtext*>& runs)
{
    struct Candidate {
        Band band;
        size_t order;
    };
    std::vector<Candidate> candidates;
    for (size_t i = 0; i < runs.size(); ++i) {
        const float top = float(runs[i]->top);
        const float height = float(runs[i]->height);
        if (height != 0)
            candidates.push_back({{top, top + height}, i});
    }
    // Containers come before what they contain: top ascending, end descending.
    std::sort(candidates.begin(), candidates.end(), [](const Candidate& a, const Candidate& b) {
        if (a.band.top != b.band.top)
            return a.band.top < b.band.top;
        if (a.band.end != b.band.end)
            return a.band.end > b.band.end;
        return a.order < b.order;
    });
    std::vector<Band> rows;
    for (size_t i = 0; i < candidates.size(); ++i) {
        const Band& band = candidates[i].band;
        const bool sameAsPrevious =
            i > 0 && candidates[i - 1].band.top == band.top && candidates[i - 1].band.end == band.end;
        if (sameAsPrevious)
            continue;
        // Every earlier distinct band starts no lower; one reaching as far down contains it.
        if (rows.empty() || band.end > rows.back().end)
            rows.push_back(band);
    }
    return rows;
}

// Column bounds: the left edge of the selection area, the line positions ascending, the
// right edge of the selection area. A line outside the table still adds its position, and
// the bounds are then out of order.
std::vector<float> columnBounds(const QRectF& area, const QVector<QRectF>& pageLines)
{
    std::vector<float> linePositions;
    linePositions.reserve(size_t(pageLines.size()));
    for (const QRectF& line : pageLines)
        linePositions.push_back(float(line.x()));
    std::sort(linePositions.begin(), linePositions.end());

    std::vector<float> bounds;
    bounds.reserve(linePositions.size() + 2);
    bounds.push_back(float(area.x() - kMargin));
    bounds.insert(bounds.end(), linePositions.begin(), linePositions.end());
    bounds.push_back(float(area.x() + area.width() + kMargin));
    return bounds;
}

// Calls `visit(m)` for every column m with bound m ≤ left < bound m+1, in ascending order.
template <typename Visit>
void forEachColumn(const std::vector<float>& bounds, bool ascending, int32_t left, Visit visit)
{
    const size_t columns = bounds.size() - 1;
    if (!ascending) {
        for (size_t m = 0; m < columns; ++m) {
            if (bounds[m] <= left && left < bounds[m + 1])
                visit(m);
        }
        return;
    }
    // Ascending bounds: only the last bound not above left can start the column.
    const auto above = std::upper_bound(bounds.begin(), bounds.end(), float(left));
    if (above == bounds.begin() || above == bounds.end())
        return;
    const size_t m = size_t(above - bounds.begin()) - 1;
    if (left < bounds[m + 1])
        visit(m);
}

} // namespace

QString PageGrid::gridText() const
{
    QString text;
    for (int row = 0; row < rows; ++row) {
        for (int column = 0; column < columns; ++column) {
            if (column > 0)
                text += u',';
            text += u'"';
            text += cell(row, column);
            text += u'"';
        }
        text += u'\n';
    }
    return text;
}

GridBuild buildPageGrid(const QVector<Subtext>& runs, const QRectF& canvasRect,
                        const QVector<QRectF>& canvasLines, float zoomFactor)
{
    const ZoomMapping mapping(zoomFactor);
    GridBuild build;
    build.pageRect = mapping.rectToPage(canvasRect.normalized());
    build.pageLines = mapping.linesToPage(canvasLines);

    const std::vector<const Subtext*> selected = selectRuns(runs, build.pageRect);
    const std::vector<Band> rows = findRows(selected);
    const std::vector<float> bounds = columnBounds(build.pageRect, build.pageLines);
    const bool ascending = std::is_sorted(bounds.begin(), bounds.end());

    PageGrid& grid = build.grid;
    grid.rows = int(rows.size());
    grid.columns = int(bounds.size()) - 1;
    QStringList& cells = grid.cells;
    cells.resize(qsizetype(rows.size()) * grid.columns);
    for (const Subtext* run : selected) {
        // The rows holding the run form one range: tops ascend, and so do ends. The run's
        // bottom is summed in float exactly as its band's end, or past 2^24 pixels a run
        // could miss its own row.
        const float top = float(run->top);
        const float bottom = top + float(run->height);
        const auto first = std::lower_bound(rows.begin(), rows.end(), bottom,
                                            [](const Band& row, float b) { return row.end < b; });
        const auto last = std::upper_bound(rows.begin(), rows.end(), top,
                                           [](float t, const Band& row) { return t < row.top; });
        for (auto row = first; row < last; ++row) {
            const qsizetype rowStart = qsizetype(row - rows.begin()) * grid.columns;
            forEachColumn(bounds, ascending, run->left, [&](size_t m) {
                QString& cell = cells[rowStart + qsizetype(m)];
                cell += run->text;
                cell += u' ';
            });
        }
    }
    return build;
}
