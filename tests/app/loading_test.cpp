#include "app/messagelog.h"
#include "app/thumbnailloader.h"
#include "apptestsupport.h"
#include "canvas/labeldraw.h"
#include "pdfassembler.h"
#include "protocol/converter.h"
#include "protocol/pagefiles.h"
#include "testsupport.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QListWidget>
#include <QProcess>
#include <QProgressDialog>
#include <QPushButton>
#include <QSettings>
#include <QSpinBox>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <csignal>

namespace {

class LoadingTest : public ::testing::Test {
protected:
    const TestDocuments& docs = testDocuments();
    TestWindow w;
    ExcelMain& main = *w.window;

    QSpinBox* spin() const { return w.child<QSpinBox>("spinBox_pagenumber"); }
    QListWidget* list() const { return w.child<QListWidget>("listwidget_view"); }
    bool enabled(const char* button) const { return w.child<QPushButton>(button)->isEnabled(); }
    QString label() const { return w.child<QLabel>("label_pagenumber")->text(); }
    QString page(int n) const { return PageFiles::imagePath(main.workFolder(), n); }

    void expectNoDocument()
    {
        EXPECT_FALSE(main.isLoading());
        EXPECT_EQ(main.pageCount, 0);
        EXPECT_TRUE(main.pageTexts.isEmpty());
        EXPECT_EQ(main.store.size(), 0);
        EXPECT_EQ(list()->count(), 0);
        EXPECT_EQ(label(), "");
        EXPECT_FALSE(enabled("pushButton_save"));
        EXPECT_FALSE(enabled("pushButton_up"));
        EXPECT_FALSE(enabled("pushButton_down"));
        EXPECT_FALSE(QFile::exists(page(1)));
    }

    // A stand-in converter in a folder of its own; the window starts it instead of ours.
    QString fakeConverter(const QString& body)
    {
        writeScript(fakeFolder.filePath("Qtmingw.dll"), body);
        main.setConverterDirectory(fakeFolder.path());
        return fakeFolder.path();
    }

