#include "canvas/labeldraw.h"
#include "canvas/tableedit.h"

#include <QApplication>
#include <QImage>
#include <QMouseEvent>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

#include <memory>

namespace {

using Lines = QVector<QRectF>;

// A shown canvas on a white page, driven by real mouse events.
class CanvasTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        canvas = std::make_unique<labeldraw>();
        QPalette palette = canvas->palette();
        palette.setBrush(QPalette::Window, Qt::white);
        canvas->setPalette(palette);
        canvas->resize(400, 300);
        canvas->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(canvas.get()));
        emitted = std::make_unique<QSignalSpy>(canvas.get(), &labeldraw::updateRecandLine);
    }

    void press(QPoint p, Qt::MouseButton b = Qt::LeftButton) { QTest::mousePress(canvas.get(), b, {}, p); }
    void release(QPoint p, Qt::MouseButton b = Qt::LeftButton)
    {
        QTest::mouseRelease(canvas.get(), b, {}, p);
    }

    // Moves are sent straight to the canvas so that hover moves (no button held) arrive
    // exactly like drag moves, with the buttons QTest believes are held.
    void move(QPoint p)
    {
        QMouseEvent event(QEvent::MouseMove, p, canvas->mapToGlobal(p), Qt::NoButton,
                          QApplication::mouseButtons() | held, Qt::NoModifier);
        QApplication::sendEvent(canvas.get(), &event);
    }

    void drag(QPoint from, std::initializer_list<QPoint> path)
    {
        move(from);
        press(from);
        held = Qt::LeftButton;
        for (QPoint p : path)
            move(p);
        held = Qt::NoButton;
        release(*(path.end() - 1));
    }

    // Hover, press and release in place, without any movement in between.
    void click(QPoint p)
    {
        move(p);
        press(p);
        release(p);
    }

    // A table installed the way a page change does it, then committed by a click.
    void installTable(const QRectF& rect, const Lines& lines)
    {
        canvas->drawMode = 1;
        canvas->hasRect = false;
        canvas->setRectAndLines(rect, lines);
        press(rect.center().toPoint());
        release(rect.center().toPoint());
        ASSERT_TRUE(canvas->hasRect);
        emitted->clear();
    }

    Qt::CursorShape cursorAt(QPoint p)
    {
        move(p);
        return canvas->cursor().shape();
    }

    static QRectF line(double x) { return QRectF(x, 100, 0, 100); }

    std::unique_ptr<labeldraw> canvas;
    std::unique_ptr<QSignalSpy> emitted;
    Qt::MouseButtons held = Qt::NoButton;
    const QRectF table{100, 100, 200, 100};
};

TEST_F(CanvasTest, DrawingCommitsARectangleLargerThanFivePixels)
{
    canvas->drawrect();
    drag({250, 140}, {{150, 120}, {50, 40}});
    // Drawn from bottom-right to top-left: normalized.
    EXPECT_EQ(canvas->getRect(), QRectF(50, 40, 200, 100));
    EXPECT_TRUE(canvas->hasRect);
    EXPECT_EQ(emitted->count(), 1);
    EXPECT_EQ(canvas->cursor().shape(), Qt::ArrowCursor); // the cross is gone after the release
}

TEST_F(CanvasTest, SmallDrawingsAndClicksCommitNothing)
{
    canvas->drawrect();
    drag({50, 50}, {{55, 55}});
    EXPECT_EQ(canvas->getRect(), QRectF(50, 50, 5, 5)); // shown and reported …
    EXPECT_FALSE(canvas->hasRect);                      // … but not a table to edit
    // Thin but long is enough.
    drag({50, 50}, {{51, 80}});
    EXPECT_TRUE(canvas->hasRect);

    auto fresh = std::make_unique<labeldraw>();
    fresh->drawrect();
    QSignalSpy spy(fresh.get(), &labeldraw::updateRecandLine);
    QTest::mouseClick(fresh.get(), Qt::LeftButton, {}, {30, 30});
    EXPECT_FALSE(fresh->hasRect);
    EXPECT_EQ(fresh->getRect(), QRectF());
    EXPECT_EQ(spy.count(), 1);

    // The commit rule compares in single precision: 5.0000001 is 5 there.
    EXPECT_FALSE(TableEdit::isLargeEnoughToCommit(QRectF(0, 0, 5.0000001, 5.0000001)));
    EXPECT_TRUE(TableEdit::isLargeEnoughToCommit(QRectF(0, 0, 5.001, 0)));
    const QRectF drawn = TableEdit::normalizedDrag({0.1, 10}, {-0.05, -4});
    EXPECT_EQ(drawn.x(), double(0.1f - 0.05f));
    EXPECT_EQ(drawn.width(), double(0.05f));
    EXPECT_EQ(drawn.y(), 6);
    EXPECT_EQ(drawn.height(), 4);
}

