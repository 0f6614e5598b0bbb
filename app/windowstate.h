#pragma once

#include <QObject>
#include <QRect>
#include <QVector>

#include <optional>

class QMainWindow;
class QWidget;

// Where a remembered window goes on the screens there are now (their available areas, in
// global pixels): onto the screen it overlaps most, shrunk to that screen and moved wholly
// into it; nowhere when it overlaps none (its screen is gone), so the window keeps its
// default place.
//   (1500, 100, 800 × 600) on screens (0, 0, 1280 × 1024) and (1280, 0, 1920 × 1080)
//     → (1500, 100, 800 × 600), unchanged; with the second screen gone → nothing
std::optional<QRect> placeOnScreens(const QRect& remembered, const QVector<QRect>& screens);

// Remembers the window's size, place and gap splitters in setting.ini when it is closed, and
// puts them back when it is made.
class WindowStateKeeper : public QObject {
    Q_OBJECT

public:
    // `list` and `table` are the widgets the window's gap splitters size (a fixed width and a
    // fixed height once dragged). Restores the remembered state at once.
    WindowStateKeeper(QMainWindow* window, QWidget* list, QWidget* table);

    void save() const;
    void restore();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QMainWindow* window_;
    QWidget* list_;
    QWidget* table_;
};
