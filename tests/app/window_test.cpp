#include "app/aboutdialog.h"
#include "app/excelmain.h"
#include "apptestsupport.h"
#include "canvas/labeldraw.h"
#include "protocol/pagefiles.h"

#include <QAbstractButton>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QFrame>
#include <QImageReader>
#include <QLabel>
#include <QLayout>
#include <QListWidget>
#include <QMouseEvent>
#include <QPainter>
#include <QPdfWriter>
#include <QProgressDialog>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QSignalSpy>
#include <QSpinBox>
#include <QStatusBar>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <cmath>

namespace {

QImage iconImage(const QIcon& icon)
{
    return icon.pixmap(32, 32).toImage().convertToFormat(QImage::Format_ARGB32);
}

QImage resourceImage(const QString& name)
{
    return iconImage(QIcon(":/iconoption/icons/" + name));
}

class WindowTest : public ::testing::Test {
protected:
    QPushButton* button(const char* name) const { return w.child<QPushButton>(name); }
    // A page image of the given size shown at zoom 1.
    void showImage(QSize size)
    {
        QImage image(size, QImage::Format_RGB32);
        image.fill(Qt::white);
        const QString path =
            folder.filePath(QStringLiteral("page-%1x%2.png").arg(size.width()).arg(size.height()));
        ASSERT_TRUE(image.save(path));
        w.window->currentPng = path;
        w.window->showPNG();
    }
    QSize canvasSize() const { return w.window->canvas()->size(); }