    QTemporaryDir fakeFolder;
};

TEST_F(LoadingTest, OnePageDocument)
{
    // The converter's command line goes to the log, quoted as it is shown.
    QFile::remove(MessageLog::logFilePath());
    const QtMessageHandler previous = qInstallMessageHandler(MessageLog::handler);
    w.open(docs.onePage);
    qInstallMessageHandler(previous);
    const QString expectedLine = "Debug: PNG FILE CMD \"\"" + TestSupport::binDir() +
                                 "/Qtmingw.dll\" -htmlformat \"" + docs.onePage + "\" \"" +
                                 main.workFolder() + "/text.xml\"\" \n";
    EXPECT_TRUE(readText(MessageLog::logFilePath()).contains(expectedLine))
        << qPrintable(readText(MessageLog::logFilePath()));

    EXPECT_EQ(main.pageCount, 1);
    EXPECT_EQ(main.pageCountText, "1");
    EXPECT_EQ(main.pdfPath, docs.onePage);
    EXPECT_EQ(label(), "/1");
    EXPECT_EQ(spin()->value(), 1);
    EXPECT_EQ(spin()->minimum(), 1);
    EXPECT_EQ(spin()->maximum(), 1);
    EXPECT_FALSE(enabled("pushButton_up"));
    EXPECT_FALSE(enabled("pushButton_down"));
    EXPECT_TRUE(enabled("pushButton_save"));
    ASSERT_EQ(list()->count(), 1);
    EXPECT_EQ(list()->item(0)->text(), "1");
    EXPECT_EQ(list()->currentRow(), 0);

    // The page texts and one empty entry per page in every store.
    ASSERT_EQ(main.pageTexts.size(), 1);
    QStringList words;
    for (const Subtext& run : main.pageTexts[0].runs)
        words.append(run.text);
    for (const char* word : {"p7r1c1", "p7r2c3", "Heading7"})
        EXPECT_TRUE(words.contains(word)) << word << " in " << qPrintable(words.join(' '));
    EXPECT_EQ(main.store.pageOutputs, QVector<QString>{QString()});
    EXPECT_EQ(main.store.pageRects, QVector<QRectF>{QRectF()});
    EXPECT_EQ(main.store.pageLines, QVector<QVector<QRectF>>{{QRectF()}});

    // Page 1 is the canvas's background at zoom 1, in the private work folder.
    EXPECT_EQ(main.currentPng, page(1));
    const QImage image(page(1));
    EXPECT_EQ(main.canvas()->size(), image.size());
    EXPECT_EQ(QFileInfo(main.workFolder()).permissions() & (QFile::ReadOther | QFile::ReadGroup), 0);
    EXPECT_TRUE(main.workFolder().startsWith(QDir::tempPath()));

    // The folder of the chosen file is remembered for the next open dialog.
    EXPECT_EQ(QSettings("setting.ini", QSettings::IniFormat).value("dir/input").toString(),
              QFileInfo(docs.onePage).absolutePath());
    EXPECT_EQ(w.dialogs->openStartPaths.value(0), ".");
    EXPECT_TRUE(w.dialogs->warnings.isEmpty());
}

TEST_F(LoadingTest, ThreePageDocumentAndNavigation)
{
    // Before any document the page box offers nothing and a page change is ignored.
    EXPECT_FALSE(spin()->isEnabled());
    EXPECT_EQ(spin()->maximum(), 0);
    spin()->setValue(5);
    EXPECT_EQ(spin()->value(), 0);
    EXPECT_EQ(main.currentPng, "");

    w.open(docs.threePages);
    EXPECT_EQ(label(), "/3");
    EXPECT_TRUE(spin()->isEnabled());
    EXPECT_EQ(spin()->maximum(), 3);
    EXPECT_FALSE(enabled("pushButton_up"));
    EXPECT_TRUE(enabled("pushButton_down"));
    ASSERT_EQ(list()->count(), 3);
    EXPECT_EQ(list()->item(2)->text(), "3");
    EXPECT_EQ(main.pageTexts.size(), 3);
    EXPECT_EQ(main.store.size(), 3);

    // Spin box.
    spin()->setValue(2);
    EXPECT_EQ(main.currentPng, page(2));
    EXPECT_EQ(list()->currentRow(), 1);
    EXPECT_TRUE(enabled("pushButton_up"));
    EXPECT_TRUE(enabled("pushButton_down"));

    // Page buttons.
    w.click("pushButton_down");
    EXPECT_EQ(spin()->value(), 3);
    EXPECT_EQ(main.currentPng, page(3));
    EXPECT_FALSE(enabled("pushButton_down"));
    EXPECT_TRUE(enabled("pushButton_up"));
    w.click("pushButton_up");
    EXPECT_EQ(spin()->value(), 2);

    // A thumbnail click, also on the page already shown.
    auto clickRow = [&](int row) {
        const QRect shown = list()->visualItemRect(list()->item(row));
        QTest::mouseClick(list()->viewport(), Qt::LeftButton, {}, shown.center());
    };
    clickRow(0);
    EXPECT_EQ(spin()->value(), 1);
    EXPECT_EQ(main.currentPng, page(1));
    EXPECT_FALSE(enabled("pushButton_up"));
    EXPECT_TRUE(enabled("pushButton_down"));
    clickRow(2);
    EXPECT_EQ(spin()->value(), 3);
    EXPECT_FALSE(enabled("pushButton_down"));
    main.currentPng.clear();
    clickRow(2);
    EXPECT_EQ(main.currentPng, page(3));

    // Moving the current row without a click does not change the page.
    list()->setCurrentRow(0);
    EXPECT_EQ(spin()->value(), 3);

    // After a page change the canvas is in the table tool and the buttons say so.
    w.click("pushButton_drawline");
    ASSERT_EQ(main.canvas()->drawMode, DrawMode::Lines);
    spin()->setValue(1);
    EXPECT_EQ(main.canvas()->drawMode, DrawMode::Rectangle);
    EXPECT_TRUE(w.child<QPushButton>("pushButton_drawrect")->isChecked());
    EXPECT_FALSE(w.child<QPushButton>("pushButton_drawline")->isChecked());
    EXPECT_FALSE(main.canvas()->hasRect);

    // Thumbnails are page images scaled to the list's icon size.
    for (int i = 0; i < 100 && !main.thumbnails()->isLoaded(0); ++i)
        QTest::qWait(10);
    ASSERT_TRUE(main.thumbnails()->isLoaded(0));
    const QList<QSize> sizes = list()->item(0)->icon().availableSizes();
    ASSERT_FALSE(sizes.isEmpty());
    EXPECT_LE(sizes[0].width(), 90);
    EXPECT_LE(sizes[0].height(), 110);
}

TEST_F(LoadingTest, SecondOpenReplacesEverythingOfTheFirst)
{
    w.open(docs.threePages);
    for (int p = 0; p < 3; ++p) {
        main.store.pageOutputs[p] = "\"first document\"\n";
        main.store.pageRects[p] = QRectF(1, 2, 3, 4);
    }
    spin()->setValue(2);
    w.open(docs.onePage);
    EXPECT_EQ(main.pageCount, 1);
    EXPECT_EQ(main.pageTexts.size(), 1);
    EXPECT_EQ(main.store.pageOutputs, QVector<QString>{QString()});
    EXPECT_EQ(main.store.pageRects, QVector<QRectF>{QRectF()});
    EXPECT_EQ(main.store.pageLines, QVector<QVector<QRectF>>{{QRectF()}});
    EXPECT_EQ(label(), "/1");
    EXPECT_EQ(list()->count(), 1);
    EXPECT_FALSE(QFile::exists(page(2)));
    EXPECT_FALSE(QFile::exists(page(3)));
    EXPECT_FALSE(enabled("pushButton_down"));
}

TEST_F(LoadingTest, CancelledOpenChangesNothing)
{
    w.open(docs.threePages);
    main.store.pageOutputs[1] = "\"kept\"\n";
    main.store.pageRects[1] = QRectF(10, 20, 30, 40);
    spin()->setValue(3);
    const PageStore before = main.store;

    w.dialogs->openAnswers.append(QString());
    w.click("pushButton_openfile");
    EXPECT_EQ(w.dialogs->busyRuns, 1);
    EXPECT_EQ(main.pageCount, 3);
    EXPECT_EQ(main.pageTexts.size(), 3);
    EXPECT_EQ(main.store.pageOutputs, before.pageOutputs);
    EXPECT_EQ(main.store.pageRects, before.pageRects);
    EXPECT_EQ(main.store.pageLines, before.pageLines);
    for (int p = 1; p <= 3; ++p)
        EXPECT_TRUE(QFile::exists(page(p))) << p;
    EXPECT_EQ(list()->count(), 3);
    EXPECT_EQ(label(), "/3");
    EXPECT_EQ(spin()->value(), 3);
    EXPECT_TRUE(enabled("pushButton_save"));
}

TEST_F(LoadingTest, FailedOpenKeepsThePreviousDocumentExactlyAsItWas)
{
    w.open(docs.threePages);
    spin()->setValue(2);
    const double s = w.pixelsPerPoint();
    CanvasMouse::drawTable(main.canvas(), QRectF(kGridLeft * s - 4, (kGridTop - 14) * s,
                                                 3 * kGridColumnPitch * s, 2 * kGridRowPitch * s));
    w.click("pushButton_zoomout");
    const QStringList rows = w.resultRows();
    ASSERT_FALSE(rows.isEmpty());
    const PageStore before = main.store;
    const QString folder = main.workFolder();
    const QRectF table = main.canvas()->getRect();
    const QSize canvasSize = main.canvas()->size();

    auto expectUnchanged = [&] {
        EXPECT_EQ(main.pageCount, 3);
        EXPECT_EQ(main.pdfPath, docs.threePages);
        EXPECT_EQ(main.pageTexts.size(), 3);
        EXPECT_EQ(main.store.pageOutputs, before.pageOutputs);
        EXPECT_EQ(main.store.pageRects, before.pageRects);
        EXPECT_EQ(main.store.pageLines, before.pageLines);
        EXPECT_EQ(spin()->value(), 2);
        EXPECT_EQ(main.zoomFactor, 1.25f);
        EXPECT_EQ(main.canvas()->getRect(), table);
        EXPECT_EQ(main.canvas()->size(), canvasSize);
        EXPECT_EQ(w.resultRows(), rows);
        EXPECT_EQ(main.workFolder(), folder);
        EXPECT_EQ(main.currentPng, page(2));
        for (int p = 1; p <= 3; ++p)
            EXPECT_TRUE(QFile::exists(page(p))) << p;
        EXPECT_EQ(list()->count(), 3);
        EXPECT_TRUE(enabled("pushButton_save"));
        EXPECT_FALSE(main.isLoading());
    };

    w.open(docs.corrupt);
    ASSERT_EQ(w.dialogs->warnings.size(), 1);
    const QString text = w.dialogs->warnings[0].text;
    EXPECT_TRUE(text.contains(docs.corrupt)) << qPrintable(text);
    EXPECT_TRUE(text.contains(converterExitMessage(int(ConverterExit::NotAPdf)))) << qPrintable(text);
    expectUnchanged();

    // A converter that dies part-way gives no shorter document either.
    fakeConverter("echo pages 300; echo page 1; kill -9 $$");
    w.open(docs.onePage);
    ASSERT_EQ(w.dialogs->warnings.size(), 2);
    EXPECT_TRUE(
        w.dialogs->warnings[1].text.contains("The conversion stopped after 1 of 300 pages: the converter "
                                             "was stopped by signal 9"))
        << qPrintable(w.dialogs->warnings[1].text);
    expectUnchanged();
    // Only the shown document's folder is left.
    EXPECT_EQ(QDir(QDir::tempPath()).entryList({"zarnich-quorvel-*"}, QDir::Dirs),
              QStringList{QFileInfo(folder).fileName()});
}

TEST_F(LoadingTest, NoTemporaryFolderCreatesAndRemovesNothingOutsideIt)
{
    const QStringList rootBefore = QDir("/").entryList(QDir::AllEntries | QDir::Hidden | QDir::System);
    const QByteArray saved = qgetenv("TMPDIR");
    for (const char* tmp : {"/no/such/folder", "/proc"}) {
        SCOPED_TRACE(tmp);
        qputenv("TMPDIR", tmp);
        {
            TestWindow fresh; // makes no folder until a document is opened
            fresh.open(docs.onePage);
            ASSERT_EQ(fresh.dialogs->warnings.size(), 1);
            EXPECT_TRUE(fresh.dialogs->warnings[0].text.contains(
                QStringLiteral("No temporary folder could be created in ") + tmp))
                << qPrintable(fresh.dialogs->warnings[0].text);
            EXPECT_EQ(fresh.window->pageCount, 0);
            EXPECT_EQ(fresh.window->workFolder(), "");
        }
    }
    qputenv("TMPDIR", saved);
    EXPECT_EQ(QDir("/").entryList(QDir::AllEntries | QDir::Hidden | QDir::System), rootBefore);
}

TEST_F(LoadingTest, PageThatNeverFinishesRenderingEndsWithTheTimeoutOrByCancel)
{
    const QString hanging = fakeFolder.filePath("hang.pdf");
    ASSERT_TRUE(writeHangingPdf(hanging));
    w.open(docs.onePage);
    main.documentLoader()->setPageTimeout(1);
    w.open(hanging);
    ASSERT_EQ(w.dialogs->warnings.size(), 1);
    EXPECT_TRUE(w.dialogs->warnings[0].text.contains("Page 1 could not be rendered within 1 s"))
        << qPrintable(w.dialogs->warnings[0].text);
    EXPECT_EQ(main.pageCount, 1);

    // With the default budget, the busy dialog's Cancel button ends it.
    main.documentLoader()->setPageTimeout(60);
    QString label;
    w.dialogs->busy = [&](QProgressDialog* dialog) {
        QTimer::singleShot(500, dialog, [&label, dialog] {
            label = dialog->labelText();
            auto* cancel = dialog->findChild<QPushButton*>();
            ASSERT_NE(cancel, nullptr);
            EXPECT_EQ(cancel->text(), "Cancel");
            cancel->click();
        });
        dialog->exec();
    };
    QElapsedTimer clock;
    clock.start();
    w.open(hanging);
    EXPECT_LT(clock.elapsed(), 10000);
    EXPECT_EQ(label, "Converting page 1 of 1");
    EXPECT_EQ(w.dialogs->warnings.size(), 1);
    EXPECT_EQ(main.pageCount, 1);
    EXPECT_EQ(main.pdfPath, docs.onePage);
    EXPECT_EQ(QDir(QDir::tempPath()).entryList({"zarnich-quorvel-*"}, QDir::Dirs).size(), 1);
}

// The window helper (the program's start and end around a window opening a document) loads
// through the stand-in converter, which hangs after one page and tells its process id.
class EndedFromOutsideTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(QFile::link(TestSupport::binDir() + "/zq_standin_converter",
                                converterDir.filePath("Qtmingw.dll")));
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("ZQ_STANDIN", "hang:1:5");
        env.insert("ZQ_STANDIN_PID", converterDir.filePath("pid"));
        env.insert("TMPDIR", tmp.path());
        helper.setProcessEnvironment(env);
        helper.start(TestSupport::binDir() + "/zq_window_helper", {converterDir.path(), "any.pdf"});
        ASSERT_TRUE(helper.waitForStarted());
        for (int i = 0; i < 500 && converterPid() == 0; ++i)
            QTest::qWait(10);
        ASSERT_GT(converterPid(), 0);
        ASSERT_EQ(privateFolders().size(), 1);
    }
    pid_t converterPid() const { return pid_t(readText(converterDir.filePath("pid")).toInt()); }
    QStringList privateFolders() const
    {
        return QDir(tmp.path()).entryList({"zarnich-quorvel-*"}, QDir::Dirs);
    }
    bool converterGone() const
    {
        for (int i = 0; i < 300; ++i) {
            if (::kill(converterPid(), 0) != 0)
                return true;
            QTest::qWait(10);
        }
        return false;
    }

    QTemporaryDir converterDir;
    QTemporaryDir tmp;
    QProcess helper;
};

