#include "extraction/pagestore.h"
#include "gridnotation.h"

#include <gtest/gtest.h>

namespace {

const QRectF kTable(100, 100, 200, 100);
const QVector<QRectF> kLines{QRectF(200, 100, 0, 100)};

// Three pages, each with one run on either side of x 200.
QVector<PageText> threePages()
{
    QVector<PageText> pages;
    for (int page = 1; page <= 3; ++page) {
        const QString p = QString::number(page);
        pages.append({2, runs("110 150 10 10 a" + p + "\n210 150 10 10 b" + p + "\n")});
    }
    return pages;
}

bool isEmptyEntry(const PageStore& store, int index)
{
    return store.pageOutputs[index].isEmpty() && store.pageRects[index] == QRectF() &&
           store.pageLines[index] == QVector<QRectF>{QRectF()} && store.pageGrids[index] == PageGrid();
}

} // namespace

TEST(PageStore, ResetGivesEveryPageAnEmptyEntry)
{
    PageStore store;
    store.reset(3);
    ASSERT_EQ(store.size(), 3);
    for (int i = 0; i < 3; ++i)
        EXPECT_TRUE(isEmptyEntry(store, i)) << i;
    EXPECT_EQ(store.pageLines[0].size(), 1);
    store.reset(0);
    EXPECT_EQ(store.size(), 0);
    EXPECT_FALSE(store.hasPage(0));
}

TEST(PageStore, UpdateStoresTheGridTextAndPageGeometry)
{
    const QVector<PageText> pages = threePages();
    PageStore store;
    store.reset(3);
    // At zoom 2 the canvas geometry is twice the page geometry.
    const PageGrid* shown =
        updatePage(store, pages, 1, QRectF(200, 200, 400, 200), {QRectF(400, 200, 0, 200)}, 2.0f);
    ASSERT_NE(shown, nullptr);
    EXPECT_EQ(describe(*shown), "1x2\n\"a2 \",\"b2 \"\n");
    EXPECT_EQ(store.pageOutputs[1], "\"a2 \",\"b2 \"\n");
    EXPECT_EQ(store.pageRects[1], kTable);
    EXPECT_EQ(store.pageLines[1], kLines);
    EXPECT_EQ(store.pageGrids[1], *shown);
    EXPECT_TRUE(isEmptyEntry(store, 0));
    EXPECT_TRUE(isEmptyEntry(store, 2));
}

TEST(PageStore, RunsOutsideTheTableGiveNoRows)
{
    PageStore store;
    store.reset(1);
    const QVector<PageText> pages{{1, runs("500 500 10 10 far\n")}};
    const PageGrid* shown = updatePage(store, pages, 0, kTable, kLines, 1.0f);
    ASSERT_NE(shown, nullptr);
    EXPECT_EQ(describe(*shown), "0x2\n");
    EXPECT_EQ(store.pageOutputs[0], "");
    EXPECT_EQ(store.pageRects[0], kTable); // the table itself is kept for the page
}

TEST(PageStore, NoTableClearsOnlyTheCurrentPage)
{
    const QVector<PageText> pages = threePages();
    PageStore store;
    store.reset(3);
    applyToAllPages(store, pages, 0, kTable, kLines, 1.0f);

    // Deleting the table on page 2 clears page 2 alone.
    EXPECT_EQ(updatePage(store, pages, 1, QRectF(), {}, 1.0f), nullptr);
    EXPECT_TRUE(isEmptyEntry(store, 1));
    EXPECT_EQ(store.pageOutputs[0], "\"a1 \",\"b1 \"\n");
    EXPECT_EQ(store.pageOutputs[2], "\"a3 \",\"b3 \"\n");

    // "Apply to All" without a table on page 3 clears page 3 and keeps page 1's table.
    applyToAllPages(store, pages, 2, QRectF(100, 100, 0, 50), {}, 1.0f);
    EXPECT_TRUE(isEmptyEntry(store, 2));
    EXPECT_EQ(store.pageOutputs[0], "\"a1 \",\"b1 \"\n");
    EXPECT_EQ(store.pageRects[0], kTable);

    // On page 1 it clears page 1.
    applyToAllPages(store, pages, 0, QRectF(), {}, 1.0f);
    EXPECT_TRUE(isEmptyEntry(store, 0));
}

TEST(PageStore, ApplyToAllBuildsEveryPagesOwnGrid)
{
    const QVector<PageText> pages = threePages();
    PageStore store;
    store.reset(3);
    // Drawn inside out: the normalized table is applied.
    applyToAllPages(store, pages, 1, QRectF(300, 200, -200, -100), kLines, 1.0f);
    for (int i = 0; i < 3; ++i) {
        const QString p = QString::number(i + 1);
        EXPECT_EQ(store.pageOutputs[i], "\"a" + p + " \",\"b" + p + " \"\n");
        EXPECT_EQ(store.pageRects[i], kTable);
        EXPECT_EQ(store.pageLines[i], kLines);
        EXPECT_EQ(store.pageGrids[i].rows, 1);
    }
}

TEST(PageStore, PagesWithoutEntriesAreLeftAlone)
{
    QVector<PageText> pages = threePages();
    pages.removeLast(); // page 3's text never arrived
    PageStore store;
    store.reset(3);
    EXPECT_EQ(updatePage(store, pages, 2, kTable, kLines, 1.0f), nullptr);
    EXPECT_EQ(updatePage(store, pages, -1, kTable, kLines, 1.0f), nullptr);
    EXPECT_EQ(updatePage(store, pages, 3, kTable, kLines, 1.0f), nullptr);
    EXPECT_TRUE(isEmptyEntry(store, 2));

    applyToAllPages(store, pages, 0, kTable, kLines, 1.0f);
    EXPECT_FALSE(store.pageOutputs[1].isEmpty());
    EXPECT_TRUE(isEmptyEntry(store, 2));

    // A store without entries (no document) stays empty whatever is pressed.
    PageStore none;
    EXPECT_EQ(updatePage(none, pages, 0, kTable, kLines, 1.0f), nullptr);
    applyToAllPages(none, pages, 0, kTable, kLines, 1.0f);
    applyToAllPages(none, pages, 0, QRectF(), {}, 1.0f);
    EXPECT_EQ(none.size(), 0);
    // The store and the texts out of step: clearing a page the texts lack does nothing either.
    const PageStore before = store;
    applyToAllPages(store, pages, 2, QRectF(), {}, 1.0f);
    store.clearPage(7);
    EXPECT_EQ(store.pageOutputs, before.pageOutputs);
    EXPECT_EQ(store.pageRects, before.pageRects);
    EXPECT_EQ(store.pageLines, before.pageLines);
    EXPECT_EQ(store.pageGrids, before.pageGrids);
}
