// Layout files in the window: what one window saves, a fresh window on the same PDF loads,
// and both windows and zq-extract with that layout write the same bytes.
#include "apptestsupport.h"
#include "canvas/labeldraw.h"
#include "testsupport.h"

#include <QAction>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSettings>
#include <QSpinBox>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

QByteArray contents(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void trigger(TestWindow& w, const char* action)
{
    QAction* a = w.window->findChild<QAction*>(action);
    ASSERT_NE(a, nullptr) << action;
    a->trigger();
}

QString saveCsv(TestWindow& w, const QString& path)
{
    w.dialogs->saveAnswers.append({path, "CSV File (*.csv)"});
    w.click("pushButton_save");
    return path;
}

class LayoutTest : public ::testing::Test {
protected:
    OwnWorkingDirectory cwd;
    QTemporaryDir out;
};

TEST_F(LayoutTest, SavedLayoutLoadedIntoAFreshWindowAndZqExtractGiveTheSameFile)
{
    TestWindow first;
    first.open(testDocuments().threePages);
    ASSERT_EQ(first.window->pageCount, 3);
    // Whole canvas pixels that are not whole points: the conversion must give them back.
    const double s = first.pixelsPerPoint() * first.window->zoomFactor;
    const QRectF all(QPointF(61 * s, 131 * s + 1), QPointF(431 * s + 1, 241 * s));
    CanvasMouse::drawTable(first.window->canvas(), all);
    first.click("pushButton_drawline");
    CanvasMouse::pullLine(first.window->canvas(), all, 181 * s + 1);
    CanvasMouse::pullLine(first.window->canvas(), all, 321 * s);
    first.click("pushButton");
    ASSERT_EQ(first.window->store.pageGrids.value(2).columns, 3);
    const QByteArray firstCsv = contents(saveCsv(first, out.filePath("first.csv")));
    ASSERT_FALSE(firstCsv.isEmpty());

    // "month" gets .json; the folder is remembered.
    first.dialogs->saveAnswers.append({out.filePath("month"), "Layout (*.json)"});
    trigger(first, "actionSaveLayout");
    EXPECT_EQ(first.dialogs->saveFilters.value(1), "Layout (*.json)");
    const QString layout = out.filePath("month.json");
    ASSERT_TRUE(QFile::exists(layout)) << first.dialogs->warnings.value(0).text.toStdString();
    EXPECT_TRUE(contents(layout).contains(R"("pages": "1-3")")) << contents(layout).toStdString();
    EXPECT_EQ(QSettings("setting.ini", QSettings::IniFormat).value("dir/layout").toString(), out.path());

    TestWindow second;
    second.open(testDocuments().threePages);
    second.dialogs->openAnswers.append(layout);
    trigger(second, "actionLoadLayout");
    EXPECT_EQ(second.dialogs->openStartPaths.value(1), out.path());
    EXPECT_TRUE(second.dialogs->warnings.isEmpty());
    EXPECT_EQ(second.window->store.pageGrids, first.window->store.pageGrids);
    EXPECT_FALSE(second.resultRows().isEmpty()); // the result table follows
    EXPECT_EQ(contents(saveCsv(second, out.filePath("second.csv"))), firstCsv);

    QProcess tool;
    tool.start(TestSupport::binDir() + "/zq-extract",
               {testDocuments().threePages, "-t", layout, "-o", out.filePath("tool.csv")});
    ASSERT_TRUE(tool.waitForFinished(60000));
    ASSERT_EQ(tool.exitCode(), 0) << tool.readAllStandardError().toStdString();
    EXPECT_EQ(contents(out.filePath("tool.csv")), firstCsv);

    // With "Join wrapped lines" on, the layout says so and a window loading it turns it on.
    EXPECT_TRUE(contents(layout).contains(R"("join_lines": false)"));
    first.window->joinLinesBox()->setChecked(true);
    first.dialogs->saveAnswers.append({out.filePath("joined.json"), "Layout (*.json)"});
    trigger(first, "actionSaveLayout");
    EXPECT_TRUE(contents(out.filePath("joined.json")).contains(R"("join_lines": true)"));
    first.window->joinLinesBox()->setChecked(false);
    second.dialogs->openAnswers.append(out.filePath("joined.json"));
    trigger(second, "actionLoadLayout");
    EXPECT_TRUE(second.window->joinLinesBox()->isChecked());
}

TEST_F(LayoutTest, PagesTheDocumentLacksAreReportedOnceAndBadFilesChangeNothing)
{
    QFile file(out.filePath("long.json"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(R"({"pages": [{"page": 1, "area": [130, 60, 240, 430], "columns": [180]},
                             {"pages": "3-5", "area": [130, 60, 240, 430]}]})");
    file.close();
    TestWindow w;
    w.open(testDocuments().onePage);
    w.dialogs->openAnswers.append(file.fileName());
    trigger(w, "actionLoadLayout");
    ASSERT_EQ(w.dialogs->warnings.size(), 1);
    EXPECT_TRUE(w.dialogs->warnings[0].text.contains("page 3-5, which this document (1 pages)"))
        << w.dialogs->warnings[0].text.toStdString();
    EXPECT_EQ(w.window->store.pageGrids.value(0).columns, 2);
    const auto loaded = w.window->store.pageGrids;

    QFile bad(out.filePath("bad.json"));
    ASSERT_TRUE(bad.open(QIODevice::WriteOnly));
    bad.write(R"({"pages": [{"page": 1, "area": [130, 60, 240, 430], "columns": [500]}]})");
    bad.close();
    w.dialogs->openAnswers.append(bad.fileName());
    trigger(w, "actionLoadLayout");
    ASSERT_EQ(w.dialogs->warnings.size(), 2);
    EXPECT_TRUE(w.dialogs->warnings[1].text.contains("entry 1: \"columns\": 500 lies outside the area"))
        << w.dialogs->warnings[1].text.toStdString();
    EXPECT_EQ(w.window->store.pageGrids, loaded);

    // Nothing drawn: nothing to save, and no dialog.
    TestWindow empty;
    empty.open(testDocuments().onePage);
    trigger(empty, "actionSaveLayout");
    ASSERT_EQ(empty.dialogs->warnings.size(), 1);
    EXPECT_TRUE(empty.dialogs->saveFilters.isEmpty());
}

} // namespace
