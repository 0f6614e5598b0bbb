// Undo and redo of the window's tables: the history, its two actions with their buttons beside
// the table tools, and how a step is put back on the window.
#include "app/excelmain.h"

#include "app/geometryhistory.h"
#include "app/windowshortcuts.h"
#include "canvas/labeldraw.h"
#include "extraction/zoommapping.h"
#include "ui_excelmain.h"

#include <QAction>
#include <QFrame>
#include <QHBoxLayout>
#include <QToolButton>
#include <QUndoStack>

namespace {

QString translate(const char* text)
{
    return QCoreApplication::translate("ExcelMain", text);
}

QString editLabel(CanvasEdit edit)
{
    switch (edit) {
    case CanvasEdit::DrawTable:
        return translate("Draw table");
    case CanvasEdit::MoveTable:
        return translate("Move table");
    case CanvasEdit::ResizeTable:
        return translate("Resize table");
    case CanvasEdit::AddLine:
        return translate("Add column line");
    case CanvasEdit::MoveLine:
        return translate("Move column line");
    }
    return QString();
}

// "Undo Move table (Ctrl+Z)", or "Undo (Ctrl+Z)" with nothing to undo.
void nameStep(QAction* action, const QString& verb, const QString& step)
{
    action->setToolTip(toolTipWithKey(step.isEmpty() ? verb : verb + ' ' + step, action->shortcut()));
}

QAction* historyAction(QWidget* window, const QString& verb, const char* name, const char* icon,
                       const QList<QKeySequence>& keys)
{
    auto* action = new QAction(QIcon(QStringLiteral(":/iconoption/icons/") + icon), verb, window);
    action->setObjectName(name);
    action->setShortcuts(keys);
    action->setEnabled(false);
    nameStep(action, verb, QString());
    window->addAction(action);
    return action;
}

// A flat button with a 32 × 32 icon, like the table tools beside it.
QToolButton* historyButton(QWidget* parent, QAction* action, const char* name)
{
    auto* button = new QToolButton(parent);
    button->setObjectName(name);
    button->setDefaultAction(action);
    button->setAutoRaise(true);
    button->setIconSize(QSize(32, 32));
    button->setToolButtonStyle(Qt::ToolButtonIconOnly);
    return button;
}

} // namespace

void ExcelMain::createHistory()
{
    history =
        new GeometryHistory([this](const PageStore& snapshot, int page) { restoreGeometry(snapshot, page); },
                            [this] { return ui->spinBox_pagenumber->value() - 1; }, this);
    // One drag is one step: from the store at its press to the store its release left.
    connect(pageCanvas, &labeldraw::editStarted, this, [this] { history->beginEdit(store); });
    connect(pageCanvas, &labeldraw::editFinished, this,
            [this](CanvasEdit edit) { history->finishEdit(editLabel(edit), store); });

    QUndoStack* stack = history->stack();
    QAction* undo =
        historyAction(this, tr("Undo"), "actionUndo", "undo.png", {QKeySequence(Qt::CTRL | Qt::Key_Z)});
    QAction* redo =
        historyAction(this, tr("Redo"), "actionRedo", "redo.png",
                      {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), QKeySequence(Qt::CTRL | Qt::Key_Y)});
    // A step put back in the middle of a drag would leave the drag editing another table.
    connect(undo, &QAction::triggered, this, [this] {
        if (!pageCanvas->isDragging())
            history->undo();
    });
    connect(redo, &QAction::triggered, this, [this] {
        if (!pageCanvas->isDragging())
            history->redo();
    });
    connect(stack, &QUndoStack::canUndoChanged, undo, &QAction::setEnabled);
    connect(stack, &QUndoStack::canRedoChanged, redo, &QAction::setEnabled);
    connect(stack, &QUndoStack::undoTextChanged, undo,
            [undo](const QString& step) { nameStep(undo, tr("Undo"), step); });
    connect(stack, &QUndoStack::redoTextChanged, redo,
            [redo](const QString& step) { nameStep(redo, tr("Redo"), step); });

    auto* separator = new QFrame(this);
    separator->setObjectName("line_history");
    separator->setFrameShape(QFrame::VLine);
    separator->setFrameShadow(QFrame::Sunken);
    separator->setMaximumHeight(32);
    QHBoxLayout* row = ui->horizontalLayout;
    int at = row->indexOf(ui->pushButton_del_line) + 1;
    row->insertWidget(at++, separator);
    row->insertWidget(at++, historyButton(this, undo, "toolButton_undo"));
    row->insertWidget(at, historyButton(this, redo, "toolButton_redo"));
}

// Puts a step's snapshot in place of the store and shows it on the page where the step was made.
void ExcelMain::restoreGeometry(const PageStore& snapshot, int page)
{
    if (pageCount == 0 || snapshot.size() != store.size() || !store.hasPage(page))
        return;
    if (page != ui->spinBox_pagenumber->value() - 1)
        ui->spinBox_pagenumber->setValue(page + 1);
    store = snapshot;
    installPageGeometry(page);
    // A page without a table is installed through the canvas's removal, which stores the page
    // again; the snapshot is what the step put back, exactly.
    store = snapshot;
    if (isNoTable(store.pageRects[page]))
        clearResultRows();
    else
        showGrid(store.pageGrids[page]);
}
