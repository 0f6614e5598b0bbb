#include "app/settings.h"
#include "app/windowstate.h"
#include "apptestsupport.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QListWidget>
#include <QScreen>
#include <QTableWidget>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

TEST(WindowPlacement, GoesOnlyOntoAScreenThatIsThere)
{
    const QRect left(0, 0, 1280, 1024);
    const QRect right(1280, 0, 1920, 1080);
    const struct {
        QRect remembered;
        QVector<QRect> screens;
        std::optional<QRect> placed;
    } cases[] = {
        {QRect(1500, 100, 800, 600), {left, right}, QRect(1500, 100, 800, 600)},
        {QRect(1500, 100, 800, 600), {left}, std::nullopt},
        {QRect(1500, 100, 800, 600), {}, std::nullopt},
        // Mostly on the right screen: moved wholly into it.
        {QRect(3000, 900, 800, 600), {left, right}, QRect(2400, 480, 800, 600)},
        {QRect(-100, -50, 800, 600), {left, right}, QRect(0, 0, 800, 600)},
        // Larger than the screen it is on: shrunk to it.
        {QRect(10, 10, 3000, 2000), {left}, QRect(0, 0, 1280, 1024)},
    };
    for (const auto& c : cases)
        EXPECT_EQ(placeOnScreens(c.remembered, c.screens), c.placed)
            << c.remembered.x() << "," << c.remembered.y() << " on " << c.screens.size() << " screens";
}

TEST(WindowState, SizePlaceAndSplittersComeBackInTheNextWindow)
{
    OwnWorkingDirectory cwd;
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    QRect geometry;
    {
        TestWindow w;
        w.window->setGeometry(QRect(screen.topLeft() + QPoint(10, 20), w.window->size()));
        w.child<QListWidget>("listwidget_view")->setFixedWidth(150);
        w.child<QTableWidget>("tableWidget_rule")->setFixedHeight(90);
        w.window->close();
        geometry = w.window->geometry();
    }
    {
        TestWindow w;
        // The test screen may be smaller than the window's least size: the size comes back, the
        // place as far onto the screen as it goes
        EXPECT_EQ(w.window->size(), geometry.size());
        // (the platform may shift it by its frame's width to keep the frame on the screen).
        const QPoint placed = placeOnScreens(geometry, {screen})->topLeft();
        EXPECT_LE((w.window->geometry().topLeft() - placed).manhattanLength(), 4);
        EXPECT_EQ(w.child<QListWidget>("listwidget_view")->width(), 150);
        EXPECT_EQ(w.child<QTableWidget>("tableWidget_rule")->maximumHeight(), 90);
        // Splitters never dragged stay free.
        w.child<QListWidget>("listwidget_view")->setMinimumWidth(0);
        w.child<QListWidget>("listwidget_view")->setMaximumWidth(QWIDGETSIZE_MAX);
        w.window->close();
    }
    EXPECT_EQ(AppSettings::windowPlacement()->listWidth, -1);
    EXPECT_EQ(AppSettings::windowPlacement()->tableHeight, 90);

    // Remembered on a screen that is gone: the window starts where a first start puts it.
    AppSettings::WindowPlacement away;
    away.geometry = QRect(screen.right() + 500, 100, 900, 700);
    away.listWidth = 150;
    AppSettings::setWindowPlacement(away);
    const ExcelMain fresh;
    QFile::remove("setting.ini");
    const ExcelMain first;
    EXPECT_EQ(fresh.geometry(), first.geometry());
    EXPECT_NE(fresh.findChild<QListWidget*>("listwidget_view")->maximumWidth(), 150);
}

} // namespace
