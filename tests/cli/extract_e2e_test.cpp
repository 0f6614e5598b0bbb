// zq-extract end to end: real PDFs through our converter, the page-text parser, grid
// building and both writers, read back independently and compared cell by cell.
#include "outputreader.h"
#include "pagemaker.h"
#include "sample.h"
#include "spreadsheetreadback.h"
#include "testsupport.h"
#include "toolrun.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <QThread>

#include <csignal>
#include <unistd.h>

namespace {

QStringList leftoverWorkFolders()
{
    return QDir(QDir::tempPath()).entryList({"zq-extract-*"}, QDir::Dirs | QDir::NoDotAndDotDot);
}

QString toString(const Rows& rows)
{
    QString s;
    for (const QStringList& row : rows)
        s += '[' + row.join(" | ") + "]\n";
    return s;
}

// The .xls pads rows to the widest page; drop padding beyond `columns` when it is empty.
Rows withoutPadding(Rows rows, int columns)
{
    for (QStringList& row : rows)
        while (row.size() > columns && row.last().isEmpty())
            row.removeLast();
    return rows;
}

// ---- a generated document: known cells at known places ----

const QVector<double> kColumnX = {72, 200, 330, 450};
const double kFirstBaseline = 120;
const double kRowPitch = 20;

QVector<QVector<QStringList>> generatedTables()
{
    return {
        {{"SKU", "Item", "Qty", "Amount"},
         {"GC-1", "Bark mulch, 50 l", "1,540", "-44,144.00"},
         {"GC-2", "5\" pipe", "12", "1,090.00"},
         {"GC-3", "Zoë Ørsted", "7", "0.16"}},
        {{"SKU", "Item", "Qty", "Amount"}, {"JP-1", "Привет Ωμέγα", "3", "2,500.50"}},
        {{"SKU", "Item", "Qty", "Amount"},
         {"X-1", "A & B <c>", "", "9"},
         {"X-2", "He said \",\" twice", "4", "-1"}},
    };
}

QString makeGeneratedPdf()
{
    QVector<PdfPage> pages;
    for (const auto& table : generatedTables()) {
        PdfPage page = tablePage(table, kColumnX, kFirstBaseline, kRowPitch);
        page.words.append({72, 50, "Quarterly stock report"}); // a title well above the table
        pages.append(page);
    }
    const QString path = work("generated.pdf");
    EXPECT_TRUE(writePdf(path, pages));
    return path;
}

// Table outline and separators in points for the generated pages.
QStringList generatedGeometry()
{
    return {"-a", "100,60,200,560", "-c", "190,320,440"};
}

// What each cell holds after extraction: every word followed by one blank.
Rows expectedCells(const QVector<QStringList>& table)
{
    Rows rows;
    for (const QStringList& row : table) {
        QStringList cells;
        for (const QString& cell : row)
            cells.append(cell.isEmpty() ? QString() : cell.split(' ').join(' ') + ' ');
        rows.append(cells);
    }
    return rows;
}

TEST(ExtractEndToEnd, GeneratedDocumentGivesExactlyTheDrawnCells)
{
    const QString pdf = makeGeneratedPdf();
    for (const QString& suffix : {QStringLiteral("csv"), QStringLiteral("xls"), QStringLiteral("xlsx")}) {
        const QString out = work("generated." + suffix);
        const ToolRun run = runExtract(QStringList{pdf, "-o", out} + generatedGeometry());
        ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
        QVector<Rows> pages;
        QString error;
        ASSERT_TRUE(suffix == "csv" ? readCsvPages(out, &pages, &error) : readXlsPages(out, &pages, &error))
            << error.toStdString();
        const auto tables = generatedTables();
        ASSERT_EQ(pages.size(), tables.size());
        for (int p = 0; p < tables.size(); ++p)
            EXPECT_EQ(toString(withoutPadding(pages[p], 4)).toStdString(),
                      toString(expectedCells(tables[p])).toStdString())
                << suffix.toStdString() << " page " << p + 1;
    }
    EXPECT_TRUE(leftoverWorkFolders().isEmpty());
}

// With --numbers the amounts of the generated document are numbers in both spreadsheet files;
// codes and words stay texts.
TEST(ExtractEndToEnd, NumbersAsNumbersInBothSpreadsheets)
{
    const QString pdf = makeGeneratedPdf();
    for (const QString& suffix : {QStringLiteral("xls"), QStringLiteral("xlsx")}) {
        const QString out = work("numbers." + suffix);
        const ToolRun run = runExtract(QStringList{pdf, "--numbers", "-o", out} + generatedGeometry());
        ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
        const SpreadsheetReadback read = readBackSpreadsheet(out);
        ASSERT_TRUE(read.error.isEmpty()) << read.error.toStdString();
        const Rows rows = read.sheets.value(0).shownRows();
        ASSERT_GE(rows.size(), 4) << suffix.toStdString();
        EXPECT_EQ(rows[1][0], "GC-1 ");
        EXPECT_EQ(rows[1][2], "<number:1540|#,##0>");
        EXPECT_EQ(rows[1][3], "<number:-44144|#,##0.00>");
        EXPECT_EQ(rows[3][3], "<number:0.16|0.00>");
        EXPECT_EQ(rows[0][3], "Amount ");
    }
}

TEST(ExtractEndToEnd, PageListLeavesOtherPagesEmpty)
{
    const QString pdf = makeGeneratedPdf();
    const QString out = work("some.csv");
    const ToolRun run = runExtract(QStringList{pdf, "-p", "2-3", "-o", out} + generatedGeometry());
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    QVector<Rows> pages;
    QString error;
    ASSERT_TRUE(readCsvPages(out, &pages, &error)) << error.toStdString();
    ASSERT_EQ(pages.size(), 3);
    EXPECT_TRUE(pages[0].isEmpty());
    EXPECT_EQ(pages[1].size(), 2);
    EXPECT_EQ(pages[2].size(), 3);
}

// ---- the sample documents with their expected tables ----

QString writeTemplate(const Sample& sample, const QString& name)
{
    QJsonArray pages;
    for (const SampleTable& table : sample.tables) {
        const SampleGeometry& g = table.geometry;
        QJsonArray columns;
        for (const double x : g.separators)
            columns.append(x);
        pages.append(QJsonObject{
            {"page", table.page}, {"area", QJsonArray{g.top, g.x0, g.bottom, g.x1}}, {"columns", columns}});
    }
    const QString path = work(name + ".json");
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(QJsonDocument(QJsonObject{{"pages", pages}}).toJson());
    return path;
}

void expectSampleTables(const Sample& sample, const QStringList& geometryArgs, const QString& name)
{
    ASSERT_TRUE(sample.error.isEmpty()) << sample.error.toStdString();
    for (const QString& suffix : {QStringLiteral("csv"), QStringLiteral("xls"), QStringLiteral("xlsx")}) {
        const QString out = work(name + '.' + suffix);
        const ToolRun run = runExtract(QStringList{sample.pdf, "-o", out} + geometryArgs);
        ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
        QVector<Rows> pages;
        QString error;
        ASSERT_TRUE(suffix == "csv" ? readCsvPages(out, &pages, &error) : readXlsPages(out, &pages, &error))
            << error.toStdString();
        ASSERT_EQ(pages.size(), sample.pageCount);
        for (const SampleTable& table : sample.tables)
            EXPECT_EQ(toString(withoutPadding(normalized(pages[table.page - 1]), table.cols)).toStdString(),
                      toString(table.cells).toStdString())
                << name.toStdString() << '.' << suffix.toStdString() << " page " << table.page;
    }
}

TEST(ExtractSamples, EachTableReadsBackAsExpected)
{
    for (const QString name : {"timesheet", "rates-wide", "rotated-schedule"}) {
        const Sample sample = loadSample(name);
        expectSampleTables(sample, {"-t", writeTemplate(sample, name)}, name);
    }
}

TEST(ExtractSamples, OneGeometryAppliedToEveryPage)
{
    const Sample sample = loadSample("inventory-3pages");
    ASSERT_TRUE(sample.applyAll);
    expectSampleTables(sample, {"-a", sample.applyAll->area(), "-c", sample.applyAll->columns(), "-p", "all"},
                       "inventory-3pages");
}

// ---- failures: the right exit code, a clear message, nothing left behind ----

TEST(ExtractFailures, ExitCodesAndMessages)
{
    const QString pdf = makeGeneratedPdf();
    QFile corrupt(work("corrupt.pdf"));
    ASSERT_TRUE(corrupt.open(QIODevice::WriteOnly));
    corrupt.write("%PDF-1.4\nthis is not really a PDF\n");
    corrupt.close();

    const QString out = work("out.csv");
    EXPECT_EQ(runExtract(QStringList{work("missing.pdf"), "-o", out} + generatedGeometry()).exitCode, 2);
    const ToolRun bad = runExtract(QStringList{corrupt.fileName(), "-o", out} + generatedGeometry());
    EXPECT_EQ(bad.exitCode, 2);
    EXPECT_TRUE(bad.err.contains("corrupt.pdf")) << bad.err.toStdString();
    const ToolRun pastEnd = runExtract(QStringList{pdf, "-p", "4", "-o", out} + generatedGeometry());
    EXPECT_EQ(pastEnd.exitCode, 1);
    EXPECT_TRUE(pastEnd.err.contains("Usage")) << pastEnd.err.toStdString();
    EXPECT_EQ(runExtract({pdf, "-o", out}).exitCode, 1);
    EXPECT_EQ(
        runExtract(QStringList{pdf, "-o", work("no/such/folder/out.xls")} + generatedGeometry()).exitCode, 3);
    EXPECT_FALSE(QFile::exists(out));

    // An output that cannot be written keeps the previous file as it was.
    QFile existing(work("keep.csv"));
    ASSERT_TRUE(existing.open(QIODevice::WriteOnly));
    existing.write("previous");
    existing.close();
    EXPECT_EQ(runExtract(QStringList{pdf, "-o", work("keep.csv/inner.csv")} + generatedGeometry()).exitCode,
              3);
    ASSERT_TRUE(existing.open(QIODevice::ReadOnly));
    EXPECT_EQ(existing.readAll(), "previous");

    // The output may not be the input, by any spelling; a pipe nobody reads is refused
    // instead of waiting for ever.
    const QByteArray pdfBytes = [&] {
        QFile f(pdf);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }();
    ASSERT_TRUE(QFile::link(pdf, work("link-to-input.csv")));
    for (const QString& same : {pdf, work("link-to-input.csv")}) {
        const ToolRun onInput = runExtract(QStringList{pdf, "-o", same} + generatedGeometry());
        EXPECT_EQ(onInput.exitCode, 1);
        EXPECT_TRUE(onInput.err.contains("is the input file")) << onInput.err.toStdString();
    }
    QFile input(pdf);
    ASSERT_TRUE(input.open(QIODevice::ReadOnly));
    EXPECT_EQ(input.readAll(), pdfBytes);
    const QByteArray fifo = QFile::encodeName(work("unread.csv"));
    ASSERT_EQ(::mkfifo(fifo.constData(), 0600), 0);
    const ToolRun unread =
        runExtract(QStringList{pdf, "-o", work("unread.csv")} + generatedGeometry(), 60000);
    EXPECT_EQ(unread.exitCode, 3);
    EXPECT_TRUE(unread.err.contains("Nothing reads")) << unread.err.toStdString();

    EXPECT_TRUE(leftoverWorkFolders().isEmpty()) << leftoverWorkFolders().join(' ').toStdString();
}

TEST(ExtractFailures, InterruptFromTheTerminalIsReportedAsSuchWhateverTheConverterDid)
{
    QVector<PdfPage> pages(150, tablePage({{"a", "b"}, {"c", "d"}}, kColumnX, kFirstBaseline, kRowPitch));
    const QString pdf = work("long.pdf");
    ASSERT_TRUE(writePdf(pdf, pages));
    QProcess p;
    // A process group of its own, as a terminal gives a job.
    p.setChildProcessModifier([] { ::setpgid(0, 0); });
    p.start(TestSupport::binDir() + "/zq-extract",
            QStringList{pdf, "-o", work("long.xls")} + generatedGeometry());
    ASSERT_TRUE(p.waitForStarted());
    // Wait until the converter has made its first page, then interrupt the whole group.
    auto firstPageWritten = [] {
        const QStringList folders = leftoverWorkFolders();
        return !folders.isEmpty() && QFile::exists(QDir::tempPath() + '/' + folders[0] + "/text_pg_0001.png");
    };
    for (int i = 0; i < 500 && !firstPageWritten(); ++i)
        QThread::msleep(10);
    ASSERT_TRUE(firstPageWritten());
    const pid_t group = static_cast<pid_t>(p.processId());
    ::kill(-group, SIGINT);
    ASSERT_TRUE(p.waitForFinished(30000));
    EXPECT_EQ(p.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(p.exitCode(), 130);
    const QString err = QString::fromLocal8Bit(p.readAllStandardError());
    EXPECT_TRUE(err.contains("zq-extract: interrupted")) << err.toStdString();
    EXPECT_FALSE(err.contains("cannot be read")) << err.toStdString();
    EXPECT_NE(::kill(-group, 0), 0); // no converter left in the group
    EXPECT_TRUE(leftoverWorkFolders().isEmpty()) << leftoverWorkFolders().join(' ').toStdString();
}

// zq-extract copied beside the stand-in converter, which misbehaves as $ZQ_STANDIN says.
class ExtractWithStandIn : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(QFile::copy(TestSupport::binDir() + "/zq-extract", bin.filePath("zq-extract")));
        QFile(bin.filePath("zq-extract")).setPermissions(QFile::ExeOwner | QFile::ReadOwner);
        ASSERT_TRUE(
            QFile::link(TestSupport::binDir() + "/zq_standin_converter", bin.filePath("Qtmingw.dll")));
    }
    ToolRun run(const char* standIn, const QStringList& extra = {})
    {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("ZQ_STANDIN", standIn);
        p.setProcessEnvironment(env);
        p.start(bin.filePath("zq-extract"),
                QStringList{"in.pdf", "-o", work("standin.csv"), "-a", "0,0,30,30"} + extra);
        if (!p.waitForFinished(60000)) {
            p.kill();
            p.waitForFinished();
        }
        return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1,
                {},
                QString::fromLocal8Bit(p.readAllStandardError())};
    }
    QTemporaryDir bin;
};

