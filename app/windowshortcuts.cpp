#include "app/windowshortcuts.h"

#include <QAbstractButton>
#include <QAction>
#include <QWheelEvent>
#include <QWidget>

#include <cmath>

namespace {

constexpr int kNotch = 120; // eighths of a degree in one wheel notch

} // namespace

void addButtonShortcuts(QWidget* window, const QVector<ButtonShortcut>& shortcuts)
{
    for (const ButtonShortcut& shortcut : shortcuts) {
        auto* button = window->findChild<QAbstractButton*>(QString::fromLatin1(shortcut.button));
        if (!button || shortcut.keys.isEmpty())
            continue;
        // click() does nothing on a disabled button.
        addShortcut(window, QStringLiteral("shortcut_") + QString::fromLatin1(shortcut.button), shortcut.keys,
                    [button] { button->click(); });
        if (!shortcut.toolTip.isEmpty())
            button->setToolTip(toolTipWithKey(shortcut.toolTip, shortcut.keys.first()));
    }
}

QAction* addShortcut(QWidget* window, const QString& name, const QList<QKeySequence>& keys,
                     const std::function<void()>& run)
{
    auto* action = new QAction(window);
    action->setObjectName(name);
    action->setShortcuts(keys);
    action->setShortcutContext(Qt::WindowShortcut);
    QObject::connect(action, &QAction::triggered, window, run);
    window->addAction(action);
    return action;
}

QString toolTipWithKey(const QString& text, const QKeySequence& key)
{
    return QStringLiteral("%1 (%2)").arg(text, key.toString(QKeySequence::NativeText));
}

WheelZoom::WheelZoom(QWidget* viewport, Zoom zoom)
    : QObject(viewport), viewport_(viewport), zoom_(std::move(zoom))
{
    viewport->installEventFilter(this);
}

void WheelZoom::watch(QWidget* child)
{
    child->installEventFilter(this);
}

bool WheelZoom::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::Wheel)
        return QObject::eventFilter(watched, event);
    auto* wheel = static_cast<QWheelEvent*>(event);
    if (!(wheel->modifiers() & Qt::ControlModifier))
        return false;
    pendingDelta_ += wheel->angleDelta().y();
    const int steps = pendingDelta_ / kNotch;
    pendingDelta_ -= steps * kNotch;
    const auto* widget = static_cast<QWidget*>(watched);
    if (steps != 0)
        zoom_(steps, widget == viewport_ ? wheel->position() : widget->mapTo(viewport_, wheel->position()));
    // A Ctrl+wheel never scrolls the page as well.
    return true;
}

QPoint scrollKeepingPoint(const QPoint& scroll, const QPointF& pointer, double ratio)
{
    const double x = (scroll.x() + pointer.x()) * ratio - pointer.x();
    const double y = (scroll.y() + pointer.y()) * ratio - pointer.y();
    return QPoint(static_cast<int>(std::lround(x)), static_cast<int>(std::lround(y)));
}
