#pragma once

#include <QPointF>
#include <QRectF>
#include <QVector>

// Geometry rules of the table drawn on the page canvas, in canvas pixels: the hit zones
// derived from the table rectangle and the resize step of each handle. Plain values in,
// plain values out; the canvas widget owns the state and the mouse.
//
// A line is a rectangle of width 0: x is its position, y its top, height its length.
namespace TableEdit {

// Zones of the hover test, also the index of the handle being dragged.
enum Zone {
    TopLeft = 0,
    TopMiddle = 1,
    TopRight = 2,
    MiddleLeft = 3,
    MiddleRight = 4,
    BottomLeft = 5,
    BottomMiddle = 6,
    BottomRight = 7,
    Inside = 8,
    Elsewhere = 9,
};

constexpr int kHandleCount = 8;
constexpr double kHandleHalf = 5;    // a handle is a 10 × 10 square around its anchor
constexpr double kBandHalf = 5;      // edge bands reach 5 px to each side of the edge
constexpr double kLineGrip = 2;      // a line is grabbed within 2 px to each side
constexpr double kSideClearance = 5; // a side edge stays 5 px away from every line
constexpr double kCommitSize = 5;    // a drawn rectangle must exceed this in some direction
constexpr double kLineEdgeGap = 2;   // a dragged line stays 2 px inside the side edges
constexpr double kLineRefGap = 1;    // … and 1 px away from the reference line

// The eight resize handles in zone order. Edges are taken in single precision, e.g. the
// table (100, 50, 200, 80) has its top-middle handle at (195, 45, 10, 10).
QVector<QRectF> resizeHandles(const QRectF& table);

// Bands along the top and bottom edges between the corner handles, from which new lines are
// dragged: for (100, 50, 200, 80) the top band is (105, 45, 190, 10).
QRectF topEdgeBand(const QRectF& table);
QRectF bottomEdgeBand(const QRectF& table);

// Where a line can be grabbed: 2 px to each side of it, over its whole length.
QRectF lineHitZone(const QRectF& line);

// The rectangle spanned by a drag from origin with the signed extent, with non-negative
// width and height; the coordinates pass through single precision.
QRectF normalizedDrag(const QPointF& origin, const QPointF& extent);

// Whether a drawn rectangle is large enough to become the table.
bool isLargeEnoughToCommit(const QRectF& table);

// One step of dragging resize handle `handle` (TopLeft … BottomRight) by (dx, dy), the mouse
// now at mouseX. Corner handles keep every line at the same fraction of the width and
// stretch it with the moved edge; the top and bottom middles only stretch the lines; the
// side handles move no line but refuse to come within 5 px of one. Returns false, changing
// nothing, when the step is refused.
bool resizeStep(int handle, float dx, float dy, double mouseX, QRectF& table, QVector<QRectF>& lines);

} // namespace TableEdit
