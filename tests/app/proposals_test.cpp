// "Guess columns" and "Find table" in the window, on a generated document through the real
// converter: each puts geometry on the page shown and the result table follows; each is
// disabled where it has nothing to work on.
#include "app/geometryhistory.h"
#include "apptestsupport.h"
#include "canvas/labeldraw.h"
#include "extraction/zoommapping.h"

#include <QAction>
#include <QSpinBox>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QUndoStack>
#include <gtest/gtest.h>

namespace {

// Three columns of words "<prefix><row>c<column>" at x 72, 200 and 330 pt.
void addTable(PdfPage& page, const QString& prefix, int rows, double firstBaseline)
{
    for (int r = 1; r <= rows; ++r)
        for (int c = 1; c <= 3; ++c)
            page.words.append({72.0 + (c == 2   ? 128
                                       : c == 3 ? 258
                                                : 0),
                               firstBaseline + 20 * (r - 1),
                               QStringLiteral("%1%2c%3").arg(prefix).arg(r).arg(c), 11});
}

void addSentence(PdfPage& page, double baseline, const QString& text)
{
    page.words.append({72, baseline, text, 11});
}

QStringList tableRows(const QString& prefix, int rows)
{
    QStringList out;
    for (int r = 1; r <= rows; ++r)
        out.append(QStringLiteral("%1%2c1 |%1%2c2 |%1%2c3 ").arg(prefix).arg(r)); // cells end in a space
    return out;
}

QAction* action(const TestWindow& w, const char* name)
{
    QAction* a = w.window->findChild<QAction*>(name);
    EXPECT_NE(a, nullptr) << name;
    return a;
}

} // namespace

TEST(ProposalsInTheWindow, FindTableGuessColumnsAndApplyToAll)
{
    QTemporaryDir dir;
    // Page 1: table a (4 rows), a sentence, table b (5 rows). Page 2: a paragraph only.
    // Page 3: table c where table a is on page 1.
    PdfPage first, second, third;
    addTable(first, "a", 4, 150);
    addSentence(first, 300, "A sentence between the two tables of this page.");
    addTable(first, "b", 5, 400);
    for (int i = 0; i < 6; ++i)
        addSentence(second, 150 + 16 * i,
                    "Lines of a paragraph that is no table at all, line " + QString::number(i));
    addTable(third, "c", 3, 150);
    const QString pdf = dir.filePath("proposals.pdf");
    ASSERT_TRUE(writePdf(pdf, {first, second, third}));

    TestWindow w;
    QAction* find = action(w, "actionFindTable");
    QAction* guess = action(w, "actionGuessColumns");
    ASSERT_TRUE(find && guess);
    EXPECT_FALSE(find->isEnabled()) << "no document";
    EXPECT_FALSE(guess->isEnabled());
    EXPECT_FALSE(find->toolTip().isEmpty());
    EXPECT_FALSE(guess->icon().isNull());

    w.open(pdf);
    ASSERT_EQ(w.window->pageCount, 3);
    labeldraw* canvas = w.window->canvas();
    QStatusBar* status = w.window->statusBar();
    EXPECT_TRUE(find->isEnabled());
    EXPECT_FALSE(guess->isEnabled()) << "no table drawn on the page";

    // Find table: the first table, then the second, then the first again.
    find->trigger();
    EXPECT_EQ(w.resultRows(), tableRows("a", 4));
    EXPECT_EQ(canvas->getLines().size(), 2);
    EXPECT_TRUE(status->currentMessage().contains("1 of 2")) << status->currentMessage().toStdString();
    EXPECT_TRUE(guess->isEnabled());
    const QRectF firstRect = canvas->getRect();
    find->trigger();
    EXPECT_EQ(w.resultRows(), tableRows("b", 5));
    find->trigger();
    EXPECT_EQ(w.resultRows(), tableRows("a", 4));
    EXPECT_EQ(canvas->getRect(), firstRect);
    // Each proposal shown is one step of the history.
    w.window->geometryHistory()->undo();
    EXPECT_EQ(w.resultRows(), tableRows("b", 5));
    w.window->geometryHistory()->stack()->redo();
    EXPECT_EQ(w.resultRows(), tableRows("a", 4));

    // Guess columns on a rectangle drawn by hand around table b.
    w.click("pushButton_del_rect");
    EXPECT_FALSE(guess->isEnabled());
    const double s = w.pixelsPerPoint() * double(w.window->zoomFactor);
    const QRectF around(60 * s, 385 * s, 340 * s, 100 * s);
    w.click("pushButton_drawrect");
    CanvasMouse::drawTable(canvas, around);
    EXPECT_EQ(w.resultRows().size(), 5);
    EXPECT_EQ(w.resultRows().first(), "b1c1 b1c2 b1c3 ");
    ASSERT_TRUE(guess->isEnabled());
    guess->trigger();
    EXPECT_EQ(w.resultRows(), tableRows("b", 5));
    EXPECT_EQ(canvas->getLines().size(), 2);
    EXPECT_EQ(w.window->store.pageLines[0].size(), 2);

    // A page without a table: said so, nothing changes.
    w.child<QSpinBox>("spinBox_pagenumber")->setValue(2);
    EXPECT_FALSE(guess->isEnabled());
    find->trigger();
    EXPECT_TRUE(status->currentMessage().contains("No table found on page 2"))
        << status->currentMessage().toStdString();
    EXPECT_TRUE(isNoTable(canvas->getRect()));
    EXPECT_TRUE(isNoTable(w.window->store.pageRects[1]));
    EXPECT_TRUE(w.resultRows().isEmpty());

    // Found once on page 1, applied to every page: page 3's table is read with it.
    w.child<QSpinBox>("spinBox_pagenumber")->setValue(1);
    find->trigger();
    EXPECT_EQ(w.resultRows(), tableRows("a", 4));
    w.click("pushButton");
    EXPECT_EQ(w.window->store.pageRects[2], w.window->store.pageRects[0]);
    w.child<QSpinBox>("spinBox_pagenumber")->setValue(3);
    EXPECT_EQ(w.resultRows(), tableRows("c", 3));
}
