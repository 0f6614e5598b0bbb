#include "extraction/pagegrid.h"

#include "extraction/exchangeorder.h"
#include "extraction/gridparts.h"
#include "extraction/zoommapping.h"

#include <algorithm>
#include <vector>

namespace GridParts {

namespace {

bool liesInArea(const Subtext& run, const QRectF& area)
{
    // Sums in 64 bits: a page text may hold coordinates up to 2^31 − 1.
    return run.left > area.x() - kMargin &&
           int64_t(run.left) + run.width < area.x() + area.width() + kMargin &&
           run.top > area.y() - kMargin && int64_t(run.top) + run.height < area.y() + area.height() + kMargin;
}

} // namespace

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

} // namespace GridParts

using namespace GridParts;

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
