#include "apptestsupport.h"

#include "canvas/labeldraw.h"
#include "protocol/pagefiles.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QMouseEvent>
#include <QProgressDialog>
#include <QTableWidget>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

QString ScriptedDialogs::openFileName(QWidget*, const QString&, const QString& startPath, const QString&)
{
    openStartPaths.append(startPath);
    return openAnswers.isEmpty() ? QString() : openAnswers.takeFirst();
}

QString ScriptedDialogs::saveFileName(QWidget* parent, const QString& caption, const QString& startPath,
                                      const QString& filters, QString* selectedFilter)
{
    saveStartPaths.append(startPath);
    saveFilters.append(filters);
    if (realSaveDialog)
        return WindowDialogs::saveFileName(parent, caption, startPath, filters, selectedFilter);
    if (saveAnswers.isEmpty())
        return QString();
    const auto answer = saveAnswers.takeFirst();
    if (selectedFilter)
        *selectedFilter = answer.second;
    return answer.first;
}

void ScriptedDialogs::warning(QWidget*, const QString& title, const QString& text)
{
    warnings.append({title, text});
}

QMessageBox::StandardButton ScriptedDialogs::information(QWidget*, const QString& title, const QString& text,
                                                         QMessageBox::StandardButtons)
{
    informations.append({title, text});
    return informationAnswer;
}

void ScriptedDialogs::runBusy(QProgressDialog* dialog)
{
    ++busyRuns;
    if (busy) {
        busy(dialog);
        return;
    }
    // A load that never ends fails the test instead of hanging it.
    QTimer guard;
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, dialog, [dialog] {
        ADD_FAILURE() << "the busy dialog was still open after a minute";
        dialog->reject();
    });
    guard.start(60000);
    WindowDialogs::runBusy(dialog);
}

PdfPage gridPage(int page, int rows, int columns)
{
    constexpr double kPointSize = 11;
    PdfPage grid;
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < columns; ++c)
            grid.words.append({kGridLeft + kGridColumnPitch * c, kGridTop + kGridRowPitch * r,
                               QStringLiteral("p%1r%2c%3").arg(page).arg(r + 1).arg(c + 1), kPointSize});
    // A heading above the table, outside every rectangle the tests draw.
    grid.words.append({kGridLeft, 80, QStringLiteral("Heading%1").arg(page), kPointSize});
    return grid;
}

const TestDocuments& testDocuments()
{
    static const TestDocuments documents = [] {
        TestDocuments d;
        d.folder = QDir::tempPath() + "/documents";
        QDir().mkpath(d.folder);
        d.onePage = d.folder + "/one page.pdf";
        d.threePages = d.folder + "/three-pages.pdf";
        d.corrupt = d.folder + "/corrupt.pdf";
        EXPECT_TRUE(writePdf(d.onePage, {gridPage(7, 2, 3)}));
        QVector<PdfPage> pages;
        for (int p = 1; p <= 3; ++p)
            pages.append(gridPage(p, kThreePageRows[p - 1], 3));
        EXPECT_TRUE(writePdf(d.threePages, pages));
        QFile corrupt(d.corrupt);
        EXPECT_TRUE(corrupt.open(QIODevice::WriteOnly));
        corrupt.write("%PDF-1.4\n1 0 obj << /Type /Catalog >> endobj\ngarbage\n%%EOF\n");
        return d;
    }();
    return documents;
}

TestWindow::TestWindow() : window(std::make_unique<ExcelMain>())
{
    auto scripted = std::make_unique<ScriptedDialogs>();
    dialogs = scripted.get();
    window->setDialogs(std::move(scripted));
    window->show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(window.get()));
}

TestWindow::~TestWindow() = default;

void TestWindow::open(const QString& pdf)
{
    dialogs->openAnswers.append(pdf);
    click("pushButton_openfile");
    // The Open slot returns once the busy dialog is gone.
    EXPECT_FALSE(window->isLoading());
    QApplication::processEvents();
}

void TestWindow::click(const char* buttonName) const
{
    auto* button = child<QAbstractButton>(buttonName);
    ASSERT_NE(button, nullptr) << buttonName;
    QTest::mouseClick(button, Qt::LeftButton);
}

QStringList TestWindow::resultRows() const
{
    const auto* table = child<QTableWidget>("tableWidget_rule");
    QStringList rows;
    for (int r = 0; r < table->rowCount(); ++r) {
        QStringList cells;
        for (int c = 0; c < table->columnCount(); ++c)
            cells.append(table->item(r, c) ? table->item(r, c)->text() : QStringLiteral("<none>"));
        rows.append(cells.join('|'));
    }
    return rows;
}

double TestWindow::pixelsPerPoint() const
{
    const auto info = DocumentInfo::read(PageFiles::documentInfoPath(window->workFolder()));
    return info && !info->pages.isEmpty() ? info->pages.first().pixelsPerPoint() : 0;
}

namespace CanvasMouse {
namespace {

// Sent straight to the canvas so hover moves arrive like drag moves.
void move(labeldraw* canvas, QPointF p, Qt::MouseButtons held)
{
    QMouseEvent event(QEvent::MouseMove, p, canvas->mapToGlobal(p), Qt::NoButton, held, Qt::NoModifier);
    QApplication::sendEvent(canvas, &event);
}

void button(labeldraw* canvas, QEvent::Type type, QPointF p)
{
    const Qt::MouseButtons held = type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton;
    QMouseEvent event(type, p, canvas->mapToGlobal(p), Qt::LeftButton, held, Qt::NoModifier);
    QApplication::sendEvent(canvas, &event);
}

void drag(labeldraw* canvas, QPointF from, QPointF to)
{
    move(canvas, from, Qt::NoButton);
    button(canvas, QEvent::MouseButtonPress, from);
    move(canvas, (from + to) / 2, Qt::LeftButton);
    move(canvas, to, Qt::LeftButton);
    button(canvas, QEvent::MouseButtonRelease, to);
}

} // namespace

void drawTable(labeldraw* canvas, const QRectF& rect)
{
    drag(canvas, rect.topLeft(), rect.bottomRight());
}

void pullLine(labeldraw* canvas, const QRectF& rect, double x)
{
    drag(canvas, QPointF(x, rect.top()), QPointF(x, rect.top() + 30));
}

void click(labeldraw* canvas, QPointF p)
{
    drag(canvas, p, p);
}

} // namespace CanvasMouse

UrlCatcher::UrlCatcher(const QStringList& schemes) : schemes_(schemes)
{
    for (const QString& scheme : schemes_)
        QDesktopServices::setUrlHandler(scheme, this, "open");
}

UrlCatcher::~UrlCatcher()
{
    for (const QString& scheme : schemes_)
        QDesktopServices::unsetUrlHandler(scheme);
}

void writeScript(const QString& path, const QString& body)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(("#!/bin/bash\n" + body + "\n").toUtf8());
    file.close();
    file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

QString readText(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}
