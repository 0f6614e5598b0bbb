// The converter's pieces that need no PDF: grouping words into printed lines, the page text
// it writes, and the pixel grid of a page image.
#include "converter/pageraster.h"
#include "converter/pagetexthtml.h"
#include "converter/textlines.h"

#include <QStringList>

#include <gtest/gtest.h>

namespace {

PageWord word(const QString& text, double left, double top, double right, double bottom)
{
    return {QRectF(QPointF(left, top), QPointF(right, bottom)), text};
}

QStringList texts(const TextLine& line)
{
    QStringList out;
    for (const PageWord& w : line.words)
        out << w.text;
    return out;
}

} // namespace

// Two table rows as a browser prints them: the CJK glyph boxes are more than twice as tall
// as the Latin words beside them and overlap the next row's CJK box.
TEST(TextLines, CjkBoxesTallerThanLatinStayOnTheirRow)
{
    const auto lines = groupIntoLines({
        word("T-102", 50.7, 151.15, 75.0, 161.76),
        word("碧螺春", 172.7, 143.21, 201.2, 167.90),
        word("龙井", 172.7, 119.96, 191.7, 144.65),
        word("T-101", 50.7, 127.90, 75.0, 138.51),
        word("Longjing", 94.7, 127.90, 130.6, 138.51),
    });
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(texts(lines[0]), QStringList({"T-101", "Longjing", "龙井"}));
    EXPECT_EQ(texts(lines[1]), QStringList({"T-102", "碧螺春"}));
    EXPECT_DOUBLE_EQ(lines[0].top, 119.96);
    EXPECT_DOUBLE_EQ(lines[0].bottom, 144.65);
    EXPECT_DOUBLE_EQ(lines[1].top, 143.21);
    EXPECT_DOUBLE_EQ(lines[1].bottom, 167.90);
}

TEST(TextLines, SizesAndTouchingNeighbours)
{
    // 10 pt and 20 pt words on baseline 100; the next 10 pt line's box touches the first.
    const auto lines = groupIntoLines({
        word("Total", 72, 90.5, 100, 102.4),
        word("1,250.00", 300, 81, 390, 104.7),
        word("Tax", 72, 102.4, 90, 114.3),
        word("12.00", 300, 102.4, 330, 114.3),
    });
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(texts(lines[0]), QStringList({"Total", "1,250.00"}));
    EXPECT_EQ(texts(lines[1]), QStringList({"Tax", "12.00"}));
    EXPECT_DOUBLE_EQ(lines[0].top, 81);
    EXPECT_DOUBLE_EQ(lines[0].bottom, 104.7);
}

TEST(TextLines, TallVerticalWordDoesNotJoinTheRowsItCrosses)
{
    const auto lines = groupIntoLines({
        word("a", 72, 100, 80, 112),
        word("b", 72, 112, 80, 124),
        word("c", 72, 124, 80, 136),
        word("SIDEWAYS", 20, 90, 32, 150),
    });
    ASSERT_EQ(lines.size(), 4u);
    for (const TextLine& line : lines)
        EXPECT_EQ(line.words.size(), 1u) << line.words.front().text.toStdString();
}

TEST(TextLines, EmptyPageHasNoLines)
{
    EXPECT_TRUE(groupIntoLines({}).empty());
}

TEST(PageTextHtml, OneSpanPerWordInWholePixelsWithItsLinesBand)
{
    TextLine line{72, 84, {word("Total", 54, 73, 81, 84), word("a<b", 90, 72, 99.4, 83)}};
    TextLine offPage{20, 30, {word("gone", 700, 20, 720, 30)}};
    TextLine clipped{-3, 9, {word("edge", -6, -3, 12, 9)}};
    const QByteArray html = PageTextHtml::write({clipped, line, offPage}, 4.0 / 3, QSize(816, 1056));
    EXPECT_EQ(html.toStdString(), "<span style=\"left:0;top:0;width:16;height:12\">edge</span>\n"
                                  "<span style=\"left:72;top:96;width:36;height:16\">Total</span>\n"
                                  "<span style=\"left:120;top:96;width:13;height:16\">a&lt;b</span>\n");
    EXPECT_TRUE(PageTextHtml::write({}, 4.0 / 3, QSize(816, 1056)).isEmpty());
}

TEST(PageRaster, ScreenResolutionWithAPixelCapPerPage)
{
    const PageRaster letter = PageRaster::forPage(QSizeF(612, 792));
    EXPECT_DOUBLE_EQ(letter.dpi(), 96);
    EXPECT_EQ(letter.imageSize, QSize(816, 1056));

    // A 200 × 200 inch page would need 368 megapixels at 96 dpi.
    const PageRaster huge = PageRaster::forPage(QSizeF(14400, 14400));
    const qint64 pixels = qint64(huge.imageSize.width()) * huge.imageSize.height();
    EXPECT_LE(pixels, PageRaster::kMaxPixels);
    EXPECT_GE(pixels, PageRaster::kMaxPixels * 99 / 100);
    EXPECT_EQ(huge.imageSize.width(), huge.imageSize.height());
    EXPECT_NEAR(huge.pixelsPerPoint * 14400, huge.imageSize.width(), 1);

    // A long strip is capped by its side, and no side shrinks below one pixel.
    const PageRaster strip = PageRaster::forPage(QSizeF(1e6, 2));
    EXPECT_LE(strip.imageSize.width(), PageRaster::kMaxSide);
    EXPECT_EQ(strip.imageSize.height(), 1);
    EXPECT_EQ(PageRaster::forPage(QSizeF(0, 0)).imageSize, QSize(1, 1));
}