TEST_F(EndedFromOutsideTest, TerminationSignalStopsTheConverterAndRemovesTheFolder)
{
    ::kill(pid_t(helper.processId()), SIGTERM);
    ASSERT_TRUE(helper.waitForFinished(10000));
    // It ends by the signal, after cleaning up.
    EXPECT_EQ(helper.exitStatus(), QProcess::CrashExit);
    EXPECT_EQ(helper.exitCode(), SIGTERM);
    EXPECT_TRUE(converterGone());
    EXPECT_TRUE(privateFolders().isEmpty()) << privateFolders().join(' ').toStdString();
}

TEST_F(EndedFromOutsideTest, KilledParentTakesItsConverterWithIt)
{
    helper.kill();
    ASSERT_TRUE(helper.waitForFinished(10000));
    EXPECT_TRUE(converterGone());
}

TEST_F(LoadingTest, MissingConverterEndsTheLoadAtOnce)
{
    main.setConverterDirectory(fakeFolder.path());
    w.open(docs.onePage);
    ASSERT_EQ(w.dialogs->warnings.size(), 1);
    EXPECT_TRUE(w.dialogs->warnings[0].text.contains(docs.onePage));
    EXPECT_TRUE(w.dialogs->warnings[0].text.contains("could not be started"));
    expectNoDocument();
}

