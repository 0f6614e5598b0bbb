#include "app/resulttable.h"
#include "apptestsupport.h"
#include "canvas/labeldraw.h"
#include "extraction/zoommapping.h"

#include <QApplication>
#include <QClipboard>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

namespace {

// The three-page document loaded; tables drawn with the mouse in PDF points.
class ResultTableTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        w.open(testDocuments().threePages);
        ASSERT_EQ(main.pageCount, 3);
        ASSERT_GT(w.pixelsPerPoint(), 0);
    }

    double toCanvas(double points) const { return points * w.pixelsPerPoint() * main.zoomFactor; }
    QRectF canvasRect(double left, double top, double right, double bottom) const
    {
        return QRectF(QPointF(toCanvas(left), toCanvas(top)), QPointF(toCanvas(right), toCanvas(bottom)));
    }

    // A table around the word grid: its rows, and a line between each two of its columns.
    void drawGridTable(double left = 60)
    {
        const QRectF rect = canvasRect(left, 130, 432, 240);
        CanvasMouse::drawTable(main.canvas(), rect);
        w.click("pushButton_drawline");
        for (double x : kColumnLines)
            CanvasMouse::pullLine(main.canvas(), rect, toCanvas(x));
        w.click("pushButton_drawrect");
    }

    static QStringList gridRows(int page, int rows)
    {
        QStringList out;
        for (int r = 1; r <= rows; ++r)
            out.append(QStringLiteral("p%1r%2c1 |p%1r%2c2 |p%1r%2c3 ").arg(page).arg(r));
        return out;
    }
    static QString gridText(int page, int rows)
    {
        QString text;
        for (int r = 1; r <= rows; ++r)
            text += QStringLiteral("\"p%1r%2c1 \",\"p%1r%2c2 \",\"p%1r%2c3 \"\n").arg(page).arg(r);
        return text;
    }

    void showPage(int page) { w.child<QSpinBox>("spinBox_pagenumber")->setValue(page); }
    QTableWidget* table() const { return w.child<QTableWidget>("tableWidget_rule"); }

    static constexpr double kColumnLines[] = {180, 320};
    TestWindow w;
    ExcelMain& main = *w.window;
};

TEST_F(ResultTableTest, DrawnTableShowsItsGridAndStoresItInPagePixels)
{
    w.click("pushButton_zoomout"); // zoom 1.25
    drawGridTable();
    EXPECT_EQ(w.resultRows(), gridRows(1, 3));
    EXPECT_EQ(table()->columnCount(), 3);
    EXPECT_EQ(main.store.pageOutputs[0], gridText(1, 3));
    EXPECT_EQ(main.store.pageGrids[0].rows, 3);

    const ZoomMapping mapping(main.zoomFactor);
    EXPECT_EQ(main.store.pageRects[0], mapping.rectToPage(main.canvas()->getRect()));
    const QVector<QRectF> lines = main.store.pageLines[0];
    ASSERT_EQ(lines.size(), 2);
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(lines[i], mapping.lineToPage(main.canvas()->getLines()[i]));
        EXPECT_EQ(lines[i].x(), std::trunc(lines[i].x()));
    }
    // Other pages are untouched until they are shown or reached by Apply to All.
    EXPECT_EQ(main.store.pageOutputs[1], "");

    // A table over an empty part of the page: no rows, lines + 1 columns.
    w.click("pushButton_del_rect");
    const QRectF empty = canvasRect(300, 500, 500, 600);
    CanvasMouse::drawTable(main.canvas(), empty);
    w.click("pushButton_drawline");
    CanvasMouse::pullLine(main.canvas(), empty, toCanvas(350));
    CanvasMouse::pullLine(main.canvas(), empty, toCanvas(420));
    EXPECT_EQ(table()->rowCount(), 0);
    EXPECT_EQ(table()->columnCount(), 3);
    EXPECT_EQ(main.store.pageOutputs[0], "");
    EXPECT_EQ(main.store.pageLines[0].size(), 2);
}