TEST_F(ExtractWithStandIn, EveryConverterFailureIsReportedWithItsReasonAndNothingIsWritten)
{
    const struct {
        const char* standIn;
        int exitCode;
        const char* reason;
    } cases[] = {
        {"crash:2:30", 2,
         "The conversion stopped after 2 of 30 pages: the converter was stopped by signal 6"},
        {"exit3:1:3", 2, "the file is damaged or is not a PDF document"},
        {"quiet:3:3", 2, "text.xml"},
        {"other:2:2", 2, "lists page 2 in place of page 1"},
        {"skip:1:2", 2, "the image of page 1 of 2 is missing"},
        {"hang:1:2", 2, "Page 2 could not be rendered within 1 s"},
        {"full:1:3", 4, "No space left in the temporary folder"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.standIn);
        const ToolRun r = run(c.standIn, {"--page-timeout", "1"});
        EXPECT_EQ(r.exitCode, c.exitCode);
        EXPECT_TRUE(r.err.contains(c.reason)) << r.err.toStdString();
        EXPECT_FALSE(QFile::exists(work("standin.csv")));
        EXPECT_TRUE(leftoverWorkFolders().isEmpty());
    }
    EXPECT_EQ(run("ok:2:2").exitCode, 0);
    EXPECT_TRUE(QFile::remove(work("standin.csv")));
}

TEST(ExtractFailures, MissingTemporaryFolderHasItsOwnExitCodeAndCreatesNothing)
{
    const QStringList rootBefore = QDir("/").entryList(QDir::AllEntries | QDir::Hidden | QDir::System);
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("TMPDIR", "/no/such/folder");
    p.setProcessEnvironment(env);
    p.start(TestSupport::binDir() + "/zq-extract", {"in.pdf", "-o", work("none.csv"), "-a", "0,0,30,30"});
    ASSERT_TRUE(p.waitForFinished(30000));
    EXPECT_EQ(p.exitCode(), 4);
    EXPECT_TRUE(QString::fromLocal8Bit(p.readAllStandardError())
                    .contains("No temporary folder could be created in /no/such/folder"));
    EXPECT_EQ(QDir("/").entryList(QDir::AllEntries | QDir::Hidden | QDir::System), rootBefore);
}

} // namespace
