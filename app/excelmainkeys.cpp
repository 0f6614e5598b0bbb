// The window's keyboard shortcuts and Ctrl+wheel zooming. Keys for the buttons click them
// (windowshortcuts.h); the rest reach the page box and the zoom directly.
#include "app/excelmain.h"

#include "app/windowshortcuts.h"
#include "canvas/labeldraw.h"
#include "ui_excelmain.h"

#include <QAction>
#include <QScrollArea>
#include <QScrollBar>

void ExcelMain::createShortcuts()
{
    addButtonShortcuts(this,
                       {
                           {"pushButton_openfile", tr("Open"), {QKeySequence(Qt::CTRL | Qt::Key_O)}},
                           {"pushButton_save", tr("Save"), {QKeySequence(Qt::CTRL | Qt::Key_S)}},
                           // The tool tip of this button is part of the form as it was designed: it stays.
                           {"pushButton_del_line",
                            QString(),
                            {QKeySequence(Qt::Key_Delete), QKeySequence(Qt::Key_Backspace)}},
                           {"pushButton_up",
                            tr("Previous page"),
                            {QKeySequence(Qt::Key_PageUp), QKeySequence(Qt::ALT | Qt::Key_Left)}},
                           {"pushButton_down",
                            tr("Next page"),
                            {QKeySequence(Qt::Key_PageDown), QKeySequence(Qt::ALT | Qt::Key_Right)}},
                           // The zoom buttons bear each other's icon: "zoomout" zooms in.
                           {"pushButton_zoomout",
                            tr("Zoom in"),
                            {QKeySequence(Qt::CTRL | Qt::Key_Plus), QKeySequence(Qt::CTRL | Qt::Key_Equal)}},
                           {"pushButton_zoomin", tr("Zoom out"), {QKeySequence(Qt::CTRL | Qt::Key_Minus)}},
                       });
    // A page change through the page box, as typing the number would do it.
    QSpinBox* spin = ui->spinBox_pagenumber;
    addShortcut(this, QStringLiteral("shortcut_firstPage"), {QKeySequence(Qt::Key_Home)}, [this, spin] {
        if (pageCount > 0)
            spin->setValue(1);
    });
    addShortcut(this, QStringLiteral("shortcut_lastPage"), {QKeySequence(Qt::Key_End)}, [this, spin] {
        if (pageCount > 0)
            spin->setValue(pageCount);
    });
    addShortcut(this, QStringLiteral("shortcut_actualSize"), {QKeySequence(Qt::CTRL | Qt::Key_0)},
                [this] { zoomTo(1.0f); });
    auto* wheel = new WheelZoom(scrollArea->viewport(), [this](int steps, const QPointF& pointer) {
        for (; steps > 0; --steps)
            zoomAround(1.25f, pointer);
        for (; steps < 0; ++steps)
            zoomAround(0.8f, pointer);
    });
    wheel->watch(pageCanvas);
}

void ExcelMain::zoomAround(float step, const QPointF& pointer)
{
    QScrollBar* horizontal = scrollArea->horizontalScrollBar();
    QScrollBar* vertical = scrollArea->verticalScrollBar();
    const QPoint scroll(horizontal->value(), vertical->value());
    const float before = zoomFactor;
    zoomBy(step);
    if (zoomFactor == before)
        return;
    // The scroll bars learn the canvas's new size when the scroll area lays it out.
    QCoreApplication::sendPostedEvents(scrollArea, QEvent::LayoutRequest);
    const QPoint target = scrollKeepingPoint(scroll, pointer, double(zoomFactor) / double(before));
    horizontal->setValue(target.x());
    vertical->setValue(target.y());
}
