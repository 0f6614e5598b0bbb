#include "extraction/zoommapping.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {
constexpr double kLineTolerance = 1e-4;
}

QRectF ZoomMapping::rectToPage(const QRectF& r) const
{
    const double x = r.x() / z_;
    const double y = r.y() / z_;
    return QRectF(x, y, (r.x() + r.width()) / z_ - x, (r.y() + r.height()) / z_ - y);
}

QRectF ZoomMapping::rectToCanvas(const QRectF& r) const
{
    const double x = z_ * r.x();
    const double y = z_ * r.y();
    return QRectF(x, y, z_ * (r.x() + r.width()) - x, z_ * (r.y() + r.height()) - y);
}

double ZoomMapping::truncToPage(double canvasValue) const
{
    return std::trunc(canvasValue / z_ + kLineTolerance);
}

QRectF ZoomMapping::lineToPage(const QRectF& l) const
{
    const double left = truncToPage(l.x());
    const double top = truncToPage(l.y());
    const double right = truncToPage(l.x() + l.width());
    const double bottom = truncToPage(l.y() + l.height());
    return QRectF(left, top, right - left, bottom - top);
}

QRectF ZoomMapping::lineToCanvas(const QRectF& l) const
{
    // Smallest whole canvas pixel whose conversion back reaches the stored x. The estimate
    // is within a pixel or two of it; step from below so the result is the smallest one.
    double x = std::floor(l.x() * z_) - 2;
    for (int step = 0; step < 8 && truncToPage(x) < l.x(); ++step)
        x += 1;
    const double top = std::trunc(z_ * l.y());
    const double bottom = std::trunc(z_ * (l.y() + l.height()));
    return QRectF(x, top, 0, bottom - top);
}

QVector<QRectF> ZoomMapping::linesToPage(const QVector<QRectF>& canvasLines) const
{
    QVector<QRectF> out;
    out.reserve(canvasLines.size());
    for (const QRectF& l : canvasLines)
        out.append(lineToPage(l));
    return out;
}

QVector<QRectF> ZoomMapping::linesToCanvas(const QVector<QRectF>& pageLines) const
{
    QVector<QRectF> out;
    out.reserve(pageLines.size());
    for (const QRectF& l : pageLines)
        out.append(lineToCanvas(l));
    return out;
}

float boundedZoom(float zoom, const QSize& imageSize, int minSide, int maxSide)
{
    const int longer = std::max(imageSize.width(), imageSize.height());
    if (longer <= 0)
        return zoom;
    auto shown = [longer](float z) { return static_cast<long long>(z * static_cast<float>(longer)); };
    if (!(zoom > 0) || shown(zoom) < minSide) {
        zoom = static_cast<float>(minSide) / static_cast<float>(longer);
        while (shown(zoom) < minSide)
            zoom = std::nextafter(zoom, std::numeric_limits<float>::max());
    } else if (shown(zoom) > maxSide) {
        zoom = static_cast<float>(maxSide) / static_cast<float>(longer);
        while (shown(zoom) > maxSide)
            zoom = std::nextafter(zoom, 0.0f);
    }
    return zoom;
}