TEST_F(LoadingTest, ClosingTheBusyDialogCancelsTheLoad)
{
    const QString pidFile = fakeFolder.filePath("pid");
    fakeConverter("echo $$ > '" + pidFile + "'\nexec sleep 30");
    bool wasShown = false;
    w.dialogs->busy = [&](QProgressDialog* dialog) {
        QTimer::singleShot(300, dialog, [&wasShown, dialog] {
            wasShown = dialog->isVisible();
            dialog->close();
        });
        dialog->exec();
    };
    QElapsedTimer clock;
    clock.start();
    w.open(docs.onePage);
    EXPECT_LT(clock.elapsed(), 10000);
    EXPECT_TRUE(wasShown);
    EXPECT_TRUE(w.dialogs->warnings.isEmpty());
    expectNoDocument();
    // The converter was stopped.
    const int pid = readText(pidFile).trimmed().toInt();
    ASSERT_GT(pid, 0);
    EXPECT_NE(::kill(pid, 0), 0);

    // Nothing of the cancelled load comes back later; the next load works.
    main.setConverterDirectory(TestSupport::binDir());
    w.dialogs->busy = nullptr;
    w.open(docs.threePages);
    QTest::qWait(50);
    EXPECT_EQ(main.pageCount, 3);
    EXPECT_EQ(main.pageTexts.size(), 3);
    EXPECT_EQ(main.store.size(), 3);
}

