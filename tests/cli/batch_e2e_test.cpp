// zq-extract over many PDFs: real PDFs through the real tool, compared byte for byte with one
// call per PDF; failures, shards, refusals and Ctrl-C.
#include "outputreader.h"
#include "pagemaker.h"
#include "testsupport.h"
#include "toolrun.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QThread>
#include <gtest/gtest.h>

#include <csignal>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const QStringList kGeometry{"-a", "100,60,300,560", "-c", "190,320,440"};

// A one-page PDF whose table names it, so every output differs.
void makePdf(const QString& path, const QString& label, int pages = 1)
{
    const PdfPage page = tablePage({{"Name", label, "3", "4.50"}, {label + "-row", "x", "", "-1"}},
                                   {72, 200, 330, 450}, 120, 20);
    ASSERT_TRUE(writePdf(path, QVector<PdfPage>(pages, page)));
}

QByteArray contents(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing " + path.toUtf8() + '>');
}

// Every entry, hidden ones too: a batch leaves nothing but its outputs.
QStringList entries(const QString& folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                                  QDir::Name);
}

QStringList leftoverTemporaryFolders()
{
    return QDir(QDir::tempPath())
        .entryList({"zq-extract-*", "zq-batch-*"}, QDir::Dirs | QDir::NoDotAndDotDot);
}

TEST(ExtractBatch, InputsAndFolderGiveTheFilesOfOneCallEachAndABadPdfFailsAlone)
{
    const QString in = work("month");
    QDir().mkpath(in);
    const QStringList names{"b-2026-02", "a-2026-01", "c-2026-03"};
    for (const QString& name : names)
        makePdf(in + '/' + name + ".pdf", name);
    QFile bad(in + "/broken.pdf");
    ASSERT_TRUE(bad.open(QIODevice::WriteOnly));
    bad.write("%PDF-1.4\nnot really\n");
    bad.close();

    const ToolRun folderRun = runExtract(QStringList{"-b", in, "-o", work("out-xls"), "-j", "2"} + kGeometry);
    EXPECT_EQ(folderRun.exitCode, 2) << folderRun.err.toStdString();
    EXPECT_TRUE(folderRun.err.contains(in + "/broken.pdf: ")) << folderRun.err.toStdString();
    EXPECT_TRUE(folderRun.err.endsWith("3 written, 1 failed\n")) << folderRun.err.toStdString();

    QStringList inputs;
    for (const QString& name : names)
        inputs.append(in + '/' + name + ".pdf");
    const ToolRun listRun =
        runExtract(inputs + QStringList{"-o", work("out-csv"), "--format", "csv"} + kGeometry);
    EXPECT_EQ(listRun.exitCode, 0) << listRun.err.toStdString();
    EXPECT_EQ(listRun.err, "3 written, 0 failed\n");

    QStringList expectedXls, expectedCsv;
    for (const QString& name : names) {
        expectedXls.append(name + ".xls");
        expectedCsv.append(name + ".csv");
        for (const QString& suffix : {QStringLiteral(".xls"), QStringLiteral(".csv")}) {
            const QString single = work("single-" + name + suffix);
            ASSERT_EQ(runExtract(QStringList{in + '/' + name + ".pdf", "-o", single} + kGeometry).exitCode,
                      0);
            const QString batched = work((suffix == ".xls" ? "out-xls/" : "out-csv/") + name + suffix);
            EXPECT_EQ(contents(batched), contents(single)) << batched.toStdString();
        }
    }
    expectedXls.sort();
    expectedCsv.sort();
    EXPECT_EQ(entries(work("out-xls")), expectedXls);
    EXPECT_EQ(entries(work("out-csv")), expectedCsv);
    EXPECT_TRUE(leftoverTemporaryFolders().isEmpty()) << leftoverTemporaryFolders().join(' ').toStdString();
}

TEST(ExtractBatch, ShardsTogetherWriteEveryInputExactlyOnce)
{
    const QString in = work("shards");
    QDir().mkpath(in);
    QStringList expected;
    for (int i = 0; i < 7; ++i) {
        makePdf(in + QStringLiteral("/s%1.pdf").arg(i), QString::number(i));
        expected.append(QStringLiteral("s%1.csv").arg(i));
    }
    int written = 0;
    for (int shard = 0; shard < 3; ++shard) {
        const QString out = work(QStringLiteral("shard-out-%1").arg(shard));
        const ToolRun run = runExtract(QStringList{"-b", in, "-o", out, "--format", "csv", "--shard",
                                                   QStringLiteral("%1/3").arg(shard)} +
                                       kGeometry);
        ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
        // Name order s0 … s6: shard k holds s(k), s(k + 3), …
        QStringList own;
        for (int i = shard; i < 7; i += 3)
            own.append(QStringLiteral("s%1.csv").arg(i));
        EXPECT_EQ(entries(out), own) << shard;
        written += entries(out).size();
    }
    EXPECT_EQ(written, expected.size());
    // More shards than inputs: an empty share is not an error.
    EXPECT_EQ(
        runExtract(QStringList{"-b", in, "-o", work("shard-none"), "--shard", "9/10"} + kGeometry).exitCode,
        0);
}

