#pragma once

// What the window tests share: answers in place of a user, generated PDFs, mouse drawing on
// the canvas, and a window with a document loaded through the real converter.

#include "app/excelmain.h"
#include "app/windowdialogs.h"
#include "pagemaker.h"

#include <QDir>
#include <QObject>
#include <QRectF>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QUrl>
#include <QVector>

#include <functional>
#include <memory>

class QWidget;
class labeldraw;

// Answers the window's questions from queues and records what it showed.
class ScriptedDialogs : public WindowDialogs {
public:
    struct Message {
        QString title;
        QString text;
    };

    QStringList openAnswers;                      // one per Open click; "" = cancelled
    QVector<QPair<QString, QString>> saveAnswers; // file name and selected filter
    bool realSaveDialog = false;                  // the real file dialog instead of saveAnswers
    QMessageBox::StandardButton informationAnswer = QMessageBox::Cancel;
    std::function<void(QProgressDialog*)> busy; // replaces running the busy dialog

    QVector<Message> warnings;
    QVector<Message> informations;
    QStringList openStartPaths;
    QStringList saveStartPaths;
    QStringList saveFilters;
    int busyRuns = 0;

    QString openFileName(QWidget*, const QString& caption, const QString& startPath,
                         const QString& filter) override;
    QString saveFileName(QWidget*, const QString& caption, const QString& startPath, const QString& filters,
                         QString* selectedFilter) override;
    void warning(QWidget*, const QString& title, const QString& text) override;
    QMessageBox::StandardButton information(QWidget*, const QString& title, const QString& text,
                                            QMessageBox::StandardButtons buttons) override;
    void runBusy(QProgressDialog* dialog) override;
};

// Rows × columns words "p<page>r<row>c<column>" on a grid: column c at x 72 + 140·c, row r's
// baseline at 150 + 24·r.
PdfPage gridPage(int page, int rows, int columns); // in DejaVu Sans 11 pt
constexpr double kGridLeft = 72;
constexpr double kGridColumnPitch = 140;
constexpr double kGridTop = 150;
constexpr double kGridRowPitch = 24;

// A window with its dialogs answered by a script, shown offscreen.
struct TestWindow {
    TestWindow();
    ~TestWindow();

    // Opens `pdf` through the Open button and waits until the load is over.
    void open(const QString& pdf);

    template <typename T> T* child(const char* name) const { return window->findChild<T*>(name); }
    void click(const char* buttonName) const;
    QStringList resultRows() const; // the result table, one line per row, cells joined by "|"
    double pixelsPerPoint() const;  // of the page images of the open document

    std::unique_ptr<ExcelMain> window;
    ScriptedDialogs* dialogs = nullptr;
};

// Draws on the canvas with real mouse events, in canvas pixels.
namespace CanvasMouse {
void drawTable(labeldraw* canvas, const QRectF& rect);
// Pulls a line down out of the table's top edge at canvas x (line tool on).
void pullLine(labeldraw* canvas, const QRectF& rect, double x);
// Hover, press and release at p: selects the line there, or commits an installed table.
void click(labeldraw* canvas, QPointF p);
} // namespace CanvasMouse

// The test documents, generated once per test run into the private temporary folder.
struct TestDocuments {
    QString onePage;    // words "p7r<row>c<column>", 2 rows × 3 columns
    QString threePages; // page p: words "p<p>r<row>c<column>", 3, 2 and 4 rows × 3 columns
    QString corrupt;    // a file that starts like a PDF but is none
    QString folder;
};
const TestDocuments& testDocuments();
constexpr int kThreePageRows[] = {3, 2, 4};

// Catches the URLs the window asks the desktop to open, for the given schemes.
class UrlCatcher : public QObject {
    Q_OBJECT
public:
    explicit UrlCatcher(const QStringList& schemes);
    ~UrlCatcher() override;
    QList<QUrl> urls;
public slots:
    void open(const QUrl& url) { urls.append(url); }

private:
    QStringList schemes_;
};

// setting.ini lives in the working directory: a test holding one of these keeps its settings
// to itself, in a folder of its own that is the working directory while it lives.
class OwnWorkingDirectory {
public:
    OwnWorkingDirectory() : previous_(QDir::currentPath()) { QDir::setCurrent(dir_.path()); }
    ~OwnWorkingDirectory() { QDir::setCurrent(previous_); }
    QString path() const { return dir_.path(); }

private:
    QTemporaryDir dir_;
    QString previous_;
};

// Writes an executable shell script (a stand-in converter, for instance).
void writeScript(const QString& path, const QString& body);

// The text of a file, or "" when missing.
QString readText(const QString& path);
