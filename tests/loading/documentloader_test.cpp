// The document loader on its own, headless: a stand-in converter misbehaves in every way the
// loader must catch, and the real converter meets a page that never finishes rendering.
#include "loading/documentloader.h"
#include "pdfassembler.h"
#include "protocol/pagefiles.h"
#include "testsupport.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

#include <csignal>
#include <memory>

namespace {

const QString kPrefix = QStringLiteral("zq-loadtest");

QStringList leftoverFolders()
{
    return QDir(PrivateFolder::temporaryRoot())
        .entryList({kPrefix + "-*"}, QDir::Dirs | QDir::NoDotAndDotDot);
}

bool processAlive(pid_t pid)
{
    return pid > 0 && ::kill(pid, 0) == 0;
}

class DocumentLoaderTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(
            QFile::link(TestSupport::binDir() + "/zq_standin_converter", standIn.filePath("Qtmingw.dll")));
        qputenv("ZQ_STANDIN_PID", pidFile().toLocal8Bit());
    }
    void TearDown() override
    {
        qunsetenv("ZQ_STANDIN");
        qunsetenv("ZQ_STANDIN_PID");
        EXPECT_TRUE(leftoverFolders().isEmpty()) << leftoverFolders().join(' ').toStdString();
    }

    QString pidFile() const { return standIn.filePath("pid"); }
    pid_t converterPid() const
    {
        QFile file(pidFile());
        return file.open(QIODevice::ReadOnly) ? pid_t(file.readAll().toInt()) : 0;
    }

    // Runs a load to its end and gives the one outcome reported.
    DocumentLoader::Outcome load(DocumentLoader& loader, const QString& pdf = QStringLiteral("in.pdf"))
    {
        QSignalSpy spy(&loader, &DocumentLoader::finished);
        loader.start(pdf);
        if (spy.isEmpty())
            spy.wait(30000);
        QTest::qWait(20); // a second report would show up here
        EXPECT_EQ(spy.size(), 1);
        EXPECT_FALSE(loader.isRunning());
        return spy.isEmpty() ? DocumentLoader::Outcome::Cancelled
                             : spy[0][0].value<DocumentLoader::Outcome>();
    }

    QTemporaryDir standIn;
};

TEST_F(DocumentLoaderTest, EveryMisbehaviourOfTheConverterIsAFailureNeverAShorterDocument)
{
    struct Case {
        const char* standIn;
        LoadFailure kind;
        const char* reason;
    };
    const Case cases[] = {
        {"crash:40:300", LoadFailure::Document,
         "The conversion stopped after 40 of 300 pages: the converter was stopped by signal 6"},
        {"exit3:2:5", LoadFailure::Document,
         "The conversion stopped after 2 of 5 pages: the file is damaged or is not a PDF document"},
        {"quiet:3:3", LoadFailure::Document, "without a valid description of the document (text.xml)"},
        {"other:3:3", LoadFailure::Document, "lists page 2 in place of page 1"},
        {"skip:2:3", LoadFailure::Document, "the image of page 2 of 3 is missing"},
        {"full:1:3", LoadFailure::TemporaryFolder, "No space left in the temporary folder"},
        {"hang:1:3", LoadFailure::Timeout, "Page 2 could not be rendered within 1 s"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.standIn);
        qputenv("ZQ_STANDIN", c.standIn);
        DocumentLoader loader(standIn.path(), kPrefix);
        loader.setPageTimeout(1);
        QSignalSpy progress(&loader, &DocumentLoader::progress);
        EXPECT_EQ(load(loader), DocumentLoader::Outcome::Failed);
        EXPECT_EQ(loader.failureKind(), c.kind);
        EXPECT_TRUE(loader.failureReason().contains(c.reason)) << loader.failureReason().toStdString();
        EXPECT_EQ(loader.takeDocument().pageCount(), 0);
        EXPECT_TRUE(leftoverFolders().isEmpty());
        EXPECT_FALSE(processAlive(converterPid()));
        ASSERT_FALSE(progress.isEmpty());
        EXPECT_EQ(progress.last()[1].toInt(), QByteArray(c.standIn).split(':')[2].toInt());
    }
}

TEST_F(DocumentLoaderTest, CompleteDocumentHandsOverItsFolderAndTexts)
{
    qputenv("ZQ_STANDIN", "ok:3:3");
    DocumentLoader loader(standIn.path(), kPrefix);
    QSignalSpy progress(&loader, &DocumentLoader::progress);
    ASSERT_EQ(load(loader), DocumentLoader::Outcome::Complete);
    EXPECT_EQ(progress.last(), (QList<QVariant>{3, 3}));
    {
        LoadedDocument document = loader.takeDocument();
        ASSERT_EQ(document.pageCount(), 3);
        EXPECT_EQ(document.info.pageCount, 3);
        EXPECT_EQ(document.texts[2].runs.value(0).text, "p3");
        EXPECT_TRUE(QFile::exists(PageFiles::imagePath(document.folderPath(), 3)));
        EXPECT_EQ(leftoverFolders().size(), 1);
    }
    // The folder went with the document.
    EXPECT_TRUE(leftoverFolders().isEmpty());
}

