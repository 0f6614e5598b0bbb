#pragma once

// The steps both grid builders share: which runs belong to the table, their text lines
// (bands), and which column a run falls in. Page-image pixels throughout.

#include "protocol/subtext.h"

#include <QRectF>
#include <QVector>

#include <algorithm>
#include <cstdint>
#include <vector>

namespace GridParts {

// Runs may stick out of the drawn table by less than this many page pixels on every side.
constexpr double kMargin = 10.0;

// A row of the grid: the vertical extent of a run, in single precision like the rest of the
// row and column arithmetic. `end` is top + height added in float, the value every
// comparison uses.
struct Band {
    float top;
    float end;
};

// The runs inside the table area (page pixels), ordered by left the way the exchange sort
// orders them: its treatment of equal lefts decides the order of the texts inside a cell.
std::vector<const Subtext*> selectRuns(const QVector<Subtext>& runs, const QRectF& area);

// Rows are the runs' bands that lie within no other band; of equal bands the first in run
// order stays. Runs of height 0 form no band. The result is sorted by top; since no row
// contains another, tops and ends both ascend strictly.
std::vector<Band> findRows(const std::vector<const Subtext*>& runs);

// Column bounds: the left edge of the selection area, the line positions ascending, the
// right edge of the selection area. A line outside the table still adds its position, and
// the bounds are then out of order.
std::vector<float> columnBounds(const QRectF& area, const QVector<QRectF>& pageLines);

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

} // namespace GridParts
