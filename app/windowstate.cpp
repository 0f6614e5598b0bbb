#include "app/windowstate.h"

#include "app/settings.h"

#include <QEvent>
#include <QGuiApplication>
#include <QMainWindow>
#include <QScreen>

#include <algorithm>

namespace {

// What the page beside the list and the rows above the table need at least; a remembered
// splitter is narrowed to leave it.
constexpr int kPageRoom = 576;
constexpr int kRowsRoom = 150;

qint64 overlap(const QRect& a, const QRect& b)
{
    const QRect common = a.intersected(b);
    return common.isEmpty() ? 0 : qint64(common.width()) * common.height();
}

} // namespace

std::optional<QRect> placeOnScreens(const QRect& remembered, const QVector<QRect>& screens)
{
    const auto best = std::max_element(screens.begin(), screens.end(), [&](const QRect& a, const QRect& b) {
        return overlap(remembered, a) < overlap(remembered, b);
    });
    if (best == screens.end() || overlap(remembered, *best) == 0)
        return std::nullopt;
    const QRect screen = *best;
    QRect placed(remembered.topLeft(), remembered.size().boundedTo(screen.size()));
    placed.moveLeft(std::clamp(placed.left(), screen.left(), screen.right() + 1 - placed.width()));
    placed.moveTop(std::clamp(placed.top(), screen.top(), screen.bottom() + 1 - placed.height()));
    return placed;
}

WindowStateKeeper::WindowStateKeeper(QMainWindow* window, QWidget* list, QWidget* table)
    : QObject(window), window_(window), list_(list), table_(table)
{
    window_->installEventFilter(this);
    restore();
}

bool WindowStateKeeper::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == window_ && event->type() == QEvent::Close)
        save();
    return false;
}

void WindowStateKeeper::save() const
{
    AppSettings::WindowPlacement placement;
    placement.geometry =
        window_->isMaximized() || window_->isFullScreen() ? window_->normalGeometry() : window_->geometry();
    placement.maximized = window_->isMaximized();
    // A splitter not dragged yet leaves the layout free.
    placement.listWidth = list_->minimumWidth() == list_->maximumWidth() ? list_->width() : -1;
    placement.tableHeight = table_->minimumHeight() == table_->maximumHeight() ? table_->height() : -1;
    AppSettings::setWindowPlacement(placement);
}

void WindowStateKeeper::restore()
{
    const std::optional<AppSettings::WindowPlacement> placement = AppSettings::windowPlacement();
    if (!placement)
        return;
    QVector<QRect> screens;
    for (const QScreen* screen : QGuiApplication::screens())
        screens.append(screen->availableGeometry());
    const std::optional<QRect> geometry = placeOnScreens(placement->geometry, screens);
    if (!geometry)
        return;
    window_->setGeometry(*geometry);
    if (placement->listWidth >= 0)
        list_->setFixedWidth(std::min(placement->listWidth, std::max(0, geometry->width() - kPageRoom)));
    if (placement->tableHeight >= 0)
        table_->setFixedHeight(std::min(placement->tableHeight, std::max(0, geometry->height() - kRowsRoom)));
    if (placement->maximized)
        window_->setWindowState(window_->windowState() | Qt::WindowMaximized);
}
