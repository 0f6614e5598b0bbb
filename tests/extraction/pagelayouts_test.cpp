#include "extraction/pagelayouts.h"

#include <gtest/gtest.h>

namespace {

// Two words per page at known page pixels, on pages of 816 × 1056 px for 612 × 792 pt.
QVector<PageText> twoColumnTexts(int pages)
{
    QVector<PageText> texts(pages);
    for (PageText& text : texts) {
        text.lineCount = 1;
        text.runs = {Subtext{110, 210, 40, 12, "left"}, Subtext{410, 210, 40, 12, "right"}};
    }
    return texts;
}

DocumentInfo letterPages(int pages)
{
    DocumentInfo info;
    info.pageCount = pages;
    for (int p = 1; p <= pages; ++p)
        info.pages.append({p, 612, 792, 816, 1056});
    return info;
}

// The store's page pixels through points and back give the same geometry and grids.
TEST(PageLayouts, StoreToLayoutAndBackBuildsTheSameGrids)
{
    const QVector<PageText> texts = twoColumnTexts(3);
    const DocumentInfo info = letterPages(3);
    PageStore drawn;
    drawn.reset(3);
    updatePage(drawn, texts, 0, QRectF(101, 199, 700, 101), {QRectF(301, 199, 0, 101)}, 1.0f);
    updatePage(drawn, texts, 2, QRectF(97, 203, 401, 37), {}, 1.0f);

    const auto layouts = storePageLayouts(drawn, info);
    ASSERT_EQ(layouts.size(), 3);
    ASSERT_TRUE(layouts[0]);
    EXPECT_FALSE(layouts[1]);
    EXPECT_DOUBLE_EQ(layouts[0]->geometry.left, 101 * 612.0 / 816);
    EXPECT_DOUBLE_EQ(layouts[0]->geometry.columns.value(0), 301 * 612.0 / 816);
    EXPECT_TRUE(pagesWithColumnsOutside(layouts).isEmpty());

    PageStore loaded;
    loaded.reset(3);
    updatePage(loaded, texts, 1, QRectF(1, 1, 50, 50), {}, 1.0f); // replaced by the layout
    applyPageLayouts(loaded, texts, layouts, info);
    EXPECT_EQ(loaded.pageRects, drawn.pageRects);
    EXPECT_EQ(loaded.pageLines, drawn.pageLines);
    EXPECT_EQ(loaded.pageGrids, drawn.pageGrids);
    EXPECT_EQ(loaded.pageGrids[0].columns, 2);
    EXPECT_EQ(loaded.pageGrids[1].rows, 0);
}

TEST(PageLayouts, ColumnsOutsideTheirTableAreFound)
{
    const TableGeometry inside{10, 20, 110, 220, {20, 220}};
    const TableGeometry outside{10, 20, 110, 220, {50, 230}};
    EXPECT_EQ(pagesWithColumnsOutside({PageLayout{inside}, std::nullopt, PageLayout{outside}}),
              QVector<int>{3});
}

} // namespace
