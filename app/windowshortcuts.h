#pragma once

#include <QKeySequence>
#include <QList>
#include <QObject>
#include <QPoint>
#include <QPointF>
#include <QString>
#include <QVector>

#include <functional>

class QAction;
class QWidget;

// The window's keys. A key that stands for a button clicks it, so it does exactly what the
// button does, and nothing while the button is disabled.
struct ButtonShortcut {
    const char* button;       // object name of the button
    QString toolTip;          // shown with the first key; "" keeps the button's own tool tip
    QList<QKeySequence> keys; // the first is the one the tool tip names
};

// Adds one action per entry to `window`, active while the window is.
void addButtonShortcuts(QWidget* window, const QVector<ButtonShortcut>& shortcuts);

// Adds an action named `name` to `window` that runs `run` on any of `keys`.
QAction* addShortcut(QWidget* window, const QString& name, const QList<QKeySequence>& keys,
                     const std::function<void()>& run);

// "Open (Ctrl+O)": a tool tip naming its key the way the platform writes keys.
QString toolTipWithKey(const QString& text, const QKeySequence& key);

// Turns Ctrl+wheel over a scroll area's viewport into zoom steps: +1 per notch turned away
// from the user, −1 per notch back, with the pointer's position in the viewport. Fine-grained
// wheels add up to whole notches. Other wheel events pass on.
class WheelZoom : public QObject {
    Q_OBJECT

public:
    using Zoom = std::function<void(int steps, const QPointF& position)>;
    WheelZoom(QWidget* viewport, Zoom zoom);
    // Also a child of the viewport: the wheel over it reaches the viewport only as far as the
    // child lets it, and not at all when it is sent to the child directly.
    void watch(QWidget* child);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* viewport_;
    Zoom zoom_;
    int pendingDelta_ = 0; // eighths of a degree not yet a whole notch
};

// The scroll position that keeps the content point under the pointer in place when the content
// is scaled by `ratio`: for scroll (100, 0), pointer (50, 20) and ratio 2, ((100 + 50) · 2 − 50,
// (0 + 20) · 2 − 20) = (250, 20). Positions are in the scrolled viewport's pixels.
QPoint scrollKeepingPoint(const QPoint& scroll, const QPointF& pointer, double ratio);
