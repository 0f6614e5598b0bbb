// Text recognition in the converter: generated scanned pages (a table drawn into a 300 dpi
// image, the image the page's only content) through the converter program with --ocr and the
// grid builder with the table's true geometry.
#include "extraction/layoutfile.h"
#include "extraction/pagegrid.h"
#include "protocol/converter.h"
#include "protocol/pagefiles.h"
#include "protocol/pagetext.h"
#include "testsupport.h"

#include <QFile>
#include <QFont>
#include <QPainter>
#include <QPdfWriter>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

constexpr double kScanDpi = 300;
constexpr double kDotsPerPoint = kScanDpi / 72;
constexpr double kPixelsPerPoint = 4.0 / 3;                    // the converter's 96 dpi page images
const QVector<double> kColumnEdges = {60, 150, 340, 430, 550}; // points; rules between columns
constexpr double kTableTop = 150;
constexpr double kRowPitch = 22;
const QVector<bool> kNumberColumn = {false, false, true, true};

using Table = QVector<QStringList>;

Table knownTable()
{
    static const QStringList items = {"Portland cement", "Sharp sand, bulk", "Oak dowels 8 mm",
                                      "Zürich hinges",   "Wall plugs",       "Roofing felt",
                                      "Copper pipe 15",  "Gravel, washed",   "Façade paint",
                                      "Brass screws",    "Timber 47 x 100",  "Drain cover"};
    Table table{{"Code", "Item", "Qty", "Price"}};
    for (int row = 0; row < items.size(); ++row) {
        const int quantity = row % 3 == 0 ? row + 1 : (row * 37 + 11) % 900 + 10; // lone digits too
        const QString price = QString::number(((row * 7919) % 4000) / 3.0 + 1.05, 'f', 2);
        table.append({QStringLiteral("BM-%1").arg(4410 + row * 13), items[row], QString::number(quantity),
                      row == 4 ? QStringLiteral("1,240.50") : price});
    }
    return table;
}

// The table as a scanner would give it: greyscale at 300 dpi, ruled, optionally turned a
// little and speckled.
QImage scannedTable(const Table& table, double degrees, bool noise)
{
    QImage image(int(612 * kDotsPerPoint), int(792 * kDotsPerPoint), QImage::Format_Grayscale8);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.translate(image.width() / 2.0, image.height() / 2.0);
    painter.rotate(degrees);
    painter.translate(-image.width() / 2.0, -image.height() / 2.0);
    painter.scale(kDotsPerPoint, kDotsPerPoint);
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(10); // 10 pt, in point units
    painter.setFont(font);
    painter.setPen(QPen(Qt::black, 0.8));
    const double bottom = kTableTop + kRowPitch * table.size();
    for (int row = 0; row <= table.size(); ++row)
        painter.drawLine(QPointF(kColumnEdges.first(), kTableTop + row * kRowPitch),
                         QPointF(kColumnEdges.last(), kTableTop + row * kRowPitch));
    for (double x : kColumnEdges)
        painter.drawLine(QPointF(x, kTableTop), QPointF(x, bottom));
    for (int row = 0; row < table.size(); ++row)
        for (int column = 0; column < table[row].size(); ++column) {
            const QRectF cell(kColumnEdges[column] + 5, kTableTop + row * kRowPitch,
                              kColumnEdges[column + 1] - kColumnEdges[column] - 10, kRowPitch);
            const bool right = kNumberColumn[column] && row > 0;
            painter.drawText(cell, Qt::AlignVCenter | (right ? Qt::AlignRight : Qt::AlignLeft),
                             table[row][column]);
        }
    painter.end();
    if (noise) {
        QRandomGenerator random(17);
        for (int n = 0; n < 40000; ++n) {
            const int x = random.bounded(image.width());
            const int y = random.bounded(image.height());
            image.scanLine(y)[x] = uchar(random.bounded(100, 200));
        }
    }
    return image;
}

QImage pureNoise()
{
    QImage image(int(612 * 2), int(792 * 2), QImage::Format_Grayscale8);
    QRandomGenerator random(5);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            image.scanLine(y)[x] = uchar(random.bounded(256));
    return image;
}

