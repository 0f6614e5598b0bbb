#include "extraction/zoommapping.h"

#include <gtest/gtest.h>

namespace {

// The zoom factors the buttons produce: products of the floats 1.25 and 0.8.
float zoomAfter(int clicksIn, int clicksOut)
{
    float z = 1.0f;
    for (int i = 0; i < clicksIn; ++i)
        z *= 1.25f;
    for (int i = 0; i < clicksOut; ++i)
        z *= 0.8f;
    return z;
}

TEST(ZoomMapping, RectanglesConvertExactlyBothWays)
{
    const ZoomMapping m(1.25f);
    const QRectF canvas(12.5, 25.0, 100.0, 50.0);
    EXPECT_EQ(m.rectToPage(canvas), QRectF(10, 20, 80, 40));
    EXPECT_EQ(m.rectToCanvas(QRectF(10, 20, 80, 40)), canvas);
    // Fractions survive: the rectangle is never rounded.
    EXPECT_DOUBLE_EQ(m.rectToPage(QRectF(126.9, 0, 10, 10)).x(), 126.9 / 1.25);
}

TEST(ZoomMapping, LinesTruncateToWholePagePixelsWithTolerance)
{
    EXPECT_EQ(ZoomMapping(1.25f).lineToPage(QRectF(126.9, 10, 0, 100)).x(), 101);
    EXPECT_EQ(ZoomMapping(1.0f).lineToPage(QRectF(99.99, 10, 0, 100)).x(), 99);
    // After one click on the zoom-out button the factor is 0.800000011920929: a line drawn
    // at canvas 0.8·N must still store N.
    const float z = zoomAfter(0, 1);
    for (int n : {1, 80, 101, 500, 1234, 4999}) {
        const QRectF page = ZoomMapping(z).lineToPage(QRectF(0.8 * n, 0.8 * 10, 0, 0.8 * 200));
        EXPECT_EQ(page.x(), n) << "N = " << n;
        EXPECT_EQ(page.y(), 10);
        EXPECT_EQ(page.height(), 200);
        EXPECT_EQ(page.width(), 0);
    }
}

TEST(ZoomMapping, ZoomInThenOutReturnsTheSameLine)
{
    const QRectF canvas(333, 40, 0, 250);
    const QRectF page = ZoomMapping(1.0f).lineToPage(canvas);
    const float in = zoomAfter(1, 0);
    const QRectF zoomed(canvas.x() * 1.25, canvas.y() * 1.25, 0, canvas.height() * 1.25);
    EXPECT_EQ(ZoomMapping(in).lineToPage(zoomed), page);
    const float back = zoomAfter(1, 1);
    const QRectF unzoomed(zoomed.x() * 0.8, zoomed.y() * 0.8, 0, zoomed.height() * 0.8);
    EXPECT_EQ(ZoomMapping(back).lineToPage(unzoomed), page);
}

TEST(ZoomMapping, StoredLinesStayPutOverManyPageVisits)
{
    struct Case {
        float zoom;
        double maxDrift;
    };
    const Case cases[] = {{zoomAfter(1, 0), 0}, {zoomAfter(3, 0), 0}, {zoomAfter(3, 1), 0},
                          {zoomAfter(0, 1), 1}, {zoomAfter(0, 3), 1}, {1.0f, 0}};
    for (const Case& c : cases) {
        const ZoomMapping m(c.zoom);
        for (int x0 : {0, 1, 7, 101, 257, 612, 999}) {
            QRectF stored(x0, 40, 0, 300);
            for (int visit = 0; visit < 30; ++visit)
                stored = m.lineToPage(m.lineToCanvas(stored));
            EXPECT_LE(std::abs(stored.x() - x0), c.maxDrift) << "zoom " << c.zoom << " x " << x0;
            EXPECT_EQ(stored.width(), 0);
        }
    }
}

TEST(ZoomMapping, LineOnCanvasIsTheSmallestPixelReachingTheStoredX)
{
    const ZoomMapping m(1.25f);
    const QRectF canvas = m.lineToCanvas(QRectF(101, 40, 0, 200));
    EXPECT_EQ(canvas.x(), 127); // 126 / 1.25 = 100.8 → 100; 127 → 101.6 → 101
    EXPECT_EQ(canvas.y(), 50);
    EXPECT_EQ(canvas.width(), 0);
    EXPECT_EQ(canvas.height(), 250);
}

TEST(ZoomMapping, TableAgainstTheLeftEdgeIsStillATable)
{
    EXPECT_FALSE(isNoTable(QRectF(0, 10, 100, 50)));
    EXPECT_TRUE(isNoTable(QRectF(5, 10, 0, 50)));
    EXPECT_TRUE(isNoTable(QRectF(5, 10, 100, 0)));
    EXPECT_TRUE(isNoTable(QRectF()));
}

} // namespace