TEST_F(DocumentLoaderTest, ProgressReachesTotalAndOtherConverterOutputIsIgnored)
{
    // The converter's progress lines, with noise between them, or none at all.
    for (const char* standInMode : {"ok:3:3", "noisy:3:3", "mute:3:3"}) {
        SCOPED_TRACE(standInMode);
        qputenv("ZQ_STANDIN", standInMode);
        DocumentLoader loader(standIn.path(), kPrefix);
        QSignalSpy converting(&loader, &DocumentLoader::progress);
        QSignalSpy reading(&loader, &DocumentLoader::readingProgress);
        ASSERT_EQ(load(loader), DocumentLoader::Outcome::Complete) << loader.failureReason().toStdString();
        const bool mute = QByteArray(standInMode).startsWith("mute");
        EXPECT_EQ(converting.isEmpty(), mute);
        int previous = 0;
        for (const QList<QVariant>& step : converting) {
            EXPECT_EQ(step[1].toInt(), 3);
            EXPECT_GE(step[0].toInt(), previous);
            previous = step[0].toInt();
        }
        if (!mute) {
            EXPECT_EQ(converting.last(), (QList<QVariant>{3, 3}));
        }
        ASSERT_FALSE(reading.isEmpty());
        EXPECT_EQ(reading.last(), (QList<QVariant>{3, 3}));
        EXPECT_EQ(loader.takeDocument().pageCount(), 3);
    }
}

TEST_F(DocumentLoaderTest, CancelInEachStageAndDestructionMidRunLeaveNothing)
{
    // While converting: at the first page.
    qputenv("ZQ_STANDIN", "hang:1:3");
    {
        DocumentLoader loader(standIn.path(), kPrefix);
        QObject::connect(&loader, &DocumentLoader::progress, &loader, [&](int done) {
            if (done == 1)
                loader.cancel();
        });
        EXPECT_EQ(load(loader), DocumentLoader::Outcome::Cancelled);
        EXPECT_FALSE(processAlive(converterPid()));
        EXPECT_TRUE(leftoverFolders().isEmpty());
    }
    // While reading the page texts, after the converter has ended.
    qputenv("ZQ_STANDIN", "ok:400:400");
    {
        DocumentLoader loader(standIn.path(), kPrefix);
        QTimer watch;
        QObject::connect(&watch, &QTimer::timeout, &loader, [&] {
            if (loader.stage() == DocumentLoader::Stage::Reading)
                loader.cancel();
        });
        watch.start(0);
        EXPECT_EQ(load(loader), DocumentLoader::Outcome::Cancelled);
        EXPECT_EQ(loader.takeDocument().pageCount(), 0);
        EXPECT_TRUE(leftoverFolders().isEmpty());
    }
    // Destroyed while the converter runs.
    qputenv("ZQ_STANDIN", "hang:2:3");
    {
        auto loader = std::make_unique<DocumentLoader>(standIn.path(), kPrefix);
        QSignalSpy progress(loader.get(), &DocumentLoader::progress);
        loader->start("in.pdf");
        while (progress.size() < 3 && progress.wait(10000)) {
        }
        EXPECT_EQ(leftoverFolders().size(), 1);
        const pid_t pid = converterPid();
        EXPECT_TRUE(processAlive(pid));
        loader.reset();
        EXPECT_FALSE(processAlive(pid));
    }
}

TEST_F(DocumentLoaderTest, NoTemporaryFolderStartsNothing)
{
    const QByteArray saved = qgetenv("TMPDIR");
    for (const char* tmp : {"/no/such/folder", "/proc"}) {
        SCOPED_TRACE(tmp);
        qputenv("TMPDIR", tmp);
        QFile::remove(pidFile());
        DocumentLoader loader(standIn.path(), kPrefix);
        EXPECT_EQ(load(loader), DocumentLoader::Outcome::Failed);
        EXPECT_EQ(loader.failureKind(), LoadFailure::TemporaryFolder);
        EXPECT_TRUE(loader.failureReason().startsWith(
            QStringLiteral("No temporary folder could be created in ") + tmp))
            << loader.failureReason().toStdString();
        EXPECT_FALSE(QFile::exists(pidFile())); // the converter was never started
    }
    qputenv("TMPDIR", saved);
}

TEST_F(DocumentLoaderTest, RealConverterStopsAtAPageThatNeverFinishesRendering)
{
    const QString pdf = standIn.filePath("hang.pdf");
    ASSERT_TRUE(writeHangingPdf(pdf));
    DocumentLoader loader(TestSupport::binDir(), kPrefix);
    loader.setPageTimeout(1);
    QElapsedTimer clock;
    clock.start();
    EXPECT_EQ(load(loader, pdf), DocumentLoader::Outcome::Failed);
    EXPECT_LT(clock.elapsed(), 20000);
    EXPECT_EQ(loader.failureKind(), LoadFailure::Timeout);
    EXPECT_EQ(loader.failureReason(), "Page 1 could not be rendered within 1 s");
}

} // namespace
