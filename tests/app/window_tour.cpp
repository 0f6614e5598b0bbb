// A walk through the window for screenshots, run by hand under a virtual X display:
//   xvfb-run -a -s '-screen 0 1280x1024x24' build/bin/zq_window_tour <sample.pdf> <sample.json> <out-folder>
// Opens the sample, draws its table with mouse events (the "apply_all" geometry, or the first
// table's), applies it to all pages, visits page 2, saves as .xls and shows the "Finished"
// box, taking a screenshot of the screen (ImageMagick's import) after each step.
#include "app/excelmain.h"
#include "app/windowdialogs.h"
#include "canvas/labeldraw.h"
#include "protocol/pagefiles.h"
#include "sample.h"

#include <QApplication>
#include <QDir>
#include <QListWidget>
#include <QMouseEvent>
#include <QProcess>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <cstdio>

namespace {

QString g_out;
int g_shot = 0;

void screenshot(const QString& name)
{
    QTest::qWait(400);
    const QString path = QStringLiteral("%1/%2-%3.png").arg(g_out).arg(++g_shot, 2, 10, QChar('0')).arg(name);
    QProcess::execute("import", {"-window", "root", path});
    std::printf("%s\n", qPrintable(path));
}

class TourDialogs : public WindowDialogs {
public:
    QString pdf;
    QString saveAs;
    QString openFileName(QWidget*, const QString&, const QString&, const QString&) override { return pdf; }
    QString saveFileName(QWidget*, const QString&, const QString&, const QString&, QString* filter) override
    {
        *filter = "Excel File (*.xls)";
        return saveAs;
    }
    // The real box, photographed and then answered with Cancel.
    QMessageBox::StandardButton information(QWidget* parent, const QString& title, const QString& text,
                                            QMessageBox::StandardButtons buttons) override
    {
        QTimer::singleShot(300, [] {
            screenshot("finished-box");
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget()))
                box->reject();
        });
        return QMessageBox::information(parent, title, text, buttons);
    }
};

void mouse(labeldraw* canvas, QEvent::Type type, QPointF p, Qt::MouseButtons held)
{
    const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent event(type, p, canvas->mapToGlobal(p), button, held, Qt::NoModifier);
    QApplication::sendEvent(canvas, &event);
    QApplication::processEvents();
}

} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    if (argc != 4) {
        std::fprintf(stderr, "usage: zq_window_tour <pdf> <json> <out-folder>\n");
        return 1;
    }
    g_out = QString::fromLocal8Bit(argv[3]);
    QDir().mkpath(g_out);
    const Sample sample = readSample(QString::fromLocal8Bit(argv[2]));
    if (!sample.error.isEmpty()) {
        std::fprintf(stderr, "%s\n", qPrintable(sample.error));
        return 1;
    }
    const SampleGeometry geometry = sample.applyAll.value_or(sample.tables.first().geometry);

    ExcelMain window;
    auto dialogs = std::make_unique<TourDialogs>();
    dialogs->pdf = QString::fromLocal8Bit(argv[1]);
    dialogs->saveAs = g_out + "/tables.xls";
    window.setDialogs(std::move(dialogs));
    // Larger than the form's 841 × 610, so that a whole page width fits the picture.
    window.setGeometry(20, 20, 1240, 980);
    window.show();
    screenshot("empty");

    window.findChild<QPushButton*>("pushButton_openfile")->click();
    screenshot("loaded");

    const auto info = DocumentInfo::read(PageFiles::documentInfoPath(window.workFolder()));
    const double scale = (info ? info->pages.first().pixelsPerPoint() : 96.0 / 72) * window.zoomFactor;
    const QRectF rect(QPointF(geometry.x0 * scale, geometry.top * scale),
                      QPointF(geometry.x1 * scale, geometry.bottom * scale));
    labeldraw* canvas = window.canvas();
    mouse(canvas, QEvent::MouseButtonPress, rect.topLeft(), Qt::LeftButton);
    mouse(canvas, QEvent::MouseMove, (rect.topLeft() + rect.bottomRight()) / 2, Qt::LeftButton);
    screenshot("drawing");
    mouse(canvas, QEvent::MouseMove, rect.bottomRight(), Qt::LeftButton);
    mouse(canvas, QEvent::MouseButtonRelease, rect.bottomRight(), Qt::NoButton);
    window.findChild<QPushButton*>("pushButton_drawline")->click();
    for (const double separator : geometry.separators) {
        const QPointF top(separator * scale, rect.top());
        mouse(canvas, QEvent::MouseMove, top, Qt::NoButton);
        mouse(canvas, QEvent::MouseButtonPress, top, Qt::LeftButton);
        mouse(canvas, QEvent::MouseMove, top + QPointF(0, 40), Qt::LeftButton);
        mouse(canvas, QEvent::MouseButtonRelease, top + QPointF(0, 40), Qt::NoButton);
    }
    screenshot("table");

    window.findChild<QPushButton*>("pushButton")->click();
    if (window.pageCount > 1) {
        auto* list = window.findChild<QListWidget*>("listwidget_view");
        const QRect item = list->visualItemRect(list->item(1));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, item.center());
        screenshot("page2");
    }
    window.findChild<QPushButton*>("pushButton_save")->click();
    return 0;
}