    TestWindow w;
    QTemporaryDir folder;
};

TEST_F(WindowTest, AfterConstruction)
{
    ExcelMain& main = *w.window;
    EXPECT_EQ(main.windowTitle(), "Zarnich Quorvel");
    EXPECT_EQ(main.iconSize(), QSize(32, 32));
    EXPECT_FALSE(main.windowIcon().isNull());

    const struct {
        const char* name;
        const char* className;
    } form[] = {
        {"centralwidget", "QWidget"},
        {"statusbar", "QStatusBar"},
        {"pushButton_openfile", "QPushButton"},
        {"line_3", "QFrame"},
        {"pushButton_zoomout", "QPushButton"},
        {"pushButton_zoomin", "QPushButton"},
        {"pushButton_up", "QPushButton"},
        {"pushButton_down", "QPushButton"},
        {"spinBox_pagenumber", "QSpinBox"},
        {"label_pagenumber", "QLabel"},
        {"line", "QFrame"},
        {"pushButton_drawrect", "QPushButton"},
        {"line_4", "QFrame"},
        {"pushButton_drawline", "QPushButton"},
        {"line_5", "QFrame"},
        {"pushButton_del_rect", "QPushButton"},
        {"line_6", "QFrame"},
        {"pushButton_del_line", "QPushButton"},
        {"line_2", "QFrame"},
        {"pushButton", "QPushButton"},
        {"line_7", "QFrame"},
        {"pushButton_save", "QPushButton"},
        {"pushButton_about", "QPushButton"},
        {"listwidget_view", "QListWidget"},
        {"frame_back", "QFrame"},
        {"tableWidget_rule", "QTableWidget"},
    };
    for (const auto& entry : form) {
        const QObject* object = main.findChild<QObject*>(entry.name);
        ASSERT_NE(object, nullptr) << entry.name;
        EXPECT_TRUE(object->inherits(entry.className)) << entry.name;
    }
    for (const char* layout :
         {"verticalLayout_3", "verticalLayout_2", "horizontalLayout", "horizontalLayout_3", "verticalLayout"})
        EXPECT_NE(main.findChild<QLayout*>(layout), nullptr) << layout;

    // Save, the zoom and the page buttons and the page box wait for a document.
    const QStringList waiting = {"pushButton_save", "pushButton_zoomin", "pushButton_zoomout",
                                 "pushButton_up", "pushButton_down"};
    for (QPushButton* b : main.centralWidget()->findChildren<QPushButton*>())
        EXPECT_EQ(b->isEnabled(), !waiting.contains(b->objectName())) << qPrintable(b->objectName());
    EXPECT_FALSE(w.child<QSpinBox>("spinBox_pagenumber")->isEnabled());
    EXPECT_EQ(w.child<QSpinBox>("spinBox_pagenumber")->maximum(), 0);
    EXPECT_EQ(button("pushButton_about")->text(), "About");
    EXPECT_EQ(button("pushButton")->text(), "Apply to All");
    EXPECT_EQ(button("pushButton_openfile")->text(), "Open");
    EXPECT_EQ(button("pushButton_save")->text(), "Save");
    EXPECT_EQ(button("pushButton_drawrect")->toolTip(), "Draw a table");
    EXPECT_EQ(button("pushButton_drawline")->toolTip(), "Draw vertical lines");
    EXPECT_EQ(button("pushButton_del_rect")->toolTip(), "Remove the table");
    EXPECT_EQ(button("pushButton_del_line")->toolTip(), "Remove selected lines");

    // The zoom buttons bear each other's icon: "zoomout" shows the magnifier with the plus.
    EXPECT_EQ(iconImage(button("pushButton_zoomout")->icon()), resourceImage("zoom_in.ico"));
    EXPECT_EQ(iconImage(button("pushButton_zoomin")->icon()), resourceImage("zoom_out.ico"));
    EXPECT_EQ(iconImage(button("pushButton_about")->icon()), resourceImage("about.png"));
    EXPECT_EQ(iconImage(button("pushButton_save")->icon()), resourceImage("table_accept.png"));

    // Size limits and list settings of the form.
    EXPECT_EQ(button("pushButton_up")->maximumWidth(), 44);
    EXPECT_EQ(button("pushButton_drawrect")->maximumSize(), QSize(32, 32));
    EXPECT_TRUE(button("pushButton_drawrect")->isCheckable());
    EXPECT_TRUE(button("pushButton_drawline")->isCheckable());
    EXPECT_EQ(button("pushButton")->minimumWidth(), 94);
    EXPECT_EQ(w.child<QLabel>("label_pagenumber")->minimumWidth(), 50);
    EXPECT_EQ(w.child<QFrame>("frame_back")->minimumWidth(), 551);
    const auto* list = w.child<QListWidget>("listwidget_view");
    EXPECT_EQ(list->viewMode(), QListView::IconMode);
    EXPECT_EQ(list->iconSize(), QSize(90, 110));
    EXPECT_EQ(list->gridSize(), QSize(100, 130));
    EXPECT_EQ(w.child<QTableWidget>("tableWidget_rule")->editTriggers(), QAbstractItemView::NoEditTriggers);

    // The canvas sits top-left in a scroll area inside the page frame, white, nothing drawn.
    labeldraw* canvas = main.canvas();
    auto* scroll = qobject_cast<QScrollArea*>(canvas->parentWidget()->parentWidget());
    ASSERT_NE(scroll, nullptr);
    EXPECT_EQ(scroll->parentWidget(), w.child<QFrame>("frame_back"));
    EXPECT_EQ(canvas->alignment(), Qt::AlignTop | Qt::AlignLeft);
    EXPECT_EQ(canvas->palette().brush(QPalette::Window).color(), QColor(Qt::white));
    EXPECT_EQ(canvas->getRect(), QRectF());
    EXPECT_TRUE(main.hasMouseTracking());

    // 841 × 610 (or what the style's buttons need), centred on the screen.
    const ExcelMain fresh;
    const QSize size = QSize(841, 610).expandedTo(fresh.minimumSizeHint());
    EXPECT_EQ(fresh.size(), size);
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    EXPECT_EQ(fresh.pos(), QPoint((screen.left() + screen.right()) / 2 - (size.width() - 1) / 2,
                                  (screen.top() + screen.bottom()) / 2 - (size.height() - 1) / 2));
    EXPECT_EQ(main.pageCount, 0);
    EXPECT_EQ(main.zoomFactor, 1.0f);
    // No private folder before a document is opened.
    EXPECT_EQ(main.workFolder(), "");
    EXPECT_TRUE(QDir(QDir::tempPath()).entryList({"zarnich-quorvel-*"}, QDir::Dirs).isEmpty());

    // A new progress dialog arms a timer that shows it a few seconds later; the busy dialog
    // must wait for a load instead.
    auto* busy = main.findChild<QProgressDialog*>();
    ASSERT_NE(busy, nullptr);
    EXPECT_EQ(busy->windowTitle(), "Zarnich Quorvel");
    EXPECT_FALSE(busy->isVisible());
    for (const QTimer* timer : busy->findChildren<QTimer*>())
        EXPECT_FALSE(timer->isActive());
}

TEST_F(WindowTest, AboutBoxOpensModallyAndLeavesTheWindowAsItWas)
{
    auto* about = w.window->findChild<AboutDialog*>();
    ASSERT_NE(about, nullptr);
    EXPECT_EQ(about->size(), QSize(320, 137));
    EXPECT_EQ(about->minimumSize(), QSize(320, 137));
    EXPECT_EQ(about->maximumSize(), QSize(320, 137));
    EXPECT_EQ(about->windowTitle(), "About");
    EXPECT_EQ(about->findChild<QLabel*>("label_4")->text(), "Zarnich Quorvel 2.0");
    EXPECT_EQ(about->findChild<QLabel*>("label_4")->geometry(), QRect(10, 10, 301, 41));
    EXPECT_FALSE(about->findChild<QLabel*>("label_3")->text().isEmpty());
    for (const char* name : {"label_homepage", "label_mail"}) {
        const auto* link = about->findChild<QLabel*>(name);
        ASSERT_NE(link, nullptr);
        EXPECT_TRUE(link->text().contains("<a href=")) << name;
        EXPECT_TRUE(link->openExternalLinks()) << name;
    }

    bool wasModal = false;
    QTimer::singleShot(0, about, [&] {
        wasModal = about->isVisible() && about->isModal();
        about->accept();
    });
    w.click("pushButton_about");
    EXPECT_TRUE(wasModal);
    EXPECT_FALSE(about->isVisible());
    EXPECT_EQ(w.window->windowTitle(), "Zarnich Quorvel");
    EXPECT_FALSE(button("pushButton_save")->isEnabled());

    UrlCatcher catcher({"https", "mailto"});
    about->openMainpage("https://zarnich-quorvel.example.org/");
    about->openmailpage("ignored");
    ASSERT_EQ(catcher.urls.size(), 2);
    EXPECT_EQ(catcher.urls[0].scheme(), "https");
    EXPECT_EQ(catcher.urls[1].scheme(), "mailto");
}

TEST_F(WindowTest, IconsAreCompiledInAndDistinct)
{
    const QStringList names = {
        "folder_blue_open.png", "zoom_in.ico", "zoom_out.ico",  "up.png",      "downa.png",
        "rec321.png",           "line32.png",  "delrec.png",    "delline.png", "table_accept.png",
        "table_accept.ico",     "about.png",   "graybackgr.png"};
    QVector<QImage> images;
    for (const QString& name : names) {
        QImageReader reader(":/iconoption/icons/" + name);
        EXPECT_EQ(reader.format(), name.endsWith(".ico") ? QByteArray("ico") : QByteArray("png"))
            << qPrintable(name);
        const QImage image = reader.read();
        ASSERT_FALSE(image.isNull()) << qPrintable(name);
        images.append(image.convertToFormat(QImage::Format_ARGB32));
    }
    // Every button's picture differs from every other; only the window icon repeats Save's.
    for (int i = 0; i < images.size(); ++i)
        for (int j = i + 1; j < images.size(); ++j)
            if (QFileInfo(names[i]).baseName() != QFileInfo(names[j]).baseName()) {
                EXPECT_NE(images[i], images[j]) << qPrintable(names[i] + " = " + names[j]);
            }
}

TEST_F(WindowTest, ZoomSteps)
{
    ExcelMain& main = *w.window;
    w.open(testDocuments().onePage);
    for (int i = 0; i < 3; ++i)
        w.click("pushButton_zoomout");
    EXPECT_EQ(main.zoomFactor, 1.953125f);
    w.click("pushButton_zoomin");
    EXPECT_EQ(main.zoomFactor, 1.5625f);

    main.zoomFactor = 1.0f;
    showImage({613, 793});
    EXPECT_EQ(canvasSize(), QSize(613, 793));
    // The table scales with the image.
    main.canvas()->setRectAndLines(QRectF(100, 100, 200, 80), {QRectF(150, 100, 0, 80)});
    w.click("pushButton_zoomout");
    EXPECT_EQ(main.zoomFactor, 1.25f);
    EXPECT_EQ(canvasSize(), QSize(766, 991));
    EXPECT_EQ(main.canvas()->getRect(), QRectF(125, 125, 250, 100));
    EXPECT_EQ(main.canvas()->getLines().value(0).x(), 187.5);
}

TEST_F(WindowTest, ZoomStepsStopAtTheImageBounds)
{
    ExcelMain& main = *w.window;
    w.open(testDocuments().onePage);
    // 40 px high: 32, 25, 20, 16, then 13 would be below 16.
    showImage({1000, 40});
    main.canvas()->setRectAndLines(QRectF(10, 5, 100, 20), {});
    for (int i = 0; i < 4; ++i)
        w.click("pushButton_zoomin");
    const QRectF table = main.canvas()->getRect();
    EXPECT_EQ(canvasSize(), QSize(409, 16));
    w.click("pushButton_zoomin");
    EXPECT_EQ(canvasSize(), QSize(409, 16));
    EXPECT_EQ(main.canvas()->getRect(), table);
    // The way back is open.
    w.click("pushButton_zoomout");
    EXPECT_EQ(canvasSize(), QSize(512, 20));

    // 1000 px wide: the tenth step up would pass 8192.
    main.zoomFactor = 1.0f;
    showImage({1000, 20});
    for (int i = 0; i < 12; ++i)
        w.click("pushButton_zoomout");
    EXPECT_EQ(canvasSize(), QSize(7450, 149));
    w.click("pushButton_zoomin");
    EXPECT_EQ(canvasSize(), QSize(5960, 119));
}

TEST_F(WindowTest, ZoomBoundHoldsWhateverTheOrderOfZoomingOpeningAndPageChanges)
{
    ExcelMain& main = *w.window;
    // Without a document the zoom does nothing, clicked or called.
    for (int i = 0; i < 30; ++i) {
        w.click("pushButton_zoomout");
        main.on_pushButton_zoomout_clicked();
    }
    EXPECT_EQ(main.zoomFactor, 1.0f);

    // A letter page, then one of 2000 × 2000 points (2667 px a side at 96 dpi).
    const QString pdf = folder.filePath("two-sizes.pdf");
    {
        QPdfWriter writer(pdf);
        writer.setResolution(72);
        writer.setPageSize(QPageSize(QPageSize::Letter));
        writer.setPageMargins({});
        QPainter painter(&writer);
        painter.drawText(100, 100, "small");
        writer.setPageSize(QPageSize(QSizeF(2000, 2000), QPageSize::Point));
        writer.newPage();
        painter.drawText(100, 100, "large");
    }
    w.open(pdf);
    const QSize first = canvasSize();
    for (int i = 0; i < 30; ++i)
        w.click("pushButton_zoomout");
    EXPECT_LE(std::max(canvasSize().width(), canvasSize().height()), 8192);
    EXPECT_GT(canvasSize().height(), 4 * first.height());
    main.canvas()->setRectAndLines(QRectF(1000, 1000, 2000, 2000), {});

    w.click("pushButton_down");
    ASSERT_EQ(main.currentPng, PageFiles::imagePath(main.workFolder(), 2));
    const QSize large = canvasSize();
    EXPECT_LE(large.width(), 8192);
    EXPECT_GE(large.width(), 8190);
    EXPECT_EQ(large.width(), large.height());

    // Opening again at that zoom: the bound holds for the page shown first.
    w.open(pdf);
    EXPECT_LE(std::max(canvasSize().width(), canvasSize().height()), 8192);
}

TEST_F(WindowTest, ToolButtonsUncheckEachOtherAndDriveTheCanvas)
{
    QPushButton* rect = button("pushButton_drawrect");
    QPushButton* line = button("pushButton_drawline");
    labeldraw* canvas = w.window->canvas();

    w.click("pushButton_drawline");
    EXPECT_TRUE(line->isChecked());
    EXPECT_FALSE(rect->isChecked());
    EXPECT_EQ(canvas->drawMode, DrawMode::Lines);
    // The checked line tool clicked again: back to the table tool, nothing checked.
    w.click("pushButton_drawline");
    EXPECT_FALSE(line->isChecked());
    EXPECT_FALSE(rect->isChecked());
    EXPECT_EQ(canvas->drawMode, DrawMode::Rectangle);

    w.click("pushButton_drawrect");
    EXPECT_TRUE(rect->isChecked());
    w.click("pushButton_drawline");
    EXPECT_FALSE(rect->isChecked());
    w.click("pushButton_drawrect");
    EXPECT_TRUE(rect->isChecked());
    EXPECT_FALSE(line->isChecked());
    EXPECT_EQ(canvas->drawMode, DrawMode::Rectangle);
    // The checked table tool clicked again only unchecks it.
    canvas->drawMode = DrawMode::Lines;
    w.click("pushButton_drawrect");
    EXPECT_FALSE(rect->isChecked());
    EXPECT_EQ(canvas->drawMode, DrawMode::Lines);

    // Removing the table unchecks both and clears the canvas.
    w.click("pushButton_drawline");
    canvas->setRectAndLines(QRectF(10, 10, 100, 100), {QRectF(50, 10, 0, 100)});
    QSignalSpy changed(canvas, &labeldraw::updateRecandLine);
    w.click("pushButton_del_rect");
    EXPECT_FALSE(rect->isChecked());
    EXPECT_FALSE(line->isChecked());
    EXPECT_EQ(canvas->getRect(), QRectF());
    EXPECT_TRUE(canvas->getLines().isEmpty());
    EXPECT_EQ(changed.count(), 1);
    // Without a selected line the line removal does nothing.
    w.click("pushButton_del_line");
    EXPECT_EQ(changed.count(), 1);
}

// Mouse events straight to the window, in window coordinates.
void sendMouse(QWidget* window, QEvent::Type type, QPointF p, Qt::MouseButton button = Qt::NoButton)
{
    const Qt::MouseButtons held = type == QEvent::MouseButtonPress ? Qt::MouseButtons(button) : Qt::NoButton;
    QMouseEvent event(type, p, window->mapToGlobal(p), button, held, Qt::NoModifier);
    QApplication::sendEvent(window, &event);
}

TEST_F(WindowTest, GapSplittersResizeTheListAndTheResultTable)
{
    ExcelMain* main = w.window.get();
    auto* list = w.child<QListWidget>("listwidget_view");
    auto* frame = w.child<QFrame>("frame_back");
    auto* table = w.child<QTableWidget>("tableWidget_rule");
    // The list and the frame are placed in the central widget, below the menu bar.
    const double top = main->centralWidget()->y();

    // In the gap right of the list the cursor offers a horizontal split.
    const double gapX = list->x() + list->width() + 5;
    sendMouse(main, QEvent::MouseMove, {gapX, top + list->y() + 50.0});
    EXPECT_EQ(main->cursor().shape(), Qt::SplitHCursor);
    sendMouse(main, QEvent::MouseButtonPress, {gapX, top + list->y() + 50.0}, Qt::LeftButton);
    const int desktopWidth = QGuiApplication::primaryScreen()->virtualGeometry().width();
    const int before = list->width();
    sendMouse(main, QEvent::MouseMove, {desktopWidth - 575.0, list->y() + 50.0});
    EXPECT_EQ(list->width(), before);
    const double target = qMin(desktopWidth - 576, list->x() + 150);
    sendMouse(main, QEvent::MouseMove, {target, list->y() + 50.0});
    EXPECT_EQ(list->minimumWidth(), int(target) - list->x());
    EXPECT_EQ(list->maximumWidth(), int(target) - list->x());
    sendMouse(main, QEvent::MouseButtonRelease, {target, list->y() + 50.0}, Qt::LeftButton);
    QApplication::processEvents();

    // Below the page frame: a vertical split; 120 px above the bottom leaves a 100 px table.
    const double gapY = top + frame->y() + frame->height() + 5;
    sendMouse(main, QEvent::MouseMove, {frame->x() + 50.0, gapY});
    EXPECT_EQ(main->cursor().shape(), Qt::SplitVCursor);
    sendMouse(main, QEvent::MouseButtonPress, {frame->x() + 50.0, gapY}, Qt::LeftButton);
    sendMouse(main, QEvent::MouseMove, {frame->x() + 50.0, main->height() - 120.0});
    sendMouse(main, QEvent::MouseButtonRelease, {frame->x() + 50.0, main->height() - 120.0}, Qt::LeftButton);
    QApplication::processEvents();
    EXPECT_EQ(table->height(), 100);

    // A right press over a gap starts no drag; elsewhere the cursor is the arrow.
    sendMouse(main, QEvent::MouseMove, {frame->x() + 50.0, top + frame->y() + frame->height() + 5.0});
    sendMouse(main, QEvent::MouseButtonPress, {frame->x() + 50.0, top + frame->y() + frame->height() + 5.0},
              Qt::RightButton);
    sendMouse(main, QEvent::MouseMove, {frame->x() + 50.0, main->height() - 200.0});
    EXPECT_EQ(table->minimumHeight(), 100);
    EXPECT_EQ(main->cursor().shape(), Qt::ArrowCursor);
}

TEST_F(WindowTest, OpenexcelKeepsAHashInTheFileName)
{
    UrlCatcher catcher({"file"});
    w.window->openexcel("/tmp/report #3 50%.xls");
    ASSERT_EQ(catcher.urls.size(), 1);
    EXPECT_EQ(catcher.urls[0].toLocalFile(), "/tmp/report #3 50%.xls");
    EXPECT_FALSE(catcher.urls[0].hasFragment());
}

} // namespace