TEST_F(LoadingTest, LongDocumentLoadsItsFirst1999PagesLazily)
{
    ASSERT_TRUE(
        QFile::link(TestSupport::binDir() + "/zq_standin_converter", fakeFolder.filePath("Qtmingw.dll")));
    main.setConverterDirectory(fakeFolder.path());
    qputenv("ZQ_STANDIN", "ok:2001:2001");
    w.open(docs.onePage);
    qunsetenv("ZQ_STANDIN");
    EXPECT_EQ(main.pageCount, 1999);
    ASSERT_EQ(main.pageTexts.size(), 1999);
    EXPECT_EQ(main.pageTexts[1998].runs.value(0).text, "p1999");
    EXPECT_EQ(main.store.size(), 1999);
    EXPECT_EQ(label(), "/1999");
    EXPECT_EQ(list()->count(), 1999);
    ASSERT_EQ(w.dialogs->warnings.size(), 1);
    EXPECT_TRUE(w.dialogs->warnings[0].text.contains("2001")) << qPrintable(w.dialogs->warnings[0].text);
    EXPECT_TRUE(w.dialogs->warnings[0].text.contains("1999"));

    // Only the thumbnails in view are read.
    for (int i = 0; i < 100 && !main.thumbnails()->isLoaded(0); ++i)
        QTest::qWait(10);
    EXPECT_TRUE(main.thumbnails()->isLoaded(0));
    EXPECT_FALSE(main.thumbnails()->isLoaded(1998));
    // The list lays its items out in batches; scroll once the last one has its place.
    for (int i = 0; i < 200 && !list()->visualItemRect(list()->item(1998)).isValid(); ++i)
        QTest::qWait(10);
    list()->scrollToItem(list()->item(1998));
    for (int i = 0; i < 100 && !main.thumbnails()->isLoaded(1998); ++i)
        QTest::qWait(10);
    EXPECT_TRUE(main.thumbnails()->isLoaded(1998));
    EXPECT_FALSE(main.thumbnails()->isLoaded(1000));

    // The next document leaves none of these pages behind, beyond 1999 included.
    const QString longFolder = main.workFolder();
    main.setConverterDirectory(TestSupport::binDir());
    w.open(docs.onePage);
    EXPECT_EQ(main.pageCount, 1);
    EXPECT_FALSE(QFile::exists(page(2)));
    EXPECT_FALSE(QFile::exists(longFolder));
}

} // namespace