TEST_F(CanvasTest, OnlyTheTableToolStartsARectangleWithoutATable)
{
    for (int mode : {0, 2}) {
        canvas->drawMode = mode;
        drag({50, 50}, {{200, 200}});
        EXPECT_EQ(canvas->getRect(), QRectF()) << "mode " << mode;
    }
}

TEST_F(CanvasTest, RestoredTableIsNotEditableUntilAClickCommitsIt)
{
    canvas->drawMode = 1;
    canvas->setRectAndLines(table, {line(150)});
    EXPECT_FALSE(canvas->hasRect);

    // In the line tool nothing reacts: the table neither moves nor gets a line.
    canvas->drawline();
    drag({200, 150}, {{220, 170}});
    drag({180, 100}, {{180, 130}});
    EXPECT_EQ(canvas->getRect(), table);
    EXPECT_EQ(canvas->getLines(), Lines{line(150)});

    // In the table tool a drag replaces the table and drops its lines …
    canvas->drawrect();
    drag({20, 20}, {{60, 60}});
    EXPECT_EQ(canvas->getRect(), QRectF(20, 20, 40, 40));
    EXPECT_TRUE(canvas->getLines().isEmpty());

    // … and a click without movement commits the restored table as it is.
    canvas->hasRect = false;
    canvas->setRectAndLines(table, {line(150)});
    press({200, 150});
    release({200, 150});
    EXPECT_TRUE(canvas->hasRect);
    EXPECT_EQ(canvas->getRect(), table);
    drag({200, 150}, {{210, 160}});
    EXPECT_EQ(canvas->getRect(), table.translated(10, 10));
    EXPECT_EQ(canvas->getLines(), Lines{line(160).translated(0, 10)});
}

TEST_F(CanvasTest, HoverZonesShowTheirCursors)
{
    installTable(table, {line(150)});
    EXPECT_EQ(cursorAt({170, 103}), Qt::CrossCursor);     // top band, between the corner handles
    EXPECT_EQ(cursorAt({130, 197}), Qt::CrossCursor);     // bottom band
    EXPECT_EQ(cursorAt({152, 150}), Qt::SplitHCursor);    // within 2 px of the line
    EXPECT_EQ(cursorAt({153, 150}), Qt::SizeAllCursor);   // inside
    EXPECT_EQ(cursorAt({350, 150}), Qt::ArrowCursor);     // elsewhere
    EXPECT_EQ(cursorAt({305, 205}), Qt::SizeFDiagCursor); // handle edges are included
}

struct HandleCase {
    int handle;
    QPoint anchor;
    QPoint to;
    Qt::CursorShape cursor;
    QRectF rect;
    Lines lines;
};

TEST_F(CanvasTest, EachHandleResizesAndCarriesTheLines)
{
    auto lineAt = [](double x, double y, double h) { return QRectF(x, y, 0, h); };
    const HandleCase cases[] = {
        // Corners keep each line's fraction of the width and stretch it with the edge.
        {0,
         {100, 100},
         {90, 80},
         Qt::SizeFDiagCursor,
         {90, 80, 210, 120},
         {lineAt(142.5, 80, 120), lineAt(247.5, 80, 120)}},
        {2,
         {300, 100},
         {340, 110},
         Qt::SizeBDiagCursor,
         {100, 110, 240, 90},
         {lineAt(160, 110, 90), lineAt(280, 110, 90)}},
        {5,
         {100, 200},
         {80, 220},
         Qt::SizeBDiagCursor,
         {80, 100, 220, 120},
         {lineAt(135, 100, 120), lineAt(245, 100, 120)}},
        {7,
         {300, 200},
         {320, 190},
         Qt::SizeFDiagCursor,
         {100, 100, 220, 90},
         {lineAt(155, 100, 90), lineAt(265, 100, 90)}},
        // Top and bottom middles only stretch the lines.
        {1,
         {200, 100},
         {230, 90},
         Qt::SizeVerCursor,
         {100, 90, 200, 110},
         {lineAt(150, 90, 110), lineAt(250, 90, 110)}},
        {6,
         {200, 200},
         {170, 230},
         Qt::SizeVerCursor,
         {100, 100, 200, 130},
         {lineAt(150, 100, 130), lineAt(250, 100, 130)}},
        // Side handles leave the lines alone.
        {3, {100, 150}, {120, 170}, Qt::SizeHorCursor, {120, 100, 180, 100}, {line(150), line(250)}},
        {4, {300, 150}, {280, 130}, Qt::SizeHorCursor, {100, 100, 180, 100}, {line(150), line(250)}},
    };
    for (const HandleCase& c : cases) {
        SetUp();
        installTable(table, {line(150), line(250)});
        EXPECT_EQ(cursorAt(c.anchor), c.cursor) << "handle " << c.handle;
        // Two steps: the second must start where the first ended.
        const QPoint half = c.anchor + (c.to - c.anchor) / 2;
        drag(c.anchor, {half, c.to});
        EXPECT_EQ(canvas->getRect(), c.rect) << "handle " << c.handle;
        EXPECT_EQ(canvas->getLines(), c.lines) << "handle " << c.handle;
        EXPECT_EQ(emitted->count(), 1);
    }
}

