// Opening documents every other way than the Open button: named on the command line, dropped
// on the window, chosen from File > Open Recent.
#include "app/fileopening.h"
#include "app/settings.h"
#include "apptestsupport.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QMenu>
#include <QMimeData>
#include <QStatusBar>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

class OpeningTest : public ::testing::Test {
protected:
    QString status() const { return main.statusBar()->currentMessage(); }
    QString inHere(const QString& name) const { return QDir(cwd.path()).filePath(name); }

    // A drag entering the window and dropped on it; true when the window took the drag.
    bool drop(const QList<QUrl>& urls)
    {
        QMimeData data;
        data.setUrls(urls);
        const QPoint at = main.rect().center();
        QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&main, &enter);
        QDropEvent dropped(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&main, &dropped);
        // The open is queued behind the drop; its load runs to the end inside.
        QApplication::processEvents();
        EXPECT_FALSE(main.isLoading());
        return enter.isAccepted();
    }

    QList<QAction*> recentEntries() const
    {
        QList<QAction*> entries;
        for (QAction* action : w.window->findChild<QMenu*>("menu_recent")->actions())
            if (action->text().startsWith(u'&') && action->text().at(1).isDigit())
                entries.append(action);
        return entries;
    }

    OwnWorkingDirectory cwd;
    TestWindow w;
    ExcelMain& main = *w.window;
};

TEST_F(OpeningTest, FileNamedAtStartOpensOrTheStatusBarSaysWhyNot)
{
    openFileAtStart(main, "missing.pdf");
    EXPECT_EQ(main.pageCount, 0);
    EXPECT_EQ(status(), QDir::toNativeSeparators(inHere("missing.pdf")) + " does not exist.");
    openFileAtStart(main, cwd.path());
    EXPECT_EQ(status(), QDir::toNativeSeparators(cwd.path()) + " is a folder, not a PDF.");
    EXPECT_EQ(w.dialogs->busyRuns, 0);

    // A relative name is taken from the working directory, as a shell gives it.
    ASSERT_TRUE(QFile::copy(testDocuments().onePage, inHere("start.pdf")));
    openFileAtStart(main, "start.pdf");
    EXPECT_EQ(main.pageCount, 1);
    EXPECT_EQ(main.pdfPath, inHere("start.pdf"));
    EXPECT_TRUE(w.dialogs->warnings.isEmpty());
}

TEST_F(OpeningTest, DroppedPdfOpensAndAnythingElseIsRefusedKeepingTheDocument)
{
    EXPECT_TRUE(drop({QUrl::fromLocalFile(testDocuments().threePages)}));
    ASSERT_EQ(main.pageCount, 3);
    ASSERT_EQ(main.pdfPath, testDocuments().threePages);

    QFile notes(inHere("notes.txt"));
    ASSERT_TRUE(notes.open(QIODevice::WriteOnly));
    notes.write("not a document\n");
    notes.close();
    const struct {
        QList<QUrl> urls;
        bool taken;
        QString status;
    } refused[] = {
        {{QUrl::fromLocalFile(notes.fileName())}, true, notes.fileName() + " is not a PDF."},
        {{QUrl::fromLocalFile(cwd.path())}, true, cwd.path() + " is a folder, not a PDF."},
        {{QUrl::fromLocalFile(inHere("gone.pdf"))}, true, inHere("gone.pdf") + " does not exist."},
        // Not a file: the drag is refused before any drop.
        {{QUrl("https://example.org/a.pdf")}, false, ""},
    };
    const int busyRuns = w.dialogs->busyRuns;
    for (const auto& drop_ : refused) {
        main.statusBar()->clearMessage();
        EXPECT_EQ(drop(drop_.urls), drop_.taken) << qPrintable(drop_.status);
        EXPECT_EQ(status(), drop_.status);
        EXPECT_EQ(main.pageCount, 3);
        EXPECT_EQ(main.pdfPath, testDocuments().threePages);
    }
    EXPECT_EQ(w.dialogs->busyRuns, busyRuns);

    // Among several files the first PDF opens, here one whose name says nothing.
    ASSERT_TRUE(QFile::copy(testDocuments().onePage, inHere("scan")));
    drop({QUrl::fromLocalFile(notes.fileName()), QUrl::fromLocalFile(inHere("scan"))});
    EXPECT_EQ(main.pageCount, 1);
    EXPECT_EQ(main.pdfPath, inHere("scan"));

    // A PDF that fails to load is reported as an Add File would be, and changes nothing.
    drop({QUrl::fromLocalFile(testDocuments().corrupt)});
    ASSERT_EQ(w.dialogs->warnings.size(), 1);
    EXPECT_TRUE(w.dialogs->warnings[0].text.startsWith(testDocuments().corrupt + " could not be opened"));
    EXPECT_EQ(main.pageCount, 1);
    EXPECT_EQ(main.pdfPath, inHere("scan"));
}

TEST_F(OpeningTest, OpenRecentListsTheLastEightAndDropsAMissingOneWhenChosen)
{
    const QString one = testDocuments().onePage;
    const QString three = testDocuments().threePages;
    EXPECT_TRUE(recentEntries().isEmpty());
    w.open(one);
    w.open(three);
    w.open(one);
    EXPECT_EQ(AppSettings::recentFiles(), QStringList({one, three}));
    const QList<QAction*> entries = recentEntries();
    ASSERT_EQ(entries.size(), 2);
    EXPECT_EQ(entries[0]->text(), "&1 " + one);
    EXPECT_EQ(entries[1]->text(), "&2 " + three);

    // Eight are kept, the oldest goes.
    QStringList gone;
    for (int i = 1; i <= 8; ++i)
        gone.append(inHere(QStringLiteral("gone%1.pdf").arg(i)));
    AppSettings::setRecentFiles(gone);
    w.open(three);
    EXPECT_EQ(AppSettings::recentFiles(), QStringList({three}) + gone.mid(0, 7));

    // A missing file chosen leaves the list and the document shown.
    ASSERT_EQ(recentEntries().size(), 8);
    recentEntries()[1]->trigger();
    QApplication::processEvents();
    EXPECT_EQ(status(), gone[0] + " no longer exists; it was removed from the recent files.");
    EXPECT_EQ(AppSettings::recentFiles(), QStringList({three}) + gone.mid(1, 6));
    EXPECT_EQ(recentEntries().size(), 7);
    EXPECT_EQ(main.pdfPath, three);

    // A file still there opens as from Add File.
    AppSettings::setRecentFiles({one, three});
    w.window->findChild<QMenu*>("menu_file")->aboutToShow();
    recentEntries()[0]->trigger();
    QApplication::processEvents();
    EXPECT_EQ(main.pdfPath, one);
    EXPECT_EQ(main.pageCount, 1);
}

} // namespace
