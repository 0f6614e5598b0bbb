// Hostile documents through the converter and zq-extract: truncated and garbage files, a
// document without pages, an enormous page, more pages than the window handles and a
// password-protected file. Each run must end within its time and address-space limits with
// the right exit code and, on failure, exactly one line on stderr saying why.
#include "cli/extractoptions.h"
#include "outputreader.h"
#include "pagemaker.h"
#include "pdfassembler.h"
#include "protocol/converter.h"
#include "testsupport.h"
#include "toolrun.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFont>
#include <QImageReader>
#include <QPainter>
#include <QPdfWriter>
#include <QProcess>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <gtest/gtest.h>

#include <sys/resource.h>

// AddressSanitizer reserves terabytes of address space, so its builds run without the limit.
#if defined(__SANITIZE_ADDRESS__)
#define ZQ_ADDRESS_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define ZQ_ADDRESS_SANITIZER 1
#endif
#endif

namespace {

#ifdef ZQ_ADDRESS_SANITIZER
constexpr bool kLimitAddressSpace = false;
#else
constexpr bool kLimitAddressSpace = true;
#endif
constexpr rlim_t kAddressSpace = rlim_t(3) << 30;

struct Outcome {
    bool finished = false; // exited normally within the time allowed
    int exitCode = -1;
    QString err;
    qint64 elapsedMs = 0;
};

// Runs a tool (and whatever it starts) with at most 3 GB of address space, stopping it when it
// takes longer than `timeoutMs`.
Outcome runBounded(const QString& program, const QStringList& arguments, int timeoutMs)
{
    QProcess process;
    if (kLimitAddressSpace) {
        process.setChildProcessModifier([] {
            const rlimit limit{kAddressSpace, kAddressSpace};
            setrlimit(RLIMIT_AS, &limit);
        });
    }
    QElapsedTimer timer;
    timer.start();
    process.start(program, arguments);
    Outcome outcome;
    if (process.waitForFinished(timeoutMs)) {
        outcome.finished = process.exitStatus() == QProcess::NormalExit;
        outcome.exitCode = process.exitCode();
    } else {
        // zq-extract stops its converter on SIGTERM; kill whatever still runs after that.
        process.terminate();
        if (!process.waitForFinished(5000)) {
            process.kill();
            process.waitForFinished();
        }
    }
    outcome.elapsedMs = timer.elapsed();
    outcome.err = QString::fromLocal8Bit(process.readAllStandardError());
    return outcome;
}

Outcome convert(const QString& pdf, const QString& folder, int timeoutMs = 30000)
{
    QDir().mkpath(folder);
    const ConverterCommand command = ConverterCommand::make(TestSupport::binDir(), pdf, folder);
    return runBounded(command.program, command.arguments, timeoutMs);
}

Outcome extract(const QStringList& arguments, int timeoutMs = 30000)
{
    return runBounded(TestSupport::binDir() + "/zq-extract", arguments, timeoutMs);
}

std::string describe(const Outcome& run)
{
    return (run.finished ? "exit " + std::to_string(run.exitCode) : std::string("did not finish")) +
           " after " + std::to_string(run.elapsedMs) + " ms, stderr: " + run.err.toStdString();
}

// A failure is reported in one line, which names the document.
void expectFailure(const Outcome& run, int exitCode, const QString& pdf, const QString& reason)
{
    EXPECT_TRUE(run.finished) << describe(run);
    EXPECT_EQ(run.exitCode, exitCode) << describe(run);
    const QString line = run.err.trimmed();
    EXPECT_FALSE(line.isEmpty() || line.contains('\n')) << describe(run);
    EXPECT_TRUE(line.contains(QFileInfo(pdf).fileName())) << describe(run);
    EXPECT_TRUE(line.contains(reason)) << describe(run);
}

void expectConverterFailure(const QString& pdf, ConverterExit code, const QString& reason)
{
    const QString folder = work("pages-" + QFileInfo(pdf).baseName());
    const Outcome run = convert(pdf, folder);
    expectFailure(run, int(code), pdf, reason);
    // A failed conversion leaves no page files behind.
    EXPECT_TRUE(QDir(folder).isEmpty()) << QDir(folder).entryList(QDir::Files).join(' ').toStdString();
}

void expectExtractFailure(const QString& pdf, const QString& reason)
{
    const Outcome run = extract({pdf, "-a", "0,0,100,100", "-o", work("out.csv")});
    expectFailure(run, int(ExtractExit::Unreadable), pdf, reason);
    EXPECT_TRUE(run.err.startsWith("zq-extract: ")) << describe(run);
    EXPECT_FALSE(QFile::exists(work("out.csv")));
    EXPECT_TRUE(
        QDir(QDir::tempPath()).entryList({"zq-extract-*"}, QDir::Dirs | QDir::NoDotAndDotDot).isEmpty());
}

QString writeFile(const QString& name, const QByteArray& bytes)
{
    QFile file(work(name));
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
    return file.fileName();
}

// A PDF written byte by byte: `pages` pages of width × height points sharing one content
// stream that shows the word "p", and a cross-reference table with the true offsets.
QByteArray handWrittenPdf(int pages, int width, int height)
{
    QVector<QByteArray> objects;
    QByteArray kids;
    for (int i = 0; i < pages; ++i)
        kids += QByteArray::number(5 + i) + " 0 R ";
    const QByteArray content = "BT /F1 8 Tf 4 20 Td (p) Tj ET";
    objects << "<< /Type /Catalog /Pages 2 0 R >>"
            << "<< /Type /Pages /Kids [" + kids + "] /Count " + QByteArray::number(pages) + " >>"
            << "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>" << pdfStream(content);
    for (int i = 0; i < pages; ++i)
        objects << "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 " + QByteArray::number(width) + ' ' +
                       QByteArray::number(height) +
                       "] /Resources << /Font << /F1 3 0 R >> >> /Contents 4 0 R >>";
    return assemblePdf(objects);
}

QString tablePdf(const QString& name)
{
    const QString path = work(name);
    EXPECT_TRUE(writePdf(path, {tablePage({{"Item", "Qty"}, {"Bolts", "12"}}, {72, 200}, 120, 20)}));
    return path;
}

QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

TEST(HostileInput, TruncatedDocuments)
{
    const QByteArray whole = readAll(tablePdf("whole.pdf"));
    ASSERT_GT(whole.size(), 1000);
    // Cut inside the header's first object: nothing to recover.
    const QString stub = writeFile("stub.pdf", whole.left(40));
    expectConverterFailure(stub, ConverterExit::NotAPdf, "damaged");
    expectExtractFailure(stub, "damaged");

    // Cut in the middle: the reader may rebuild what is left or refuse it, but either way the
    // tools end in time with a plain answer.
    const QString half = writeFile("half.pdf", whole.left(whole.size() / 2));
    const Outcome converted = convert(half, work("pages-half"));
    ASSERT_TRUE(converted.finished) << describe(converted);
    if (converted.exitCode != int(ConverterExit::Success)) {
        expectConverterFailure(half, ConverterExit(converted.exitCode), "Cannot convert");
        expectExtractFailure(half, "half.pdf");
    } else {
        const Outcome extracted = extract({half, "-a", "0,0,792,612", "-o", work("half.csv")});
        EXPECT_EQ(extracted.exitCode, 0) << describe(extracted);
    }
}

TEST(HostileInput, GarbageBytes)
{
    QRandomGenerator random(8);
    QByteArray noise(256 * 1024, Qt::Uninitialized);
    random.fillRange(reinterpret_cast<quint32*>(noise.data()), noise.size() / 4);
    for (const auto& [name, bytes] :
         {std::pair{QStringLiteral("noise.pdf"), noise},
          std::pair{QStringLiteral("header-then-noise.pdf"), "%PDF-1.7\n" + noise},
          std::pair{QStringLiteral("empty.pdf"), QByteArray()}}) {
        SCOPED_TRACE(name.toStdString());
        const QString pdf = writeFile(name, bytes);
        expectConverterFailure(pdf, ConverterExit::NotAPdf, "damaged");
        expectExtractFailure(pdf, "damaged");
    }
}

TEST(HostileInput, DocumentWithoutPages)
{
    const QString pdf = writeFile("no-pages.pdf", handWrittenPdf(0, 612, 792));
    expectConverterFailure(pdf, ConverterExit::NoPages, "no pages");
    expectExtractFailure(pdf, "no pages");
}

TEST(HostileInput, PasswordProtectedDocument)
{
    const QString qpdf = QStandardPaths::findExecutable("qpdf");
    if (qpdf.isEmpty())
        GTEST_SKIP() << "qpdf is not installed";
    const QString plain = tablePdf("plain.pdf");
    const QString locked = work("locked.pdf");
    const QString ownerOnly = work("owner-only.pdf");
    ASSERT_EQ(QProcess::execute(qpdf, {"--encrypt", "u", "o", "256", "--", plain, locked}), 0);
    ASSERT_EQ(QProcess::execute(qpdf, {"--encrypt", "", "o", "256", "--", plain, ownerOnly}), 0);

    expectConverterFailure(locked, ConverterExit::Locked, "password");
    expectExtractFailure(locked, "password");

    // Without a user password the document opens for anyone, so it converts as usual.
    const Outcome run =
        extract({ownerOnly, "-a", "100,60,150,300", "-c", "190", "-o", work("owner-only.csv")});
    ASSERT_EQ(run.exitCode, 0) << describe(run);
    QVector<Rows> pages;
    QString error;
    ASSERT_TRUE(readCsvPages(work("owner-only.csv"), &pages, &error)) << error.toStdString();
    ASSERT_EQ(pages.size(), 1);
    EXPECT_EQ(pages[0], Rows({{"Item ", "Qty "}, {"Bolts ", "12 "}}));
}

// A page of 200 × 200 inches, the largest a PDF may have: rendered at the lower resolution that
// fits the pixel cap, with its text still found where it stands.
TEST(HostileInput, PageOfTwoHundredInches)
{
    const QString pdf = work("huge-page.pdf");
    {
        QPdfWriter writer(pdf);
        writer.setResolution(72);
        ASSERT_TRUE(writer.setPageSize(QPageSize(QSizeF(14400, 14400), QPageSize::Point)));
        writer.setPageMargins(QMarginsF(0, 0, 0, 0));
        QPainter painter(&writer);
        QFont font(QStringLiteral("DejaVu Sans"));
        font.setPointSizeF(10);
        painter.setFont(font);
        painter.drawText(QPointF(100, 200), QStringLiteral("Huge"));
        painter.drawText(QPointF(14000, 14300), QStringLiteral("Corner"));
    }

    const QString folder = work("pages-huge");
    const Outcome converted = convert(pdf, folder);
    ASSERT_EQ(converted.exitCode, 0) << describe(converted);
    const QSize image = QImageReader(folder + "/text_pg_0001.png").size();
    EXPECT_GT(image.width(), 1000);
    EXPECT_LE(qint64(image.width()) * image.height(), 25'000'000);

    const Outcome extracted =
        extract({pdf, "-a", "150,50,14350,14350", "-c", "7000", "-o", work("huge-page.csv")});
    ASSERT_EQ(extracted.exitCode, 0) << describe(extracted);
    QVector<Rows> pages;
    QString error;
    ASSERT_TRUE(readCsvPages(work("huge-page.csv"), &pages, &error)) << error.toStdString();
    ASSERT_EQ(pages.size(), 1);
    EXPECT_EQ(pages[0], Rows({{"Huge ", ""}, {"", "Corner "}}));
}

// 2500 small pages: "all" means the first 1999, as the window counts them, with a warning.
TEST(HostileInput, MorePagesThanTheWindowHandles)
{
    const QString pdf = writeFile("many-pages.pdf", handWrittenPdf(2500, 36, 36));
    const Outcome run = extract({pdf, "-a", "0,0,36,36", "-o", work("many-pages.csv")}, 120000);
    ASSERT_EQ(run.exitCode, 0) << describe(run);
    EXPECT_TRUE(run.err.contains("2500 pages; only the first 1999 are extracted")) << describe(run);
    QVector<Rows> pages;
    QString error;
    ASSERT_TRUE(readCsvPages(work("many-pages.csv"), &pages, &error)) << error.toStdString();
    ASSERT_EQ(pages.size(), 1999);
    EXPECT_EQ(pages.first(), Rows({{"p "}}));
    EXPECT_EQ(pages.last(), Rows({{"p "}}));
}

// Hostile templates are refused before the conversion, quickly and in little memory, with
// exit 1 and one line naming the entry and the key; nothing is written.
TEST(HostileInput, Templates)
{
    const QString pdf = tablePdf("template-target.pdf");
    const QByteArray entry = R"({"page": 1, "area": [100, 60, 160, 300]})";
    QByteArray duplicates = R"({"pages": [)";
    for (int i = 0; i < 200000; ++i)
        duplicates += (i ? "," : "") + entry;
    duplicates += "]}";
    QByteArray columns = R"({"pages": [{"page": 1, "area": [100, 60, 160, 300], "columns": [)";
    for (int i = 0; i < 2000000; ++i)
        columns += (i ? ",1" : "1") + QByteArray::number(i % 100000);
    columns += "]}]}";
    ASSERT_GT(columns.size(), 12 << 20);

    const struct {
        const char* name;
        QByteArray json;
        const char* reason;
    } cases[] = {
        {"page-1e10", R"({"pages": [{"page": 1e10, "area": [100, 60, 160, 300]}]})", "entry 1: \"page\""},
        {"columns-number", R"({"pages": [{"page": 1, "area": [100, 60, 160, 300], "columns": 120}]})",
         "entry 1: \"columns\" must be a list"},
        {"duplicates", duplicates, "200000 entries, more than the 1999"},
        {"columns", columns, "larger than"},
    };
    for (const auto& c : cases) {
        const QString path = writeFile(QString("%1.json").arg(c.name), c.json);
        const QString out = work(QString("%1.csv").arg(c.name));
        const Outcome run = extract({pdf, "-t", path, "-o", out}, 15000);
        EXPECT_TRUE(run.finished) << c.name << ": " << describe(run);
        EXPECT_EQ(run.exitCode, int(ExtractExit::BadArguments)) << c.name << ": " << describe(run);
        EXPECT_TRUE(run.err.contains(c.reason) && run.err.contains(path)) << c.name << ": " << describe(run);
        EXPECT_EQ(run.err.trimmed().count('\n'), 0) << c.name << ": " << describe(run);
        EXPECT_FALSE(QFile::exists(out)) << c.name;
    }
}
