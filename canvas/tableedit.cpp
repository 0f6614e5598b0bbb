#include "canvas/tableedit.h"

#include <algorithm>
#include <cmath>

namespace TableEdit {

namespace {

struct Edges {
    float left, top, right, bottom;
};

Edges singlePrecisionEdges(const QRectF& table)
{
    return {static_cast<float>(table.x()), static_cast<float>(table.y()),
            static_cast<float>(table.x() + table.width()), static_cast<float>(table.y() + table.height())};
}

QRectF squareAround(float x, float y)
{
    return QRectF(x - kHandleHalf, y - kHandleHalf, 2 * kHandleHalf, 2 * kHandleHalf);
}

QRectF bandAlong(const Edges& e, float edgeY)
{
    const float left = e.left + static_cast<float>(kHandleHalf);
    const float right = e.right - static_cast<float>(kHandleHalf);
    return QRectF(left, edgeY - static_cast<float>(kBandHalf), right - left, 2 * kBandHalf);
}

// The share of dx a line takes when a corner moves one side: the line keeps its fraction of
// the width. A table without width gives no fraction, so its lines stay where they are.
float proportionalShift(double distanceFromFixedSide, float dx, double width)
{
    if (width == 0)
        return 0;
    return static_cast<float>(distanceFromFixedSide * dx / width);
}

} // namespace

QVector<QRectF> resizeHandles(const QRectF& table)
{
    const Edges e = singlePrecisionEdges(table);
    const float midX = (e.left + e.right) * 0.5f;
    const float midY = (e.top + e.bottom) * 0.5f;
    return {squareAround(e.left, e.top),  squareAround(midX, e.top),      squareAround(e.right, e.top),
            squareAround(e.left, midY),   squareAround(e.right, midY),    squareAround(e.left, e.bottom),
            squareAround(midX, e.bottom), squareAround(e.right, e.bottom)};
}

QRectF topEdgeBand(const QRectF& table)
{
    const Edges e = singlePrecisionEdges(table);
    return bandAlong(e, e.top);
}

QRectF bottomEdgeBand(const QRectF& table)
{
    const Edges e = singlePrecisionEdges(table);
    return bandAlong(e, e.bottom);
}

QRectF lineHitZone(const QRectF& line)
{
    return QRectF(line.x() - kLineGrip, line.y(), line.width() + 2 * kLineGrip, line.height());
}

QRectF normalizedDrag(const QPointF& origin, const QPointF& extent)
{
    const float x0 = static_cast<float>(origin.x());
    const float y0 = static_cast<float>(origin.y());
    const float dx = static_cast<float>(extent.x());
    const float dy = static_cast<float>(extent.y());
    return QRectF(std::min(x0, x0 + dx), std::min(y0, y0 + dy), std::fabs(dx), std::fabs(dy));
}

bool isLargeEnoughToCommit(const QRectF& table)
{
    const float limit = static_cast<float>(kCommitSize);
    return !(static_cast<float>(table.width()) <= limit && static_cast<float>(table.height()) <= limit);
}

bool resizeStep(int handle, float dx, float dy, double mouseX, QRectF& table, QVector<QRectF>& lines)
{
    const double l = table.x();
    const double t = table.y();
    const double w = table.width();
    const double h = table.height();
    const double r = l + w;
    const double b = t + h;

    // Each corner or middle either moves the top edge, the bottom edge or neither, and
    // shifts the lines by the share of the fixed side (sL: left fixed, sR: right fixed).
    enum class Vertical { None, Top, Bottom };
    enum class Shift { None, FromLeft, FromRight };
    Vertical vertical = Vertical::None;
    Shift shift = Shift::None;
    QRectF next;

    switch (handle) {
    case TopLeft:
        next = QRectF(l + dx, t + dy, r - (l + dx), b - (t + dy));
        vertical = Vertical::Top;
        shift = Shift::FromRight;
        break;
    case TopMiddle:
        next = QRectF(l, t + dy, w, b - (t + dy));
        vertical = Vertical::Top;
        break;
    case TopRight:
        next = QRectF(l, t + dy, r + dx - l, b - (t + dy));
        vertical = Vertical::Top;
        shift = Shift::FromLeft;
        break;
    case MiddleLeft:
        for (const QRectF& line : lines)
            if (!(mouseX <= line.x() - kSideClearance))
                return false;
        next = QRectF(l + dx, t, r - (l + dx), h);
        break;
    case MiddleRight:
        for (const QRectF& line : lines)
            if (!(mouseX >= line.x() + line.width() + kSideClearance))
                return false;
        next = QRectF(l, t, r + dx - l, h);
        break;
    case BottomLeft:
        next = QRectF(l + dx, t, r - (l + dx), b + dy - t);
        vertical = Vertical::Bottom;
        shift = Shift::FromRight;
        break;
    case BottomMiddle:
        next = QRectF(l, t, w, b + dy - t);
        vertical = Vertical::Bottom;
        break;
    case BottomRight:
        next = QRectF(l, t, r + dx - l, b + dy - t);
        vertical = Vertical::Bottom;
        shift = Shift::FromLeft;
        break;
    default:
        return false;
    }

    for (QRectF& line : lines) {
        double x = line.x();
        if (shift == Shift::FromRight)
            x += proportionalShift(r - (line.x() + line.width()), dx, w);
        else if (shift == Shift::FromLeft)
            x += proportionalShift(line.x() - l, dx, w);
        double y = line.y();
        double length = line.height();
        if (vertical == Vertical::Top) {
            y += dy;
            length -= dy;
        } else if (vertical == Vertical::Bottom) {
            length += dy;
        }
        line = QRectF(x, y, line.width(), length);
    }
    table = next;
    return true;
}

} // namespace TableEdit