TEST(ExtractBatch, WholeBatchRefusalsComeBeforeAnyWork)
{
    const QString in = work("refuse");
    QDir().mkpath(in + "/a");
    QDir().mkpath(in + "/b");
    QDir().mkpath(in + "/empty");
    makePdf(in + "/a/x.pdf", "a");
    makePdf(in + "/b/x.pdf", "b");
    QFile plain(work("plain-file"));
    ASSERT_TRUE(plain.open(QIODevice::WriteOnly));
    plain.close();

    struct Case {
        QStringList args;
        int exitCode;
        const char* says;
    };
    const Case cases[] = {
        {{in + "/a/x.pdf", in + "/b/x.pdf", "-o", work("clash")}, 1, "would both be written as x.xls"},
        {{"-b", in + "/empty", "-o", work("clash")}, 1, "no PDF files"},
        {{"-b", in + "/missing", "-o", work("clash")}, 1, "cannot read the folder"},
        {{in + "/a/x.pdf", "--format", "csv", "-o", work("plain-file")}, 3, "output folder"},
        {{in + "/a/x.pdf", "--format", "csv", "-o", work("plain-file/sub")}, 3, "output folder"},
        {{in + "/a/x.pdf", "--format", "csv", "-o", "/proc/zq-out"}, 3, "output folder"},
    };
    for (const Case& c : cases) {
        const ToolRun run = runExtract(c.args + kGeometry);
        EXPECT_EQ(run.exitCode, c.exitCode)
            << c.args.join(' ').toStdString() << ": " << run.err.toStdString();
        EXPECT_TRUE(run.err.contains(c.says)) << run.err.toStdString();
    }
    EXPECT_FALSE(QFileInfo::exists(work("clash")));
}

TEST(ExtractBatch, AHangingPdfFailsAloneAfterTheTimeLimit)
{
    const QString in = work("hang");
    QDir().mkpath(in);
    makePdf(in + "/fine.pdf", "fine");
    // A FIFO nobody writes to: opening it blocks the converter for ever.
    ASSERT_EQ(::mkfifo(QFile::encodeName(in + "/stuck.pdf").constData(), 0600), 0);
    const ToolRun run = runExtract(
        QStringList{in + "/fine.pdf", in + "/stuck.pdf", "-o", work("hang-out"), "--timeout", "3"} +
        kGeometry);
    EXPECT_EQ(run.exitCode, 2) << run.err.toStdString();
    EXPECT_TRUE(run.err.contains("stuck.pdf: stopped after the time limit of 3 seconds"))
        << run.err.toStdString();
    EXPECT_EQ(entries(work("hang-out")), QStringList{"fine.xls"});
    EXPECT_TRUE(leftoverTemporaryFolders().isEmpty()) << leftoverTemporaryFolders().join(' ').toStdString();
}

TEST(ExtractBatch, CtrlCStopsEveryJobAndLeavesOnlyCompleteFiles)
{
    const QString in = work("interrupt");
    QDir().mkpath(in);
    makePdf(in + "/a-short.pdf", "short");
    for (const char* name : {"b-long", "c-long", "d-long"})
        makePdf(in + '/' + name + ".pdf", name, 150);
    const QString out = work("interrupt-out");
    QProcess p;
    // In a process group of its own, so the interrupt can go to the whole group as a
    // terminal sends it.
    p.setChildProcessModifier([] { ::setpgid(0, 0); });
    p.start(TestSupport::binDir() + "/zq-extract", QStringList{"-b", in, "-o", out, "-j", "2"} + kGeometry);
    ASSERT_TRUE(p.waitForStarted());
    for (int i = 0; i < 1500 && !QFileInfo::exists(out + "/a-short.xls"); ++i)
        QThread::msleep(20);
    QThread::msleep(300); // the long ones are converting now
    ::kill(-static_cast<pid_t>(p.processId()), SIGINT);
    ASSERT_TRUE(p.waitForFinished(30000));
    const QString err = QString::fromLocal8Bit(p.readAllStandardError());
    EXPECT_EQ(p.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(p.exitCode(), 130) << err.toStdString();
    EXPECT_TRUE(err.contains("interrupted")) << err.toStdString();
    EXPECT_EQ(entries(out), QStringList{"a-short.xls"});
    QVector<Rows> pages;
    QString error;
    EXPECT_TRUE(readXlsPages(out + "/a-short.xls", &pages, &error)) << error.toStdString();
    EXPECT_TRUE(leftoverTemporaryFolders().isEmpty()) << leftoverTemporaryFolders().join(' ').toStdString();
}

} // namespace