TEST_F(CanvasTest, CornerResizeOfATableWithoutWidthKeepsTheLines)
{
    installTable(QRectF(100, 100, 0, 100), {line(100)});
    drag({100, 100}, {{90, 100}});
    EXPECT_EQ(canvas->getRect(), QRectF(90, 100, 10, 100));
    EXPECT_EQ(canvas->getLines(), Lines{line(100)});
}

TEST_F(CanvasTest, SideHandlesStayFivePixelsFromLinesAndCatchUp)
{
    installTable(table, {line(150), line(250)});
    move({100, 150});
    press({100, 150});
    held = Qt::LeftButton;
    move({147, 150}); // overshoots the line's 5 px clearance: refused
    move({146, 150});
    EXPECT_EQ(canvas->getRect(), table);
    move({145, 150}); // back in range: the edge makes up the whole distance
    EXPECT_EQ(canvas->getRect(), QRectF(145, 100, 155, 100));
    held = Qt::NoButton;
    release({145, 150});

    move({300, 150});
    press({300, 150});
    held = Qt::LeftButton;
    move({254, 150});
    EXPECT_EQ(canvas->getRect(), QRectF(145, 100, 155, 100));
    move({255, 150});
    EXPECT_EQ(canvas->getRect(), QRectF(145, 100, 110, 100));
    held = Qt::NoButton;
    release({255, 150});
    EXPECT_EQ(canvas->getLines(), (Lines{line(150), line(250)}));
}

TEST_F(CanvasTest, NewLinesComeFromTheTopBandPulledDown)
{
    installTable(table, {});
    canvas->drawline();
    drag({180, 100}, {{185, 110}, {230, 125}});
    EXPECT_EQ(canvas->getLines(), Lines{line(180)}); // at the press x, whole table height
    EXPECT_EQ(emitted->count(), 1);

    drag({220, 100}, {{225, 110}, {225, 105}}); // last movement upwards
    click({240, 100});                          // no movement at all
    EXPECT_EQ(canvas->getLines(), Lines{line(180)});

    // In the table tool a press in the band does not start a line.
    canvas->drawrect();
    drag({260, 102}, {{260, 112}});
    EXPECT_EQ(canvas->getLines(), Lines{line(180).translated(0, 10)});
}

TEST_F(CanvasTest, NewLinesComeFromTheBottomBandPulledUp)
{
    installTable(table, {});
    canvas->drawline();
    drag({170, 200}, {{172, 180}, {140, 150}});
    EXPECT_EQ(canvas->getLines(), Lines{line(170)});

    drag({210, 200}, {{210, 180}, {210, 190}}); // last movement downwards
    EXPECT_EQ(canvas->getLines(), Lines{line(170)});
}

TEST_F(CanvasTest, DraggedLineKeepsClearOfEdgesAndReferenceLine)
{
    installTable(table, {line(150), line(250)});
    move({150, 150});
    press({150, 150});
    EXPECT_EQ(canvas->selectedLine(), 1);
    held = Qt::LeftButton;
    move({120, 150});
    EXPECT_EQ(canvas->getLines()[0].x(), 120);
    move({101, 150}); // closer than 2 px to the left edge: refused
    EXPECT_EQ(canvas->getLines()[0].x(), 120);
    move({102, 150});
    EXPECT_EQ(canvas->getLines()[0].x(), 102);
    // The second line is the reference of the first: 1 px clearance.
    move({250, 150});
    EXPECT_EQ(canvas->getLines()[0].x(), 102);
    move({249, 150});
    EXPECT_EQ(canvas->getLines()[0].x(), 249);
    move({299, 150}); // closer than 2 px to the right edge
    EXPECT_EQ(canvas->getLines()[0].x(), 249);
    move({298, 150});
    EXPECT_EQ(canvas->getLines()[0].x(), 298);
    held = Qt::NoButton;
    release({298, 150});
    EXPECT_EQ(emitted->count(), 1);
    EXPECT_EQ(canvas->getLines()[0], line(298));

    // Any other line's reference is the first line.
    drag({250, 150}, {{200, 150}, {298, 150}});
    EXPECT_EQ(canvas->selectedLine(), 2);
    EXPECT_EQ(canvas->getLines()[1].x(), 200);
}

