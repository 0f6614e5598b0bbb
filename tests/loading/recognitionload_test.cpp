// Loading with text recognition through the real converter: the recognised page arrives
// marked, and a cancel while pages are recognised leaves no child process and no folder.
#include "loading/documentloader.h"
#include "testsupport.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

#include <unistd.h>

namespace {

const QString kPrefix = QStringLiteral("zq-ocrtest");

QStringList leftoverFolders()
{
    return QDir(PrivateFolder::temporaryRoot())
        .entryList({kPrefix + "-*"}, QDir::Dirs | QDir::NoDotAndDotDot);
}

// The processes whose parent is this one, from /proc/PID/stat ("pid (name) state ppid …").
int childProcesses()
{
    int children = 0;
    for (const QString& pid : QDir("/proc").entryList(QDir::Dirs)) {
        QFile stat("/proc/" + pid + "/stat");
        if (!stat.open(QIODevice::ReadOnly))
            continue;
        const QByteArray line = stat.readAll();
        const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
        children += fields.size() > 1 && fields[1].toInt() == getpid();
    }
    return children;
}

DocumentLoader::Outcome waitForEnd(DocumentLoader& loader, QSignalSpy& finished)
{
    if (finished.isEmpty())
        finished.wait(120'000);
    EXPECT_FALSE(loader.isRunning());
    return finished.isEmpty() ? DocumentLoader::Outcome::Failed
                              : finished[0][0].value<DocumentLoader::Outcome>();
}

} // namespace

TEST(RecognitionLoad, RecognisedPageArrivesMarkedAndCancelLeavesNothing)
{
    const QString pdf = TestSupport::samplesDir() + "/scanned-delivery.pdf";
    {
        DocumentLoader loader(TestSupport::binDir(), kPrefix);
        loader.setRecognition(TextRecognition::Mode::BlankPages);
        QSignalSpy finished(&loader, &DocumentLoader::finished);
        loader.start(pdf);
        ASSERT_EQ(waitForEnd(loader, finished), DocumentLoader::Outcome::Complete)
            << loader.failureReason().toStdString();
        EXPECT_TRUE(loader.commandLine().endsWith(" --ocr")) << loader.commandLine().toStdString();
        const LoadedDocument document = loader.takeDocument();
        ASSERT_EQ(document.pageCount(), 1);
        EXPECT_TRUE(document.texts[0].recognised);
        EXPECT_GT(document.texts[0].runs.size(), 60);
    }
    EXPECT_TRUE(leftoverFolders().isEmpty());

    // Cancelled once the converter has opened the document, while it recognises page 1.
    DocumentLoader loader(TestSupport::binDir(), kPrefix);
    loader.setRecognition(TextRecognition::Mode::EveryPage, QStringLiteral("eng"));
    QObject::connect(&loader, &DocumentLoader::progress, &loader, [&](int, int total) {
        if (total > 0)
            loader.cancel();
    });
    QSignalSpy finished(&loader, &DocumentLoader::finished);
    loader.start(pdf);
    EXPECT_EQ(waitForEnd(loader, finished), DocumentLoader::Outcome::Cancelled);
    QTest::qWait(20);
    EXPECT_EQ(finished.size(), 1);
    EXPECT_EQ(childProcesses(), 0);
    EXPECT_TRUE(leftoverFolders().isEmpty()) << leftoverFolders().join(' ').toStdString();
}
