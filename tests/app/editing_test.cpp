// The window's keys and its undo history, driven by real key, wheel and mouse events on the
// three-page document.
#include "app/geometryhistory.h"
#include "apptestsupport.h"
#include "canvas/labeldraw.h"
#include "extraction/zoommapping.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QDir>
#include <QMouseEvent>
#include <QScrollArea>
#include <QScrollBar>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>
#include <QUndoStack>
#include <QWheelEvent>
#include <gtest/gtest.h>

#include <functional>

namespace {

// Every page's table and grid text, compared exactly.
struct DocumentState {
    QVector<QRectF> rects;
    QVector<QVector<QRectF>> lines;
    QVector<QString> outputs;

    static DocumentState of(const PageStore& store)
    {
        return {store.pageRects, store.pageLines, store.pageOutputs};
    }
    bool operator==(const DocumentState& other) const
    {
        return pagesWithChangedTables(toStore(), other.toStore()).isEmpty() && outputs == other.outputs;
    }
    PageStore toStore() const
    {
        PageStore store;
        store.reset(int(rects.size()));
        store.pageRects = rects;
        store.pageLines = lines;
        return store;
    }
};

std::ostream& operator<<(std::ostream& out, const DocumentState& state)
{
    for (int i = 0; i < state.rects.size(); ++i) {
        const QRectF& r = state.rects[i];
        out << "\n  page " << i + 1 << ": " << r.x() << ',' << r.y() << ' ' << r.width() << 'x' << r.height()
            << " lines";
        for (const QRectF& line : state.lines[i])
            out << ' ' << line.x();
        out << " rows " << state.outputs[i].count('\n');
    }
    return out;
}

// The three-page document in an active window, which window shortcuts need.
class EditingTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        w.open(testDocuments().threePages);
        ASSERT_EQ(main.pageCount, 3);
        ASSERT_GT(w.pixelsPerPoint(), 0);
        // The busy dialog had the focus while the document loaded.
        main.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&main));
    }

    double s() const { return w.pixelsPerPoint() * main.zoomFactor; }
    // A table around the word grid (PDF points 60 … 432 × 130 … 240), in canvas pixels.
    QRectF gridRect() const { return QRectF(QPointF(60 * s(), 130 * s()), QPointF(432 * s(), 240 * s())); }
    // The table tool's state after a page change, whatever the canvas held: a fresh table.
    void drawGridTable(const QVector<double>& columnLines = {})
    {
        const QRectF rect = gridRect();
        CanvasMouse::drawTable(canvas, rect);
        w.click("pushButton_drawline");
        for (double x : columnLines)
            CanvasMouse::pullLine(canvas, rect, x * s());
        w.click("pushButton_drawrect");
    }
    void key(QKeyCombination k) { QTest::keyClick(canvas, k.key(), k.keyboardModifiers()); }
    int page() const { return w.child<QSpinBox>("spinBox_pagenumber")->value(); }
    QUndoStack* stack() const { return main.geometryHistory()->stack(); }
    void mouse(QEvent::Type type, QPointF p)
    {
        const Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
        const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
        QMouseEvent event(type, p, canvas->mapToGlobal(p), button, held, Qt::NoModifier);
        QApplication::sendEvent(canvas, &event);
    }
    // Ctrl+wheel by `notches` over the viewport point `at`, sent to the canvas below it.
    void ctrlWheel(int notches, QPointF at)
    {
        const QPointF p = canvas->mapFrom(viewport(), at);
        QWheelEvent event(p, canvas->mapToGlobal(p), QPoint(), QPoint(0, 120 * notches), Qt::NoButton,
                          Qt::ControlModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(canvas, &event);
    }
    QWidget* viewport() const
    {
        return qobject_cast<QScrollArea*>(canvas->parentWidget()->parentWidget())->viewport();
    }
    QPoint scroll() const
    {
        auto* area = qobject_cast<QScrollArea*>(canvas->parentWidget()->parentWidget());
        return {area->horizontalScrollBar()->value(), area->verticalScrollBar()->value()};
    }

    OwnWorkingDirectory cwd;
    TestWindow w;
    ExcelMain& main = *w.window;
    labeldraw* canvas = main.canvas();
};