TEST_F(ResultTableTest, ApplyToAllAndNavigationKeepEachPagesTable)
{
    drawGridTable();
    // Apply to All stores every page and leaves the result table as it is.
    table()->item(0, 0)->setText("marker");
    w.click("pushButton");
    EXPECT_EQ(table()->item(0, 0)->text(), "marker");
    for (int p = 1; p <= 3; ++p) {
        EXPECT_EQ(main.store.pageOutputs[p - 1], gridText(p, kThreePageRows[p - 1])) << p;
        EXPECT_EQ(main.store.pageRects[p - 1], main.store.pageRects[0]) << p;
        EXPECT_EQ(main.store.pageLines[p - 1], main.store.pageLines[0]) << p;
    }

    // Each page shows its own grid under the same table.
    const QRectF drawn = main.canvas()->getRect();
    showPage(3);
    EXPECT_EQ(w.resultRows(), gridRows(3, 4));
    EXPECT_EQ(main.canvas()->getRect(), ZoomMapping(main.zoomFactor).rectToCanvas(main.store.pageRects[2]));

    // Removing the table on page 2 clears page 2 only; rows go, columns stay.
    showPage(2);
    EXPECT_EQ(w.resultRows(), gridRows(2, 2));
    w.click("pushButton_del_rect");
    EXPECT_EQ(table()->rowCount(), 0);
    EXPECT_EQ(table()->columnCount(), 3);
    EXPECT_EQ(main.store.pageOutputs[1], "");
    EXPECT_EQ(main.store.pageRects[1], QRectF());
    EXPECT_EQ(main.store.pageLines[1], QVector<QRectF>{QRectF()});
    // Apply to All without a table resets the shown page only, not page 1.
    w.click("pushButton");
    EXPECT_EQ(main.store.pageOutputs[0], gridText(1, 3));
    EXPECT_EQ(main.store.pageOutputs[2], gridText(3, 4));

    // Back on page 1 its table and grid return; page 2 stays without.
    showPage(1);
    EXPECT_EQ(main.canvas()->getRect(), drawn);
    EXPECT_EQ(main.canvas()->getLines().size(), 2);
    EXPECT_EQ(w.resultRows(), gridRows(1, 3));
    showPage(2);
    EXPECT_EQ(main.canvas()->getRect(), QRectF());
    EXPECT_EQ(table()->rowCount(), 0);

    // On page 1 a removal clears page 1, and Apply to All without a table changes nothing else.
    showPage(1);
    w.click("pushButton_del_rect");
    w.click("pushButton");
    EXPECT_EQ(main.store.pageOutputs[0], "");
    EXPECT_EQ(main.store.pageOutputs[2], gridText(3, 4));
}

TEST_F(ResultTableTest, StoredLinesStayPutOverPageVisitsAtAnyZoom)
{
    for (const char* zoomButton : {"pushButton_zoomout", "pushButton_zoomin", "pushButton_zoomin"}) {
        w.click(zoomButton); // 1.25, then 1.0, then 0.8
        showPage(1);
        main.canvas()->drawrect();
        drawGridTable();
        w.click("pushButton");
        // Only a line's x places columns; that is what must not move.
        auto storedColumns = [&] {
            QVector<double> xs;
            for (const QRectF& line : main.store.pageLines[0])
                xs.append(line.x());
            return xs;
        };
        const QVector<double> stored = storedColumns();
        ASSERT_EQ(stored.size(), 2);
        for (int visit = 0; visit < 10; ++visit) {
            showPage(2);
            showPage(1);
        }
        EXPECT_EQ(storedColumns(), stored) << "zoom " << main.zoomFactor;
        EXPECT_EQ(w.resultRows(), gridRows(1, 3)) << "zoom " << main.zoomFactor;
    }
}

TEST_F(ResultTableTest, TableAgainstTheLeftEdgeIsKeptOnTheNextVisit)
{
    drawGridTable(0);
    ASSERT_EQ(main.canvas()->getRect().x(), 0);
    showPage(2);
    showPage(1);
    EXPECT_EQ(main.canvas()->getRect().x(), 0);
    EXPECT_GT(main.canvas()->getRect().width(), 0);
    EXPECT_EQ(w.resultRows(), gridRows(1, 3));
}

