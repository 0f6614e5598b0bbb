#include "converter/pageraster.h"

#include <algorithm>
#include <cmath>

namespace {

QSize imageSizeAt(const QSizeF& points, double scale)
{
    // The renderer rounds the page's pixel size to the nearest whole pixel.
    return {std::max(1, int(std::lround(points.width() * scale))),
            std::max(1, int(std::lround(points.height() * scale)))};
}

bool fits(const QSize& size)
{
    return qint64(size.width()) * size.height() <= PageRaster::kMaxPixels &&
           std::max(size.width(), size.height()) <= PageRaster::kMaxSide;
}

} // namespace

PageRaster PageRaster::forPage(const QSizeF& pointSize, double dpi)
{
    const QSizeF points(std::max(pointSize.width(), 1.0), std::max(pointSize.height(), 1.0));
    double scale = dpi / 72;
    scale = std::min(scale, std::sqrt(double(kMaxPixels) / (points.width() * points.height())));
    scale = std::min(scale, kMaxSide / std::max(points.width(), points.height()));
    // Rounding each side up may still overshoot by a few pixels.
    while (!fits(imageSizeAt(points, scale)))
        scale *= 0.999;
    return {scale, imageSizeAt(points, scale)};
}