TEST_F(EditingTest, EveryShortcutDoesWhatItsButtonDoesAndTheToolTipsNameThem)
{
    const struct {
        const char* button;
        const char* toolTip;
    } tips[] = {
        {"pushButton_openfile", "Open (Ctrl+O)"},         {"pushButton_save", "Save (Ctrl+S)"},
        {"pushButton_up", "Previous page (PgUp)"},        {"pushButton_down", "Next page (PgDown)"},
        {"pushButton_zoomout", "Zoom in (Ctrl++)"},       {"pushButton_zoomin", "Zoom out (Ctrl+-)"},
        {"pushButton_del_line", "Remove selected lines"}, {"toolButton_undo", "Undo (Ctrl+Z)"},
        {"toolButton_redo", "Redo (Ctrl+Shift+Z)"},
    };
    for (const auto& tip : tips) {
        auto* button = w.child<QAbstractButton>(tip.button);
        ASSERT_NE(button, nullptr) << tip.button;
        EXPECT_EQ(button->toolTip(), tip.toolTip) << tip.button;
    }

    float zoom = 0;
    qsizetype count = 0;
    QRectF before;
    const auto selectedLineTable = [&] {
        w.click("pushButton_del_rect");
        drawGridTable({180});
        CanvasMouse::click(canvas, QPointF(180 * s(), gridRect().center().y()));
        ASSERT_EQ(canvas->selectedLine(), 1);
    };
    const auto lines = [&] { return canvas->getLines().size(); };
    const struct {
        const char* name;
        std::function<void()> prepare;
        QKeyCombination key;
        std::function<void()> check;
    } cases[] = {
        {"Ctrl+O asks for a PDF", [&] { count = w.dialogs->openStartPaths.size(); }, Qt::CTRL | Qt::Key_O,
         [&] { EXPECT_EQ(w.dialogs->openStartPaths.size(), count + 1); }},
        {"Ctrl+S asks for a file name", [&] { count = w.dialogs->saveStartPaths.size(); },
         Qt::CTRL | Qt::Key_S, [&] { EXPECT_EQ(w.dialogs->saveStartPaths.size(), count + 1); }},
        {"Page Down", {}, QKeyCombination(Qt::Key_PageDown), [&] { EXPECT_EQ(page(), 2); }},
        {"Alt+Right", {}, Qt::ALT | Qt::Key_Right, [&] { EXPECT_EQ(page(), 3); }},
        {"Page Down on the last page", {}, QKeyCombination(Qt::Key_PageDown), [&] { EXPECT_EQ(page(), 3); }},
        {"Page Up", {}, QKeyCombination(Qt::Key_PageUp), [&] { EXPECT_EQ(page(), 2); }},
        {"Alt+Left", {}, Qt::ALT | Qt::Key_Left, [&] { EXPECT_EQ(page(), 1); }},
        {"End", {}, QKeyCombination(Qt::Key_End), [&] { EXPECT_EQ(page(), 3); }},
        {"Home", {}, QKeyCombination(Qt::Key_Home), [&] { EXPECT_EQ(page(), 1); }},
        {"Ctrl++", [&] { zoom = main.zoomFactor; }, Qt::CTRL | Qt::Key_Plus,
         [&] { EXPECT_EQ(main.zoomFactor, zoom * 1.25f); }},
        {"Ctrl+=", [&] { zoom = main.zoomFactor; }, Qt::CTRL | Qt::Key_Equal,
         [&] { EXPECT_EQ(main.zoomFactor, zoom * 1.25f); }},
        {"Ctrl+-", [&] { zoom = main.zoomFactor; }, Qt::CTRL | Qt::Key_Minus,
         [&] { EXPECT_EQ(main.zoomFactor, zoom * 0.8f); }},
        {"Ctrl+0",
         {},
         Qt::CTRL | Qt::Key_0,
         [&] {
             EXPECT_EQ(main.zoomFactor, 1.0f);
             EXPECT_EQ(canvas->size(), QImage(main.currentPng).size());
         }},
        {"Delete", selectedLineTable, QKeyCombination(Qt::Key_Delete), [&] { EXPECT_EQ(lines(), 0); }},
        {"Backspace", selectedLineTable, QKeyCombination(Qt::Key_Backspace), [&] { EXPECT_EQ(lines(), 0); }},
        {"Ctrl+Z", {}, Qt::CTRL | Qt::Key_Z, [&] { EXPECT_EQ(lines(), 1); }},
        {"Ctrl+Shift+Z", {}, Qt::CTRL | Qt::SHIFT | Qt::Key_Z, [&] { EXPECT_EQ(lines(), 0); }},
        {"Ctrl+Y", [&] { key(Qt::CTRL | Qt::Key_Z); }, Qt::CTRL | Qt::Key_Y, [&] { EXPECT_EQ(lines(), 0); }},
        {"Escape during a drag",
         [&] {
             before = canvas->getRect();
             count = stack()->count();
             mouse(QEvent::MouseMove, gridRect().center());
             mouse(QEvent::MouseButtonPress, gridRect().center());
             mouse(QEvent::MouseMove, gridRect().center() + QPointF(30, 20));
             ASSERT_TRUE(canvas->isDragging());
         },
         QKeyCombination(Qt::Key_Escape),
         [&] {
             EXPECT_FALSE(canvas->isDragging());
             EXPECT_EQ(canvas->getRect(), before);
             mouse(QEvent::MouseMove, gridRect().center() + QPointF(40, 30));
             mouse(QEvent::MouseButtonRelease, gridRect().center() + QPointF(40, 30));
             EXPECT_EQ(canvas->getRect(), before);
             EXPECT_EQ(stack()->count(), count);
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.prepare)
            c.prepare();
        key(c.key);
        c.check();
    }
    EXPECT_EQ(main.pageCount, 3) << "Ctrl+O was cancelled and kept the document";
}

TEST_F(EditingTest, CtrlWheelZoomsAroundThePointer)
{
    // Scrolled into the page; zoomed in far enough that it overflows the view at every zoom
    // the notches reach.
    for (int i = 0; i < 3; ++i)
        key(Qt::CTRL | Qt::Key_Plus);
    auto* area = qobject_cast<QScrollArea*>(canvas->parentWidget()->parentWidget());
    area->horizontalScrollBar()->setValue(area->horizontalScrollBar()->maximum() / 2);
    area->verticalScrollBar()->setValue(area->verticalScrollBar()->maximum() / 2);
    ASSERT_GT(scroll().x(), 0);
    ASSERT_GT(scroll().y(), 0);
    const QPointF pointer(200, 150);
    // The page pixel under the pointer stays under it, to the rounding of the scroll position.
    for (int notches : {1, -1, -1}) {
        SCOPED_TRACE(notches);
        const float zoom = main.zoomFactor;
        const QPointF pagePoint = (QPointF(scroll()) + pointer) / zoom;
        ctrlWheel(notches, pointer);
        EXPECT_EQ(main.zoomFactor, notches > 0 ? zoom * 1.25f : zoom * 0.8f);
        const QPointF now = (QPointF(scroll()) + pointer) / main.zoomFactor;
        EXPECT_NEAR(now.x(), pagePoint.x(), 1.0);
        EXPECT_NEAR(now.y(), pagePoint.y(), 1.0);
    }
}

// Each edit is one step; undoing walks back through every page's exact tables and grids,
// showing each step on the page it was made on, and redo walks forward again.
TEST_F(EditingTest, UndoAndRedoReturnEveryPageAndTheResultTableToEachState)
{
    QVector<DocumentState> states = {DocumentState::of(main.store)};
    QVector<int> pages; // the page each step was made on, where undo and redo show it
    QStringList labels;
    const auto step = [&](const char* label, const std::function<void()>& edit) {
        edit();
        states.append(DocumentState::of(main.store));
        pages.append(page());
        labels.append(label);
        ASSERT_EQ(stack()->count(), states.size() - 1) << label;
        EXPECT_EQ(stack()->undoText(), label);
    };
    step("Draw table", [&] { CanvasMouse::drawTable(canvas, gridRect()); });
    step("Add column line", [&] {
        w.click("pushButton_drawline");
        CanvasMouse::pullLine(canvas, gridRect(), 180 * s());
        w.click("pushButton_drawrect");
    });
    step("Move column line", [&] {
        const double y = gridRect().center().y();
        CanvasMouse::click(canvas, {180 * s(), y}); // a click on it changes nothing
        mouse(QEvent::MouseMove, {180 * s(), y});
        mouse(QEvent::MouseButtonPress, {180 * s(), y});
        mouse(QEvent::MouseMove, {190 * s(), y});
        mouse(QEvent::MouseMove, {200 * s(), y});
        mouse(QEvent::MouseButtonRelease, {200 * s(), y});
    });
    step("Resize table", [&] {
        const QRectF r = canvas->getRect();
        CanvasMouse::drawTable(canvas, QRectF(r.bottomRight(), r.bottomRight() + QPointF(8, 6)));
    });
    step("Move table", [&] {
        const QPointF c = canvas->getRect().center();
        CanvasMouse::drawTable(canvas, QRectF(c, c + QPointF(-12, 4)));
    });
    step("Draw table", [&] {
        key(QKeyCombination(Qt::Key_PageDown));
        CanvasMouse::drawTable(canvas, gridRect());
    });
    step("Apply to All", [&] { w.click("pushButton"); });
    step("Remove table", [&] { w.click("pushButton_del_rect"); });
    ASSERT_EQ(labels.size(), 8);
    // The edits went where the test meant them: page 1 lost none of its line's moves, Apply to
    // All reached page 3, and page 2 ended without a table.
    EXPECT_NE(states[3].lines[0].first().x(), states[2].lines[0].first().x());
    EXPECT_FALSE(isNoTable(states[7].rects[2]));
    EXPECT_TRUE(isNoTable(states[8].rects[1]));

    const auto expectState = [&](int index) {
        EXPECT_EQ(DocumentState::of(main.store), states[index]);
        const PageGrid& grid = main.store.pageGrids[page() - 1];
        QStringList rows;
        if (!isNoTable(main.store.pageRects[page() - 1]))
            for (int r = 0; r < grid.rows; ++r) {
                QStringList cells;
                for (int c = 0; c < grid.columns; ++c)
                    cells.append(grid.cell(r, c));
                rows.append(cells.join('|'));
            }
        EXPECT_EQ(w.resultRows(), rows);
    };
    for (int i = labels.size() - 1; i >= 0; --i) {
        SCOPED_TRACE("undo " + labels[i].toStdString());
        w.click("toolButton_undo");
        EXPECT_EQ(page(), pages[i]);
        expectState(i);
    }
    EXPECT_FALSE(stack()->canUndo());
    EXPECT_FALSE(w.child<QAction>("actionUndo")->isEnabled());
    for (int i = 0; i < labels.size(); ++i) {
        SCOPED_TRACE("redo " + labels[i].toStdString());
        w.click("toolButton_redo");
        EXPECT_EQ(page(), pages[i]);
        expectState(i + 1);
    }
    EXPECT_EQ(w.child<QAction>("actionUndo")->toolTip(), "Undo Remove table (Ctrl+Z)");
}

TEST_F(EditingTest, LoadingALayoutIsOneStepAndOnlyAnOpenedDocumentClearsTheHistory)
{
    drawGridTable({180, 320});
    w.click("pushButton");
    const DocumentState drawn = DocumentState::of(main.store);
    const QString layout = QDir::temp().filePath("editing-layout.json");
    w.dialogs->saveAnswers.append({layout, "Layout (*.json)"});
    w.child<QAction>("actionSaveLayout")->trigger();
    w.click("pushButton_del_rect");
    const DocumentState removed = DocumentState::of(main.store);
    const int steps = stack()->count();

    w.dialogs->openAnswers.append(layout);
    w.child<QAction>("actionLoadLayout")->trigger();
    ASSERT_EQ(stack()->count(), steps + 1);
    EXPECT_EQ(stack()->undoText(), "Load layout");
    key(Qt::CTRL | Qt::Key_Z);
    EXPECT_EQ(DocumentState::of(main.store), removed);
    key(Qt::CTRL | Qt::Key_Z);
    EXPECT_EQ(DocumentState::of(main.store), drawn);

    // A failed open keeps the document and its history; a new document starts without one.
    w.open(testDocuments().corrupt);
    EXPECT_EQ(w.dialogs->warnings.size(), 1);
    EXPECT_TRUE(stack()->canUndo());
    w.open(testDocuments().onePage);
    ASSERT_EQ(main.pageCount, 1);
    EXPECT_EQ(stack()->count(), 0);
    EXPECT_FALSE(w.child<QAction>("actionUndo")->isEnabled());
    EXPECT_FALSE(w.child<QAction>("actionRedo")->isEnabled());
}

} // namespace
