// zq-extract with text recognition on the shared scanned sample: its printed cells with
// --ocr, alone and in a batch; an empty grid and a warning without it; a missing language.
#include "outputreader.h"
#include "sample.h"
#include "testsupport.h"
#include "toolrun.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

// Recognising pages takes its time: up to three minutes a run.
ToolRun recognise(const QStringList& args)
{
    return runExtract(args, 180000);
}

struct ScannedSample {
    QString pdf;
    QStringList geometry; // -a … -c …
    Rows cells;
};

ScannedSample scannedSample()
{
    const Sample sample = loadSample("scanned-delivery");
    EXPECT_TRUE(sample.error.isEmpty()) << sample.error.toStdString();
    if (sample.tables.isEmpty())
        return {};
    const SampleTable& table = sample.tables.first();
    return {sample.pdf, {"-a", table.geometry.area(), "-c", table.geometry.columns()}, table.cells};
}

int cellsRight(const Rows& got, const Rows& expected)
{
    int right = 0;
    for (int row = 0; row < std::min(got.size(), expected.size()); ++row)
        for (int column = 0; column < std::min(got[row].size(), expected[row].size()); ++column)
            right += got[row][column] == expected[row][column];
    return right;
}

Rows onlyPage(const QString& csv)
{
    QVector<Rows> pages;
    QString error;
    EXPECT_TRUE(readCsvPages(csv, &pages, &error)) << error.toStdString();
    return pages.size() == 1 ? normalized(pages[0]) : Rows();
}

} // namespace

TEST(ExtractRecognition, ScannedSampleIsReadWithOcrAloneAndInABatchAndEmptyWithout)
{
    const ScannedSample sample = scannedSample();
    QTemporaryDir dir;
    int cellCount = 0;
    for (const QStringList& row : sample.cells)
        cellCount += int(row.size());

    const QString plain = dir.filePath("plain.csv");
    const ToolRun without = recognise(QStringList{sample.pdf, "-o", plain} + sample.geometry);
    ASSERT_EQ(without.exitCode, 0) << without.err.toStdString();
    EXPECT_EQ(without.err, "zq-extract: warning: page 1 has no text layer; --ocr recognises it\n");
    EXPECT_TRUE(onlyPage(plain).isEmpty());

    const QString recognised = dir.filePath("ocr.csv");
    const ToolRun with = recognise(QStringList{sample.pdf, "--ocr", "-o", recognised} + sample.geometry);
    ASSERT_EQ(with.exitCode, 0) << with.err.toStdString();
    EXPECT_EQ(with.err, "");
    EXPECT_GE(cellsRight(onlyPage(recognised), sample.cells), 0.95 * cellCount);

    const ToolRun batch = recognise(
        QStringList{sample.pdf, "--ocr", "--format", "csv", "-o", dir.filePath("batch")} + sample.geometry);
    ASSERT_EQ(batch.exitCode, 0) << batch.err.toStdString();
    EXPECT_EQ(onlyPage(dir.filePath("batch/scanned-delivery.csv")), onlyPage(recognised));
}

TEST(ExtractRecognition, MissingLanguageIsABadArgumentNamingThePackage)
{
    QTemporaryDir dir;
    const QString out = dir.filePath("out.csv");
    const ToolRun run =
        recognise(QStringList{scannedSample().pdf, "--ocr", "--ocr-lang", "eng+zzz", "-o", out} +
                  scannedSample().geometry);
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.err.contains("install the package tesseract-ocr-zzz")) << run.err.toStdString();
    EXPECT_FALSE(QFile::exists(out));
    EXPECT_EQ(recognise({scannedSample().pdf, "--ocr-lang", "eng", "-o", out, "-a", "1,1,9,9"}).exitCode, 1);
}