TEST_F(ResultTableTest, SecondDocumentOpenedOnPageOneGetsTheTableStillShown)
{
    drawGridTable();
    ASSERT_EQ(w.child<QSpinBox>("spinBox_pagenumber")->value(), 1);
    w.open(testDocuments().onePage);
    // No page switch ran, so the canvas kept its table; page 1 is extracted with it.
    EXPECT_EQ(main.canvas()->getLines().size(), 2);
    EXPECT_EQ(w.resultRows(), gridRows(7, 2));
    EXPECT_EQ(main.store.pageOutputs[0], gridText(7, 2));
}

TEST(TabSeparatedText, SpreadsheetsPasteItAsTheSelectedCells)
{
    const struct {
        QVector<CopiedCell> cells;
        QString text;
    } cases[] = {
        {{}, ""},
        {{{4, 2, "a"}}, "a"},
        {{{0, 0, "a"}, {0, 1, "b"}, {1, 0, "c"}, {1, 1, "d"}}, "a\tb\nc\td"},
        // In any order; cells of the rectangle not given stay empty.
        {{{3, 3, "y"}, {2, 1, "x"}}, "x\t\t\n\t\ty"},
        {{{0, 0, ""}, {0, 1, ""}}, "\t"},
        // Tabs, quotes and line breaks are quoted; commas, spaces and a lone "=" are not.
        {{{0, 0, "b\tc"}, {0, 1, "say \"hi\""}, {0, 2, "one\ntwo"}, {0, 3, "cr\r"}},
         "\"b\tc\"\t\"say \"\"hi\"\"\"\t\"one\ntwo\"\t\"cr\r\""},
        {{{0, 0, "1,5 "}, {1, 0, " = x"}}, "1,5 \n = x"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(tabSeparatedText(c.cells), c.text) << qPrintable(c.text);
}

TEST_F(ResultTableTest, SelectedCellsAreCopiedAsTabSeparatedTextWithTheirPageAbove)
{
    drawGridTable();
    auto* label = w.child<QLabel>("label_gridpage");
    EXPECT_TRUE(label->isVisible());
    EXPECT_EQ(label->text(), "Page 1");
    EXPECT_TRUE(table()->verticalHeader()->isVisible());
    EXPECT_EQ(table()->model()->headerData(2, Qt::Vertical).toString(), "3");

    // From row 2's second cell to row 3's last, with the mouse; then Ctrl+C.
    QWidget* cells = table()->viewport();
    QTest::mouseClick(cells, Qt::LeftButton, {}, table()->visualItemRect(table()->item(1, 1)).center());
    QTest::mouseClick(cells, Qt::LeftButton, Qt::ShiftModifier,
                      table()->visualItemRect(table()->item(2, 2)).center());
    QApplication::clipboard()->clear();
    QTest::keyClick(table(), Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QApplication::clipboard()->text(), "p1r2c2 \tp1r2c3 \np1r3c2 \tp1r3c3 ");

    showPage(2);
    w.click("pushButton_del_rect");
    EXPECT_EQ(label->text(), "Page 2: no table");
}

TEST_F(ResultTableTest, OneLongCellLeavesTheOtherColumnsInView)
{
    QTemporaryDir folder;
    const QString pdf = folder.filePath("long.pdf");
    const QString longText = QString("Long").repeated(14);
    PdfPage page;
    page.words = {{72, 150, longText, 11}, {480, 150, "short", 11}};
    ASSERT_TRUE(writePdf(pdf, {page}));
    w.open(pdf);
    const QRectF rect = canvasRect(60, 130, 560, 170);
    CanvasMouse::drawTable(main.canvas(), rect);
    w.click("pushButton_drawline");
    CanvasMouse::pullLine(main.canvas(), rect, toCanvas(470));
    ASSERT_EQ(w.resultRows(), QStringList({longText + " |short "}));

    const QFontMetrics metrics(table()->font());
    // Wider than a column may grow: two fifths of the visible width.
    ASSERT_GT(metrics.horizontalAdvance(longText), table()->viewport()->width() * 2 / 5);
    EXPECT_LT(table()->columnWidth(0), metrics.horizontalAdvance(longText));
    EXPECT_EQ(table()->item(0, 0)->toolTip(), longText + " ");
    EXPECT_GT(table()->columnWidth(1), metrics.horizontalAdvance("short "));
    EXPECT_EQ(table()->item(0, 1)->toolTip(), "");
    EXPECT_LE(table()->columnViewportPosition(1) + table()->columnWidth(1), table()->viewport()->width());
}

} // namespace
