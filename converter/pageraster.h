#pragma once

#include <QSize>
#include <QSizeF>

// The pixel grid of one page image. Pages are rendered at 96 dpi, the resolution screens
// show documents at (4/3 pixels per point); a page that would exceed 25 megapixels there is
// rendered at the lower resolution that fits, so one enormous page cannot exhaust memory.
// Page text boxes are given in the same pixels.
struct PageRaster {
    static constexpr double kScreenDpi = 96;
    static constexpr qint64 kMaxPixels = 25'000'000;
    static constexpr int kMaxSide = 30'000; // PNG readers and QPainter refuse wider images

    double pixelsPerPoint = 0;
    QSize imageSize; // always at least 1 × 1

    // For a page of `pointSize` as displayed (after its rotation), at `dpi` or below it
    // within the same bounds (text recognition renders at 300 dpi).
    static PageRaster forPage(const QSizeF& pointSize, double dpi = kScreenDpi);

    double dpi() const { return pixelsPerPoint * 72; }
};