TEST_F(CanvasTest, DeletingTheSelectedLine)
{
    installTable(table, {line(150), line(250), line(280)});
    canvas->delline(); // nothing selected
    EXPECT_EQ(canvas->getLines().size(), 3);
    EXPECT_EQ(emitted->count(), 0);

    click({250, 150});
    ASSERT_EQ(canvas->selectedLine(), 2);
    emitted->clear();
    canvas->delline();
    EXPECT_EQ(canvas->getLines(), (Lines{line(150), line(280)}));
    EXPECT_EQ(canvas->selectedLine(), 0);
    EXPECT_EQ(emitted->count(), 1);

    // A press elsewhere drops the selection.
    click({280, 150});
    click({200, 150});
    EXPECT_EQ(canvas->selectedLine(), 0);

    // The selection survives a page change; beyond the new page's lines it removes nothing.
    click({280, 150});
    ASSERT_EQ(canvas->selectedLine(), 2);
    canvas->setRectAndLines(table, {line(120)});
    emitted->clear();
    canvas->delline();
    EXPECT_EQ(canvas->getLines(), Lines{line(120)});
    EXPECT_EQ(canvas->selectedLine(), 0);
    EXPECT_EQ(emitted->count(), 0);
}

TEST_F(CanvasTest, DeletingTheTableClearsEverythingAtOnce)
{
    installTable(table, {line(150)});
    canvas->drawline();
    canvas->delrec();
    // Right away, before any paint.
    EXPECT_EQ(canvas->getRect(), QRectF());
    EXPECT_TRUE(canvas->getLines().isEmpty());
    EXPECT_TRUE(canvas->isCleared());
    EXPECT_FALSE(canvas->hasRect);
    EXPECT_EQ(canvas->drawMode, 1);
    EXPECT_EQ(emitted->count(), 1);

    // The next press starts a new table and leaves the cleared state.
    drag({20, 20}, {{80, 90}});
    EXPECT_FALSE(canvas->isCleared());
    EXPECT_TRUE(canvas->hasRect);
    EXPECT_EQ(canvas->getRect(), QRectF(20, 20, 60, 70));

    canvas->delrec();
    canvas->setRectAndLines(table, {line(150)});
    EXPECT_FALSE(canvas->isCleared());
    EXPECT_EQ(canvas->getLines(), Lines{line(150)});
}

TEST_F(CanvasTest, AnyButtonReleaseEndsADragAndEmits)
{
    installTable(table, {});
    move({200, 150});
    press({200, 150});
    held = Qt::LeftButton;
    move({210, 150});
    EXPECT_EQ(canvas->getRect(), table.translated(10, 0));
    release({210, 150}, Qt::RightButton);
    EXPECT_EQ(emitted->count(), 1);
    move({250, 150});
    EXPECT_EQ(canvas->getRect(), table.translated(10, 0));
    held = Qt::NoButton;
    release({250, 150});
}

TEST_F(CanvasTest, ZoomScalesTableAndLinesWithoutSignal)
{
    installTable(QRectF(10, 20, 100, 50), {QRectF(40, 20, 0, 50)});
    canvas->zoomin();
    EXPECT_EQ(canvas->getRect(), QRectF(12.5, 25, 125, 62.5));
    EXPECT_EQ(canvas->getLines(), Lines{QRectF(50, 25, 0, 62.5)});
    // Handles follow the scaled table.
    EXPECT_EQ(cursorAt({137, 87}), Qt::SizeFDiagCursor);
    canvas->zoomout();
    const QRectF back = canvas->getRect();
    EXPECT_DOUBLE_EQ(back.x(), 10);
    EXPECT_DOUBLE_EQ(back.width(), 100);
    EXPECT_DOUBLE_EQ(back.height(), 50);
    EXPECT_DOUBLE_EQ(canvas->getLines()[0].x(), 40);
    EXPECT_EQ(emitted->count(), 0);
}

TEST_F(CanvasTest, PaintsTheOutlineInRedInsideTheRectangle)
{
    installTable(QRectF(50, 40, 200, 100), {QRectF(120, 40, 0, 100)});
    const QImage image = canvas->grab().toImage();
    const QColor red(255, 0, 0);
    EXPECT_EQ(image.pixelColor(80, 40), red);  // top edge
    EXPECT_EQ(image.pixelColor(50, 70), red);  // left edge
    EXPECT_EQ(image.pixelColor(249, 70), red); // right edge, one pixel in
    EXPECT_EQ(image.pixelColor(250, 70), QColor(Qt::white));
    EXPECT_EQ(image.pixelColor(150, 70), QColor(Qt::white));
    EXPECT_EQ(image.pixelColor(120, 70), red); // the line
}

} // namespace
