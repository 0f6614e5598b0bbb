// Wrapped cells joined into one row ("--join-lines"), end to end: generated PDFs in the
// styles real producers use (ruled, unruled, a rule under the header only, zebra shading)
// go through the converter, the rules finder and the grid builder of zq-extract.

#include "outputreader.h"
#include "pagemaker.h"
#include "testsupport.h"

#include <QFile>
#include <QProcess>
#include <gtest/gtest.h>

namespace {

using Cell = QStringList; // the cell's text lines, top to bottom
using TableRow = QVector<Cell>;

enum class Style { Ruled, Unruled, HeaderRuleOnly, Zebra };

struct Layout {
    const char* name;
    Style style;
    bool centred; // cells with fewer lines than their row sit in its middle, not at its top
    QVector<double> columnX;
    double right;
    QVector<TableRow> rows; // the header first
};

constexpr double kTop = 100;
constexpr double kLinePitch = 12;

int lineCount(const TableRow& row)
{
    qsizetype lines = 1;
    for (const Cell& cell : row)
        lines = std::max(lines, cell.size());
    return int(lines);
}

// Ruled and shaded rows have padding around their lines; unruled ones sit line under line.
double rowHeight(const Layout& layout, const TableRow& row)
{
    const bool padded = layout.style == Style::Ruled || layout.style == Style::Zebra;
    return lineCount(row) * kLinePitch + (padded ? 8 : 0);
}

PdfPage pageOf(const Layout& layout, double* bottom)
{
    PdfPage page;
    const double left = layout.columnX.first() - 6;
    double top = kTop;
    for (int r = 0; r < layout.rows.size(); ++r) {
        const TableRow& row = layout.rows[r];
        const double height = rowHeight(layout, row);
        const double padding = (height - lineCount(row) * kLinePitch) / 2;
        for (int c = 0; c < row.size(); ++c) {
            const double offset = layout.centred ? (lineCount(row) - row[c].size()) * kLinePitch / 2 : 0;
            for (int line = 0; line < row[c].size(); ++line)
                page.words.append(
                    {layout.columnX[c], top + padding + offset + 9.5 + line * kLinePitch, row[c][line]});
        }
        if (layout.style == Style::Ruled || (layout.style == Style::HeaderRuleOnly && r == 0))
            page.rules.append(QLineF(left, top + height, layout.right, top + height));
        if (layout.style == Style::Zebra && r % 2 == 0)
            page.shades.append(QRectF(left, top, layout.right - left, height));
        top += height;
    }
    if (layout.style == Style::Ruled) {
        page.rules.append(QLineF(left, kTop, layout.right, kTop));
        for (int c = 0; c <= layout.columnX.size(); ++c) {
            const double x = c == layout.columnX.size() ? layout.right : layout.columnX[c] - 6;
            page.rules.append(QLineF(x, kTop, x, top));
        }
    }
    *bottom = top;
    return page;
}

Rows expectedRows(const Layout& layout)
{
    Rows rows;
    for (const TableRow& row : layout.rows) {
        QStringList cells;
        for (const Cell& cell : row)
            cells.append(cell.join(' '));
        rows.append(cells);
    }
    return rows;
}

const QVector<double> kWideColumns = {72, 190, 400};
const QVector<TableRow> kWrappedRows = {
    {{"Item"}, {"Description"}, {"Amount"}},
    {{"A-100"}, {"Steel brackets,", "zinc plated"}, {"12.50"}},
    {{"A-101"}, {"Hinges with", "long screws and", "washers for", "oak doors"}, {"4.20"}},
    {{"A-102"}, {"Door stop"}, {"1.10"}},
    {{"A-103", "spare"}, {"Cabinet handles", "in brushed", "steel"}, {"31.00"}},
};
const QVector<double> kStatementColumns = {72, 150, 380, 460};
// Continuation lines fill the description only; the carried-forward line fills the
// description and the balance under the row above's balance, so it is a row of its own.
const QVector<TableRow> kStatementRows = {
    {{"Date"}, {"Description"}, {"Amount"}, {"Balance"}},
    {{"01/02"}, {"Opening balance"}, {}, {"1,000.00"}},
    {{"01/03"}, {"Payment to", "Acme Widgets Ltd"}, {"-50.00"}, {"950.00"}},
    {{"01/05"}, {"Transfer from savings", "account 4471", "reference 88"}, {"200.00"}, {"1,150.00"}},
    {{}, {"Carried forward"}, {}, {"1,150.00"}},
};

const Layout kLayouts[] = {
    {"ruled, top-aligned, 1 to 4 lines", Style::Ruled, false, kWideColumns, 520, kWrappedRows},
    {"ruled, centred", Style::Ruled, true, kWideColumns, 520, kWrappedRows},
    {"zebra shading without rules", Style::Zebra, false, kWideColumns, 520, kWrappedRows},
    {"unruled statement", Style::Unruled, false, kStatementColumns, 540, kStatementRows},
    {"statement with a rule under the header only", Style::HeaderRuleOnly, false, kStatementColumns, 540,
     kStatementRows},
};

QString numbers(const QVector<double>& values)
{
    QStringList parts;
    for (double v : values)
        parts.append(QString::number(v));
    return parts.join(',');
}

Rows extracted(const QString& pdf, const QStringList& geometry, bool join)
{
    const QString out = TestSupport::workDir() + "/joined.csv";
    QFile::remove(out);
    QProcess p;
    p.start(TestSupport::binDir() + "/zq-extract",
            QStringList{pdf, "-o", out} + geometry + (join ? QStringList{"--join-lines"} : QStringList{}));
    EXPECT_TRUE(p.waitForFinished(120000));
    EXPECT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
    QVector<Rows> pages;
    QString error;
    EXPECT_TRUE(readCsvPages(out, &pages, &error)) << error.toStdString();
    return normalized(pages.value(0));
}

TEST(JoinLinesEndToEnd, WrappedCellsOfEveryStyleGiveOneRowEach)
{
    for (const Layout& layout : kLayouts) {
        SCOPED_TRACE(layout.name);
        double bottom = 0;
        const QString pdf = TestSupport::workDir() + "/joined.pdf";
        ASSERT_TRUE(writePdf(pdf, {pageOf(layout, &bottom)}));
        QVector<double> separators;
        for (int c = 1; c < layout.columnX.size(); ++c)
            separators.append(layout.columnX[c] - 3);
        // The outline sits just inside the table's outer rules, around the text.
        const QStringList geometry = {
            "-a", numbers({kTop + 2, layout.columnX.first() - 4, bottom - 2, layout.right - 2}), "-c",
            numbers(separators)};
        EXPECT_EQ(extracted(pdf, geometry, true), expectedRows(layout));
        // A layout file's "join_lines" does the same for its pages.
        QFile layoutFile(TestSupport::workDir() + "/joined.json");
        ASSERT_TRUE(layoutFile.open(QIODevice::WriteOnly | QIODevice::Truncate));
        layoutFile.write(
            QStringLiteral(R"({"pages": [{"page": 1, "area": [%1], "columns": [%2], "join_lines": true}]})")
                .arg(geometry[1], geometry[3])
                .toUtf8());
        layoutFile.close();
        EXPECT_EQ(extracted(pdf, {"-t", layoutFile.fileName()}, false), expectedRows(layout));
        // Without the option every text line stays a row of its own.
        EXPECT_GT(extracted(pdf, geometry, false).size(), layout.rows.size());
    }
}

} // namespace
