// The window and zq-extract write the same bytes for the same table: the window's table is
// drawn with the mouse on whole canvas pixels, zq-extract gets the same places in points.
#include "apptestsupport.h"
#include "canvas/labeldraw.h"
#include "sample.h"
#include "testsupport.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QSpinBox>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cmath>

namespace {

// A place in points snapped to a canvas pixel that is a multiple of 4 (3 points at 96 dpi),
// so points → pixels in zq-extract gives that very pixel back.
struct Snapped {
    double pixels;
    double points;
};

Snapped snap(double points, double pixelsPerPoint)
{
    const double pixels = 4 * std::round(points * pixelsPerPoint / 4);
    return {pixels, pixels / pixelsPerPoint};
}

QString number(double value)
{
    return QString::number(value, 'g', 17);
}

// Draws the table on `page` with the mouse and returns its geometry in points for zq-extract.
QJsonObject drawTable(TestWindow& w, int page, const SampleGeometry& table, double s)
{
    labeldraw* canvas = w.window->canvas();
    const Snapped x0 = snap(table.x0, s);
    const Snapped top = snap(table.top, s);
    const Snapped x1 = snap(table.x1, s);
    const Snapped bottom = snap(table.bottom, s);
    const QRectF rect(x0.pixels, top.pixels, x1.pixels - x0.pixels, bottom.pixels - top.pixels);
    w.click("pushButton_drawrect");
    CanvasMouse::drawTable(canvas, rect);
    w.click("pushButton_drawline");
    QJsonArray columns;
    for (const double separator : table.separators) {
        const Snapped x = snap(separator, s);
        CanvasMouse::pullLine(canvas, rect, x.pixels);
        columns.append(x.points);
    }
    w.click("pushButton_drawline"); // back to the table tool
    EXPECT_EQ(canvas->getLines().size(), table.separators.size());
    return QJsonObject{{"page", page},
                       {"area", QJsonArray{top.points, x0.points, bottom.points, x1.points}},
                       {"columns", columns}};
}

QByteArray readBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void saveFromWindow(TestWindow& w, const QString& path, const QString& filter)
{
    w.dialogs->saveAnswers.append({path, filter});
    w.dialogs->informationAnswer = QMessageBox::Cancel;
    w.click("pushButton_save");
    ASSERT_TRUE(w.dialogs->warnings.isEmpty()) << w.dialogs->warnings.last().text.toStdString();
}

void extract(const QStringList& args)
{
    QProcess p;
    p.start(TestSupport::binDir() + "/zq-extract", args);
    ASSERT_TRUE(p.waitForFinished(120000));
    ASSERT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
}

// An .xlsx file's parts, without the one holding the time it was written (nor the times in
// the zip headers).
QByteArray workbookParts(const QString& path)
{
    QProcess python;
    python.start(TestSupport::systemPython(),
                 {"-c",
                  "import sys, zipfile\n"
                  "z = zipfile.ZipFile(sys.argv[1])\n"
                  "for n in sorted(z.namelist()):\n"
                  "    if n != 'docProps/core.xml': sys.stdout.buffer.write(n.encode() + z.read(n))\n",
                  path});
    EXPECT_TRUE(python.waitForFinished(30000));
    EXPECT_EQ(python.exitCode(), 0) << python.readAllStandardError().toStdString();
    return python.readAllStandardOutput();
}

void expectSameFiles(TestWindow& w, const QString& name, const QStringList& geometryArgs, const QString& pdf)
{
    for (const auto& [suffix, filter] :
         {std::pair{QStringLiteral("csv"), QStringLiteral("CSV File (*.csv)")},
          std::pair{QStringLiteral("xls"), QStringLiteral("Excel File (*.xls)")},
          std::pair{QStringLiteral("xlsx"), QStringLiteral("Excel 2007+ File (*.xlsx)")}}) {
        const QString fromWindow = TestSupport::workDir() + '/' + name + "-window." + suffix;
        const QString fromTool = TestSupport::workDir() + '/' + name + "-tool." + suffix;
        saveFromWindow(w, fromWindow, filter);
        extract(QStringList{pdf, "-o", fromTool} + geometryArgs);
        const bool workbook = suffix == "xlsx";
        const QByteArray windowBytes = workbook ? workbookParts(fromWindow) : readBytes(fromWindow);
        EXPECT_GT(windowBytes.size(), 500) << suffix.toStdString();
        EXPECT_TRUE(windowBytes == (workbook ? workbookParts(fromTool) : readBytes(fromTool)))
            << name.toStdString() << '.' << suffix.toStdString();
    }
}

TEST(ExtractParity, TableAppliedToAllPagesInTheWindowAndByTheTool)
{
    const Sample sample = loadSample("inventory-3pages");
    ASSERT_TRUE(sample.applyAll) << sample.error.toStdString();
    OwnWorkingDirectory cwd;
    TestWindow w;
    w.open(sample.pdf);
    ASSERT_EQ(w.window->pageCount, 3);
    const QJsonObject geometry = drawTable(w, 1, *sample.applyAll, w.pixelsPerPoint());
    w.click("pushButton"); // Apply to All

    QStringList columns;
    for (const QJsonValue& x : geometry["columns"].toArray())
        columns.append(number(x.toDouble()));
    QStringList area;
    for (const QJsonValue& v : geometry["area"].toArray())
        area.append(number(v.toDouble()));
    expectSameFiles(w, "inventory", {"-a", area.join(','), "-c", columns.join(','), "-p", "all"}, sample.pdf);
}

TEST(ExtractParity, OwnTableOnEachPageInTheWindowAndFromATemplate)
{
    const Sample sample = loadSample("rotated-schedule");
    ASSERT_TRUE(sample.error.isEmpty()) << sample.error.toStdString();
    OwnWorkingDirectory cwd;
    TestWindow w;
    w.open(sample.pdf);
    ASSERT_EQ(w.window->pageCount, 2);
    QJsonArray pages;
    for (const SampleTable& table : sample.tables) {
        w.child<QSpinBox>("spinBox_pagenumber")->setValue(table.page);
        ASSERT_EQ(w.window->currentPng.right(16),
                  QStringLiteral("text_pg_%1.png").arg(table.page, 4, 10, QChar('0')));
        pages.append(drawTable(w, table.page, table.geometry, w.pixelsPerPoint()));
    }
    const QString templatePath = TestSupport::workDir() + "/schedule.json";
    QFile file(templatePath);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(QJsonDocument(QJsonObject{{"pages", pages}}).toJson());
    file.close();
    expectSameFiles(w, "schedule", {"-t", templatePath}, sample.pdf);
}

} // namespace