// Pages 1 and 2 scanned tables (clean; turned 0.4° with noise), page 3 with a text layer,
// page 4 an image of pure noise.
bool writeDocument(const QString& path, const Table& table)
{
    QPdfWriter writer(path);
    writer.setPageSize(QPageSize(QPageSize::Letter));
    writer.setPageMargins(QMarginsF(0, 0, 0, 0));
    writer.setResolution(int(kScanDpi));
    QPainter painter(&writer);
    const QRect page(0, 0, int(612 * kDotsPerPoint), int(792 * kDotsPerPoint));
    painter.drawImage(page, scannedTable(table, 0, false));
    writer.newPage();
    painter.drawImage(page, scannedTable(table, 0.4, true));
    writer.newPage();
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(50);
    painter.setFont(font);
    painter.drawText(QPointF(300, 600), QStringLiteral("Invoice 2024-117 total 1,234.00"));
    writer.newPage();
    painter.drawImage(page, pureNoise());
    return painter.end();
}

int convert(const QString& pdf, const QString& folder, const QStringList& options)
{
    QProcess process;
    process.start(TestSupport::binDir() + "/Qtmingw.dll",
                  QStringList{"-htmlformat", pdf, PageFiles::documentInfoPath(folder)} + options);
    if (!process.waitForFinished(240'000) || process.exitStatus() != QProcess::NormalExit)
        return -1;
    return process.exitCode();
}

QByteArray pageText(const QString& folder, int page)
{
    QFile file(PageFiles::textPath(folder, page));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("missing");
}

PageGrid gridOf(const QByteArray& text)
{
    TableGeometry geometry{kTableTop + 1, kColumnEdges.first() + 1, kTableTop + kRowPitch * 13 - 1,
                           kColumnEdges.last() - 1, kColumnEdges.mid(1, 3)};
    const PageText page = PageTextParser::getTextPosition(PageTextParser::decodePageBytes(text));
    EXPECT_TRUE(page.recognised);
    return buildPageGrid(page.runs, geometry.canvasRect(kPixelsPerPoint),
                         geometry.canvasLines(kPixelsPerPoint), 1.0f)
        .grid;
}

} // namespace

TEST(Recognition, ScannedTablesBecomeCellsAndPagesWithTextStayUntouched)
{
    QTemporaryDir dir;
    const QString pdf = dir.filePath("scan.pdf");
    const Table table = knownTable();
    ASSERT_TRUE(writeDocument(pdf, table));
    ASSERT_TRUE(QDir(dir.path()).mkpath("plain"));
    ASSERT_TRUE(QDir(dir.path()).mkpath("ocr"));
    ASSERT_EQ(convert(pdf, dir.filePath("plain"), {}), 0);
    ASSERT_EQ(convert(pdf, dir.filePath("ocr"), {"--ocr"}), 0);

    EXPECT_EQ(pageText(dir.filePath("plain"), 1), "");
    EXPECT_EQ(pageText(dir.filePath("ocr"), 3), pageText(dir.filePath("plain"), 3));
    for (int page : {1, 2}) {
        SCOPED_TRACE(page);
        const PageGrid grid = gridOf(pageText(dir.filePath("ocr"), page));
        ASSERT_EQ(grid.rows, table.size()) << grid.gridText().toStdString();
        int right = 0;
        for (int row = 0; row < table.size(); ++row)
            for (int column = 0; column < 4; ++column) {
                const QString cell = grid.cell(row, column).trimmed();
                right += cell == table[row][column];
                // On the clean page every number is read right.
                if (page == 1 && kNumberColumn[column]) {
                    EXPECT_EQ(cell, table[row][column]) << "row " << row;
                }
            }
        EXPECT_GE(right, 0.95 * table.size() * 4) << grid.gridText().toStdString();
    }
    // Noise gives no table and no failure; the page is still marked as recognised.
    EXPECT_TRUE(pageText(dir.filePath("ocr"), 4).startsWith(PageTextParser::kRecognisedMarker));
}

TEST(Recognition, MissingLanguageFailsBeforeAnyPageAndNamesItsPackage)
{
    QTemporaryDir dir;
    const QString pdf = dir.filePath("scan.pdf");
    ASSERT_TRUE(writeDocument(pdf, knownTable()));
    QProcess process;
    process.start(
        TestSupport::binDir() + "/Qtmingw.dll",
        {"-htmlformat", pdf, PageFiles::documentInfoPath(dir.path()), "--ocr", "--ocr-lang", "eng+zzz"});
    ASSERT_TRUE(process.waitForFinished(60'000));
    EXPECT_EQ(process.exitCode(), int(ConverterExit::NoRecognition));
    EXPECT_EQ(process.readAllStandardOutput(), "");
    const QByteArray error = process.readAllStandardError();
    EXPECT_TRUE(error.contains("tesseract-ocr-zzz")) << error.toStdString();
    EXPECT_EQ(error.count('\n'), 1);
    EXPECT_FALSE(QFile::exists(PageFiles::documentInfoPath(dir.path())));
}
