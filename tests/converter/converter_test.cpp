// The converter program on documents the tests generate and on the sample documents: its
// page files, its document description and its failures.
#include "pagemaker.h"
#include "pdfassembler.h"
#include "protocol/converter.h"
#include "protocol/pagefiles.h"
#include "testdocuments.h"
#include "testsupport.h"

#include <QDir>
#include <QFile>
#include <QImageReader>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

using namespace TestDocuments;

namespace {

constexpr double kPixelsPerPoint = 4.0 / 3; // 96 dpi
constexpr int kTolerance = 2;               // pixels

struct Span {
    int left = 0, top = 0, width = 0, height = 0;
    QString text; // as written, character references included
};

struct Outcome {
    int exitCode = -1;
    QByteArray errors; // stderr
};

Outcome convert(const QString& pdf, const QString& folder)
{
    QProcess process;
    process.start(TestSupport::binDir() + "/Qtmingw.dll",
                  {"-htmlformat", pdf, PageFiles::documentInfoPath(folder)});
    process.waitForFinished(60'000);
    if (process.exitStatus() != QProcess::NormalExit)
        return {};
    return {process.exitCode(), process.readAllStandardError()};
}

// Every line of a page text must be exactly one span.
std::vector<Span> readSpans(const QString& folder, int page)
{
    QFile file(PageFiles::textPath(folder, page));
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << file.fileName().toStdString();
    static const QRegularExpression format(
        R"re(^<span style="left:(\d+);top:(\d+);width:(\d+);height:(\d+)">([^<>\n]*)</span>$)re");
    std::vector<Span> spans;
    const QString text = QString::fromUtf8(file.readAll());
    for (const QString& line : text.split('\n', Qt::SkipEmptyParts)) {
        const auto m = format.match(line);
        EXPECT_TRUE(m.hasMatch()) << line.toStdString();
        if (m.hasMatch())
            spans.push_back({m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt(),
                             m.captured(4).toInt(), m.captured(5)});
    }
    EXPECT_TRUE(text.isEmpty() || text.endsWith('\n'));
    return spans;
}

const Span* find(const std::vector<Span>& spans, const QString& text)
{
    auto it = std::find_if(spans.begin(), spans.end(), [&](const Span& s) { return s.text == text; });
    return it == spans.end() ? nullptr : &*it;
}

QStringList pageFiles(const QString& folder)
{
    return QDir(folder).entryList({"text_pg_*", "text.xml"}, QDir::Files, QDir::Name);
}

QSize pngSize(const QString& path)
{
    QImageReader reader(path);
    return reader.format() == "png" ? reader.size() : QSize();
}

// A folder of its own for each conversion.
class ConverterTest : public ::testing::Test {
protected:
    QString folder() const { return dir_.path(); }
    QString file(const QString& name) const { return dir_.filePath(name); }
    QString outputFolder(const QString& name) const
    {
        QDir(dir_.path()).mkpath(name);
        return dir_.filePath(name);
    }

private:
    QTemporaryDir dir_;
};

} // namespace

// One document holds what a page can hold: words at known positions (two sizes on one
// line, markup characters), a page without text and a third page to check the numbering.
TEST_F(ConverterTest, WordsLandWhereTheyWereDrawnOnEveryPage)
{
    const QVector<PdfPage> pages = {
        {{{72, 100, "Quantity", 12},
          {300, 100, "Price", 12},
          {72, 160, "Total", 12},
          {300, 160, "1,250.00", 20},
          {72, 220, "a&b<c>d", 12}},
         {},
         {}},
        {},
        {{{72, 100, "third", 12}}, {}, {}},
    };
    const QString pdf = file("known.pdf");
    const auto boxes = writePdfPages(pdf, pages);
    ASSERT_EQ(boxes.size(), pages.size());
    const QString out = outputFolder("out");

    const Outcome run = convert(pdf, out);
    ASSERT_EQ(run.exitCode, 0) << run.errors.toStdString();
    EXPECT_TRUE(run.errors.isEmpty());
    EXPECT_EQ(pageFiles(out),
              QStringList({"text.xml", "text_pg_0001.htm", "text_pg_0001.png", "text_pg_0002.htm",
                           "text_pg_0002.png", "text_pg_0003.htm", "text_pg_0003.png"}));

    const auto info = DocumentInfo::read(PageFiles::documentInfoPath(out));
    ASSERT_TRUE(info);
    ASSERT_EQ(info->pageCount, 3);
    for (int page = 1; page <= 3; ++page) {
        const PageInfo& p = info->pages[page - 1];
        EXPECT_EQ(p.number, page);
        EXPECT_EQ(p.widthPt, 612);
        EXPECT_EQ(p.heightPt, 792);
        EXPECT_EQ(QSize(p.imageWidth, p.imageHeight), QSize(816, 1056));
        EXPECT_EQ(pngSize(PageFiles::imagePath(out, page)), QSize(816, 1056));
    }

    const auto spans = readSpans(out, 1);
    ASSERT_EQ(spans.size(), 5u);
    const QStringList written = {"Quantity", "Price", "Total", "1,250.00", "a&amp;b&lt;c&gt;d"};
    for (int i = 0; i < written.size(); ++i) {
        const Span* span = find(spans, written[i]);
        ASSERT_TRUE(span) << written[i].toStdString();
        // Each word its own left and width; the top and height of its line, which on the
        // line with two sizes are the larger word's.
        const QRectF word = boxes[0][i];
        QRectF line = word;
        for (const QRectF& other : boxes[0])
            if (other.bottom() > word.top() && other.top() < word.bottom())
                line = line.united(other);
        EXPECT_NEAR(span->left, word.left() * kPixelsPerPoint, kTolerance) << written[i].toStdString();
        EXPECT_NEAR(span->width, word.width() * kPixelsPerPoint, kTolerance) << written[i].toStdString();
        EXPECT_NEAR(span->top, line.top() * kPixelsPerPoint, kTolerance) << written[i].toStdString();
        EXPECT_NEAR(span->height, line.height() * kPixelsPerPoint, kTolerance) << written[i].toStdString();
    }
    for (const auto& [a, b] : {std::pair{"Quantity", "Price"}, std::pair{"Total", "1,250.00"}}) {
        EXPECT_EQ(find(spans, a)->top, find(spans, b)->top) << a;
        EXPECT_EQ(find(spans, a)->height, find(spans, b)->height) << a;
    }
    EXPECT_LT(find(spans, "Quantity")->top + find(spans, "Quantity")->height, find(spans, "Total")->top);

    EXPECT_TRUE(readSpans(out, 2).empty());
    const auto third = readSpans(out, 3);
    ASSERT_EQ(third.size(), 1u);
    EXPECT_EQ(third[0].text, "third");
}

TEST_F(ConverterTest, ControlCharactersInAWordBecomeBlanks)
{
    const QString pdf = file("control.pdf");
    ASSERT_TRUE(writeFile(pdf, pageWithMappedText("ABCDE", {u'A', 0x01, u'B', 0x1f, u'C'})));
    const QString out = outputFolder("out");
    const Outcome run = convert(pdf, out);
    ASSERT_EQ(run.exitCode, 0) << run.errors.toStdString();
    const auto spans = readSpans(out, 1);
    ASSERT_EQ(spans.size(), 1u);
    EXPECT_EQ(spans[0].text, "A B C");
}

TEST_F(ConverterTest, RotatedPageIsShownAndMeasuredAsDisplayed)
{
    if (!QFile::exists("/usr/bin/qpdf"))
        GTEST_SKIP() << "qpdf is not installed";
    const QString upright = file("upright.pdf");
    const auto boxes = writePdfPages(upright, {{{{100, 200, "Sideways", 12}}, {}, {}}});
    ASSERT_EQ(boxes.size(), 1);
    const QString rotated = file("rotated.pdf");
    ASSERT_EQ(QProcess::execute("/usr/bin/qpdf", {"--rotate=+90:1", upright, rotated}), 0);
    const QString out = outputFolder("out");

    const Outcome run = convert(rotated, out);
    ASSERT_EQ(run.exitCode, 0) << run.errors.toStdString();
    const auto info = DocumentInfo::read(PageFiles::documentInfoPath(out));
    ASSERT_TRUE(info);
    EXPECT_EQ(info->pages[0].widthPt, 792);
    EXPECT_EQ(info->pages[0].heightPt, 612);
    EXPECT_EQ(pngSize(PageFiles::imagePath(out, 1)), QSize(1056, 816));

    // Turned clockwise, a point (x, y) of the upright page shows at (792 - y, x).
    const QRectF word = boxes[0][0];
    const QRectF shown(QPointF(792 - word.bottom(), word.left()), QPointF(792 - word.top(), word.right()));
    const auto spans = readSpans(out, 1);
    ASSERT_EQ(spans.size(), 1u);
    EXPECT_NEAR(spans[0].left, shown.left() * kPixelsPerPoint, kTolerance);
    EXPECT_NEAR(spans[0].top, shown.top() * kPixelsPerPoint, kTolerance);
    EXPECT_NEAR(spans[0].width, shown.width() * kPixelsPerPoint, kTolerance);
    EXPECT_NEAR(spans[0].height, shown.height() * kPixelsPerPoint, kTolerance);
}

TEST_F(ConverterTest, EnormousPageIsRenderedWithinThePixelCap)
{
    const QString pdf = file("poster.pdf");
    const auto boxes = writePdfPages(pdf, {{{{7200, 7200, "Centre", 200}}, {}, {}, {14400, 14400}}});
    ASSERT_EQ(boxes.size(), 1);
    const QString out = outputFolder("out");
    const Outcome run = convert(pdf, out);
    ASSERT_EQ(run.exitCode, 0) << run.errors.toStdString();

    const auto info = DocumentInfo::read(PageFiles::documentInfoPath(out));
    ASSERT_TRUE(info);
    const PageInfo& page = info->pages[0];
    EXPECT_EQ(page.widthPt, 14400);
    EXPECT_LE(qint64(page.imageWidth) * page.imageHeight, 25'000'000);
    EXPECT_GE(page.imageWidth, 4900);
    EXPECT_EQ(pngSize(PageFiles::imagePath(out, 1)), QSize(page.imageWidth, page.imageHeight));
    const auto spans = readSpans(out, 1);
    ASSERT_EQ(spans.size(), 1u);
    EXPECT_NEAR(spans[0].left, boxes[0][0].left() * page.pixelsPerPoint(), kTolerance);
    EXPECT_NEAR(spans[0].width, boxes[0][0].width() * page.pixelsPerPoint(), kTolerance);
}

// The second page is missing and the third repeats the first, which the PDF reader refuses
// to build: both still get an image, and page 1 its text.
TEST_F(ConverterTest, UnreadablePagesStillGetAnImage)
{
    const QByteArray content = "BT /F1 24 Tf 72 700 Td (Hello) Tj ET";
    const QString pdf = file("broken.pdf");
    ASSERT_TRUE(writeFile(pdf, assemblePdf({"<< /Type /Catalog /Pages 2 0 R >>",
                                            "<< /Type /Pages /Kids [3 0 R 99 0 R 3 0 R] /Count 3 >>",
                                            "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] "
                                            "/Resources << /Font << /F1 4 0 R >> >> /Contents 5 0 R >>",
                                            "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>",
                                            "<< /Length " + QByteArray::number(content.size()) +
                                                " >>\nstream\n" + content + "\nendstream"})));
    const QString out = outputFolder("out");
    const Outcome run = convert(pdf, out);
    ASSERT_EQ(run.exitCode, 0) << run.errors.toStdString();

    const auto info = DocumentInfo::read(PageFiles::documentInfoPath(out));
    ASSERT_TRUE(info);
    ASSERT_EQ(info->pageCount, 3);
    for (const PageInfo& page : info->pages) {
        EXPECT_EQ(pngSize(PageFiles::imagePath(out, page.number)), QSize(page.imageWidth, page.imageHeight));
        EXPECT_TRUE(QFile::exists(PageFiles::textPath(out, page.number)));
    }
    EXPECT_TRUE(find(readSpans(out, 1), "Hello"));
}

// The window shows at most 1999 pages, but the converter numbers every page.
TEST_F(ConverterTest, ConvertsEveryPageOfALongDocument)
{
    constexpr int kPages = 2500;
    // Small blank pages sharing one content stream; the last one holds a word.
    const QByteArray last = "BT /F1 8 Tf 4 12 Td (last) Tj ET";
    QVector<QByteArray> objects = {"<< /Type /Catalog /Pages 2 0 R >>",
                                   {},
                                   "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>",
                                   "<< /Length 0 >>\nstream\n\nendstream",
                                   "<< /Length " + QByteArray::number(last.size()) + " >>\nstream\n" + last +
                                       "\nendstream"};
    QByteArray kids;
    for (int page = 1; page <= kPages; ++page) {
        const QByteArray content = page == kPages ? "5 0 R" : "4 0 R";
        objects.push_back("<< /Type /Page /Parent 2 0 R /MediaBox [0 0 36 36] "
                          "/Resources << /Font << /F1 3 0 R >> >> /Contents " +
                          content + " >>");
        kids += QByteArray::number(qulonglong(objects.size())) + " 0 R ";
    }
    objects[1] = "<< /Type /Pages /Kids [" + kids + "] /Count " + QByteArray::number(kPages) + " >>";
    const QString pdf = file("long.pdf");
    ASSERT_TRUE(writeFile(pdf, assemblePdf(objects)));
    const QString out = outputFolder("out");
    const Outcome run = convert(pdf, out);
    ASSERT_EQ(run.exitCode, 0) << run.errors.toStdString();

    const auto info = DocumentInfo::read(PageFiles::documentInfoPath(out));
    ASSERT_TRUE(info);
    EXPECT_EQ(info->pageCount, kPages);
    EXPECT_EQ(PageFiles::countPageImages(out, 10'000), kPages);
    EXPECT_EQ(pageFiles(out).size(), 2 * kPages + 1);
    const auto spans = readSpans(out, kPages);
    ASSERT_EQ(spans.size(), 1u);
    EXPECT_EQ(spans[0].text, "last");
}

// Page files of an earlier, longer document must not extend this one.
TEST_F(ConverterTest, RemovesPageFilesOfAnEarlierDocument)
{
    const QString pdf = file("short.pdf");
    ASSERT_TRUE(writePdf(pdf, {{{{72, 72, "one", 12}}, {}, {}}}));
    const QString out = outputFolder("out");
    for (int page = 1; page <= 3; ++page) {
        ASSERT_TRUE(writeFile(PageFiles::imagePath(out, page), "old"));
        ASSERT_TRUE(writeFile(PageFiles::textPath(out, page), "old"));
    }
    ASSERT_TRUE(writeFile(PageFiles::textPath(out, 4), "old"));

    ASSERT_EQ(convert(pdf, out).exitCode, 0);
    EXPECT_EQ(pageFiles(out), QStringList({"text.xml", "text_pg_0001.htm", "text_pg_0001.png"}));
    EXPECT_EQ(pngSize(PageFiles::imagePath(out, 1)), QSize(816, 1056));
}

// Whatever is wrong, the converter says so in one line on stderr, exits with the matching
// code and leaves no page files, not even those of an earlier conversion.
TEST_F(ConverterTest, BadInputGivesItsExitCodeOneLineAndNoPageFiles)
{
    const QString good = file("good.pdf");
    ASSERT_TRUE(writePdf(good, {{{{72, 72, "fine", 12}}, {}, {}}}));
    QFile goodFile(good);
    ASSERT_TRUE(goodFile.open(QIODevice::ReadOnly));
    const QByteArray goodBytes = goodFile.readAll();

    ASSERT_TRUE(writeFile(file("empty.pdf"), {}));
    ASSERT_TRUE(
        writeFile(file("corrupt.pdf"), "%PDF-1.4\n1 0 obj\n<< /Type /Cat" + QByteArray(5000, '\x9c')));
    ASSERT_TRUE(writeFile(file("text.pdf"), "Dear reader,\nthis is not a PDF.\n"));
    ASSERT_TRUE(writeFile(file("truncated.pdf"), goodBytes.left(goodBytes.size() / 3)));
    ASSERT_TRUE(writeFile(file("nopages.pdf"), assemblePdf({"<< /Type /Catalog /Pages 2 0 R >>",
                                                            "<< /Type /Pages /Kids [] /Count 0 >>"})));
    const bool haveQpdf = QFile::exists("/usr/bin/qpdf");
    if (haveQpdf) {
        ASSERT_EQ(QProcess::execute("/usr/bin/qpdf",
                                    {"--encrypt", "user", "owner", "256", "--", good, file("locked.pdf")}),
                  0);
    }

    struct Case {
        QString pdf;
        QString folder;
        ConverterExit expected;
    };
    std::vector<Case> cases = {
        {file("missing.pdf"), "a", ConverterExit::CannotOpen},
        {folder(), "b", ConverterExit::CannotOpen},
        {file("empty.pdf"), "c", ConverterExit::NotAPdf},
        {file("corrupt.pdf"), "d", ConverterExit::NotAPdf},
        {file("text.pdf"), "e", ConverterExit::NotAPdf},
        {file("truncated.pdf"), "f", ConverterExit::NotAPdf},
        {file("nopages.pdf"), "g", ConverterExit::NoPages},
        {good, "missing-folder/h", ConverterExit::CannotWrite},
    };
    if (haveQpdf)
        cases.push_back({file("locked.pdf"), "i", ConverterExit::Locked});

    for (const Case& c : cases) {
        SCOPED_TRACE(c.pdf.toStdString() + " -> " + c.folder.toStdString());
        QString out = file(c.folder);
        if (!c.folder.startsWith("missing-folder")) {
            out = outputFolder(c.folder);
            ASSERT_TRUE(writeFile(PageFiles::imagePath(out, 1), "earlier"));
            ASSERT_TRUE(writeFile(PageFiles::documentInfoPath(out), "earlier"));
        }
        const Outcome run = convert(c.pdf, out);
        EXPECT_EQ(run.exitCode, int(c.expected));
        EXPECT_EQ(run.errors.count('\n'), 1) << run.errors.toStdString();
        EXPECT_TRUE(run.errors.endsWith('\n')) << run.errors.toStdString();
        EXPECT_GT(run.errors.size(), 10);
        EXPECT_TRUE(pageFiles(out).isEmpty()) << pageFiles(out).join(' ').toStdString();
    }
}

// A page whose file cannot be written fails the conversion, and the pages written before
// and after it are removed: a folder with a gap would pass for a shorter document.
TEST_F(ConverterTest, PageFileThatCannotBeWrittenLeavesNoPages)
{
    const QVector<PdfPage> pages(4, PdfPage{{{72, 72, "page", 12}}, {}, {}});
    const QString pdf = file("four.pdf");
    ASSERT_TRUE(writePdf(pdf, pages));
    const QString out = outputFolder("out");
    ASSERT_TRUE(QDir().mkpath(PageFiles::textPath(out, 1))); // a folder in the file's place

    const Outcome run = convert(pdf, out);
    EXPECT_EQ(run.exitCode, int(ConverterExit::CannotWrite));
    EXPECT_EQ(run.errors.count('\n'), 1) << run.errors.toStdString();
    EXPECT_TRUE(pageFiles(out).isEmpty()) << pageFiles(out).join(' ').toStdString();
}

TEST_F(ConverterTest, WrongCommandLinesAreRefused)
{
    const QString pdf = file("doc.pdf");
    ASSERT_TRUE(writePdf(pdf, {PdfPage()}));
    const QStringList wrong[] = {
        {},
        {"-htmlformat", pdf},
        {"-pngformat", pdf, folder() + "/text.xml"},
        {"-htmlformat", pdf, folder() + "/text.xml", "extra"},
        {"-htmlformat", pdf, pdf}, // would write text.xml over the document
        {"-htmlformat", pdf, folder() + "/text.xml", "--page-timeout", "0"},
        {"-htmlformat", pdf, folder() + "/text.xml", "--page-timeout", "soon"},
        {"-htmlformat", pdf, folder() + "/text.xml", "--timeout", "5"},
    };
    for (const QStringList& arguments : wrong) {
        QProcess process;
        process.start(TestSupport::binDir() + "/Qtmingw.dll", arguments);
        ASSERT_TRUE(process.waitForFinished(30'000));
        EXPECT_EQ(process.exitCode(), int(ConverterExit::BadArguments)) << arguments.join(' ').toStdString();
        EXPECT_EQ(process.readAllStandardError().count('\n'), 1);
    }
    EXPECT_TRUE(QFile(pdf).size() > 0);
    EXPECT_TRUE(pageFiles(folder()).isEmpty());
}

TEST_F(ConverterTest, FullDiskIsOurOwnWriteErrorAndProgressIsOnePerPage)
{
    const QVector<PdfPage> pages(3, PdfPage{{{72, 72, "page", 12}}, {}, {}});
    const QString pdf = file("three.pdf");
    ASSERT_TRUE(writePdf(pdf, pages));

    // Progress: the page count, then every page once, in any order.
    const QString out = outputFolder("out");
    QProcess process;
    process.start(TestSupport::binDir() + "/Qtmingw.dll",
                  {"-htmlformat", pdf, PageFiles::documentInfoPath(out), "--page-timeout", "30"});
    ASSERT_TRUE(process.waitForFinished(60'000));
    EXPECT_EQ(process.exitCode(), 0);
    QStringList lines = QString::fromLatin1(process.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
    ASSERT_FALSE(lines.isEmpty());
    EXPECT_EQ(lines.takeFirst(), "pages 3");
    lines.sort();
    EXPECT_EQ(lines, (QStringList{"page 1", "page 2", "page 3"}));

    // A page image going to a full disk.
    const QString full = outputFolder("full");
    ASSERT_TRUE(QFile::link("/dev/full", PageFiles::imagePath(full, 2)));
    const Outcome run = convert(pdf, full);
    EXPECT_EQ(run.exitCode, int(ConverterExit::CannotWrite));
    EXPECT_EQ(run.errors.count('\n'), 1) << run.errors.toStdString();
    EXPECT_TRUE(run.errors.contains("No space left on device")) << run.errors.toStdString();
    EXPECT_FALSE(run.errors.contains("libpng")) << run.errors.toStdString();
}

TEST_F(ConverterTest, SampleDocumentsConvert)
{
    const QString samples = TestSupport::samplesDir();

    const QString schedule = outputFolder("schedule");
    ASSERT_EQ(convert(samples + "/rotated-schedule.pdf", schedule).exitCode, 0);
    const auto info = DocumentInfo::read(PageFiles::documentInfoPath(schedule));
    ASSERT_TRUE(info);
    ASSERT_EQ(info->pageCount, 2);
    EXPECT_EQ(QSizeF(info->pages[0].widthPt, info->pages[0].heightPt), QSizeF(612, 792));
    EXPECT_EQ(QSizeF(info->pages[1].widthPt, info->pages[1].heightPt), QSizeF(792, 612));
    const QSize landscape = pngSize(PageFiles::imagePath(schedule, 2));
    EXPECT_GT(landscape.width(), landscape.height());
    EXPECT_TRUE(find(readSpans(schedule, 2), "Saturday"));

    // The CJK names stand taller than the Latin words of their rows, yet each row is one line.
    const QString rates = outputFolder("rates");
    ASSERT_EQ(convert(samples + "/rates-wide.pdf", rates).exitCode, 0);
    const auto rateSpans = readSpans(rates, 1);
    for (const auto& row :
         {QStringList{"T-101", "Longjing", "龙井"}, QStringList{"T-102", "Biluochun", "碧螺春"}}) {
        const Span* first = find(rateSpans, row[0]);
        ASSERT_TRUE(first);
        for (const QString& text : row) {
            const Span* span = find(rateSpans, text);
            ASSERT_TRUE(span) << text.toStdString();
            EXPECT_EQ(span->top, first->top) << text.toStdString();
            EXPECT_EQ(span->height, first->height) << text.toStdString();
        }
    }
    EXPECT_LT(find(rateSpans, "T-101")->top, find(rateSpans, "T-102")->top);

    const QString timesheet = outputFolder("timesheet");
    ASSERT_EQ(convert(samples + "/timesheet.pdf", timesheet).exitCode, 0);
    const auto timesheetSpans = readSpans(timesheet, 1);
    EXPECT_TRUE(find(timesheetSpans, "&amp;"));
    EXPECT_TRUE(find(timesheetSpans, "Jiří"));

    const QString inventory = outputFolder("inventory");
    ASSERT_EQ(convert(samples + "/inventory-3pages.pdf", inventory).exitCode, 0);
    EXPECT_EQ(PageFiles::countPageImages(inventory), 3);
    EXPECT_FALSE(QFile::exists(PageFiles::textPath(inventory, 4)));
}
