#pragma once

#include <QRectF>
#include <QSize>
#include <QVector>

// Maps table geometry between page pixels (the converter's page image) and canvas pixels
// (that image shown at zoomFactor): canvas = page × zoomFactor.
//
// Rectangles convert exactly, without rounding. Column lines are stored on whole page
// pixels, so converting them truncates, with two guards that keep a line where it is shown:
//  - canvas → page adds 1e-4 before each truncation: the float factor 0.8 is
//    0.800000011920929, and 80 / 0.800000011920929 would otherwise truncate to 99;
//  - page → canvas puts a line's x on the smallest whole canvas pixel that converts back to
//    at least the stored x, so a page → canvas → page round trip keeps x exactly for
//    zoom ≥ 1 and settles after at most one pixel below 1.
// Example at zoom 1.25: a line at canvas x 126.9 is stored at page x 101 and shown again at
// canvas x 127 (127 / 1.25 = 101.6 → 101).
class ZoomMapping {
public:
    explicit ZoomMapping(float zoomFactor) : z_(static_cast<double>(zoomFactor)) {}

    double factor() const { return z_; }

    QRectF rectToPage(const QRectF& canvasRect) const;
    QRectF rectToCanvas(const QRectF& pageRect) const;
    QRectF lineToPage(const QRectF& canvasLine) const;
    QRectF lineToCanvas(const QRectF& pageLine) const;
    QVector<QRectF> linesToPage(const QVector<QRectF>& canvasLines) const;
    QVector<QRectF> linesToCanvas(const QVector<QRectF>& pageLines) const;

    // Whole page pixel for a canvas coordinate, with the tolerance described above.
    double truncToPage(double canvasValue) const;

private:
    double z_;
};

// A stored table rectangle means "no table on this page" when it has no area. (Its x alone
// says nothing: a table drawn against the page's left edge has x 0.)
inline bool isNoTable(const QRectF& rect)
{
    return rect.width() == 0 || rect.height() == 0;
}

// The zoom nearest to `zoom` at which an image of `imageSize` page pixels shows with its
// longer side (zoom × side, truncated as the canvas does) within [minSide, maxSide] canvas
// pixels. Example: a 1000 × 800 image at zoom 10 with bounds 16 … 8192 gives 8.192.
float boundedZoom(float zoom, const QSize& imageSize, int minSide, int maxSide);
