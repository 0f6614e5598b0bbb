// Column guessing and table finding on generated word boxes with known columns (page pixels at
// 96 dpi: characters 6 px wide, words 14 px high, text lines 20 px apart).
#include "extraction/columnguess.h"
#include "extraction/tablefinder.h"

#include <QStringList>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>

namespace {

constexpr int kCharWidth = 6;
constexpr int kSpace = 4;
constexpr int kWordHeight = 14;
constexpr double kPitch = 20;

struct Column {
    double edge; // left edge of left-aligned text, right edge of right-aligned text
    bool right = false;
};

struct Ink {
    double left = 1e9;
    double right = -1e9;
};

// Words of a page and, per table placed, the ink of each column and the table's box.
struct Page {
    QVector<Subtext> words;
    QVector<PageRule> rules;
    QVector<QVector<Ink>> tables;
    QVector<QRectF> boxes;

    // Places `text` word by word with its left edge at x; returns its right edge.
    double text(double x, double top, const QString& text)
    {
        for (const QString& word : text.split(u' ', Qt::SkipEmptyParts)) {
            const int width = int(word.size()) * kCharWidth;
            words.append({int(x), int(top), width, kWordHeight, word});
            x += width + kSpace;
        }
        return x - kSpace;
    }
    static double textWidth(const QString& text) { return double(text.size()) * kCharWidth; }

    // A table with its first row at `top`; an empty cell is "".
    void table(double top, const QVector<Column>& columns, const QVector<QStringList>& rows)
    {
        QVector<Ink> ink(columns.size());
        QRectF box;
        for (int r = 0; r < rows.size(); ++r) {
            const double y = top + r * kPitch;
            for (int c = 0; c < columns.size() && c < rows[r].size(); ++c) {
                const QString& cell = rows[r][c];
                if (cell.isEmpty())
                    continue;
                const double left = columns[c].right ? columns[c].edge - textWidth(cell) : columns[c].edge;
                const double right = text(left, y, cell);
                ink[c].left = std::min(ink[c].left, left);
                ink[c].right = std::max(ink[c].right, right);
                box = box.united(QRectF(QPointF(left, y), QPointF(right, y + kWordHeight)));
            }
        }
        tables.append(ink);
        boxes.append(box);
    }

    void rule(bool horizontal, double position, double start, double end)
    {
        rules.append({horizontal ? PageRule::Direction::Horizontal : PageRule::Direction::Vertical, position,
                      start, end, 1});
    }
    // Rules around the box of table `t` grown by `pad` and between its columns at `xs`.
    void ruleGrid(int t, const QVector<double>& xs, double pad = 6)
    {
        const QRectF b = boxes[t].adjusted(-pad, -pad, pad, pad);
        rule(true, b.top(), b.left(), b.right());
        rule(true, b.bottom(), b.left(), b.right());
        rule(false, b.left(), b.top(), b.bottom());
        rule(false, b.right(), b.top(), b.bottom());
        for (double x : xs)
            rule(false, x, b.top(), b.bottom());
    }
};

QStringList stockRow(int i)
{
    static const char* const items[] = {"Bark mulch, 50 l", "Rake",           "Garden hose 25 m", "Seed tray",
                                        "Watering can",     "Pruning shears", "Compost bin",      "Trowel"};
    return {QStringLiteral("GC-%1").arg(20333 + i * 17), QString::fromLatin1(items[i % 8]),
            QString::number((i * 37) % 900 - 120),
            QStringLiteral("%1.%2").arg(3 + i * 11).arg(i * 7 % 100, 2, 10, QChar(u'0'))};
}

// A stock list: SKU and Item left-aligned, On hand and Cost right-aligned.
const QVector<Column> kStock = {{100}, {170}, {400, true}, {480, true}};

QVector<QStringList> stockRows(int count, bool header = true)
{
    QVector<QStringList> rows;
    if (header)
        rows.append({"SKU", "Item", "On hand", "Cost"});
    for (int i = 0; i < count; ++i)
        rows.append(stockRow(i));
    return rows;
}

void paragraph(Page& page, double top, int lines, double left = 100)
{
    static const char* const text[] = {
        "The figures below were taken from the quarterly count of every store and include",
        "the goods in transit at the end of the period as well as returns not yet booked",
        "which explains why some of the totals differ from the monthly statements sent",
        "earlier this year to every branch, and why a few lines show negative stock.",
    };
    for (int i = 0; i < lines; ++i)
        page.text(left, top + i * kPitch, QString::fromLatin1(text[i % 4]));
}

// The lines separate the columns of table `t`: one line in each gap between neighbours.
std::string separationFault(const QVector<double>& lines, const QVector<Ink>& ink)
{
    std::string lineText;
    for (double x : lines)
        lineText += std::to_string(int(x)) + " ";
    if (lines.size() != ink.size() - 1)
        return "expected " + std::to_string(ink.size() - 1) + " lines, got " + lineText;
    for (int i = 0; i < lines.size(); ++i)
        if (!(lines[i] > ink[i].right && lines[i] < ink[i + 1].left))
            return "line " + std::to_string(i) + " outside its gap: " + lineText;
    return {};
}

QRectF around(const QRectF& box)
{
    return box.adjusted(-2, -2, 2, 2);
}

} // namespace

TEST(ColumnGuess, GuessesTheColumnsOfGeneratedTables)
{
    struct Case {
        const char* name;
        std::function<void(Page&)> make;
        // The area to guess in (the first table's box grown by 2 px when null) and the lines
        // expected exactly (±1 px); without these, one line in every gap of the first table.
        QRectF area = {};
        QVector<double> exact = {};
    };
    const Case cases[] = {
        {"left-aligned text beside right-aligned numbers",
         [](Page& p) { p.table(200, kStock, stockRows(12)); }},
        {"a title spanning the columns inside the area",
         [](Page& p) {
             p.table(220, kStock, stockRows(10));
             p.text(160, 200, "Stock held at the end of the quarter");
             p.boxes[0] = p.boxes[0].united(QRectF(160, 200, 10, 10));
         }},
        {"an empty column with its header",
         [](Page& p) {
             QVector<QStringList> rows = stockRows(10);
             rows[0].insert(2, "Bin");
             for (int r = 1; r < rows.size(); ++r)
                 rows[r].insert(2, "");
             p.table(200, {{100}, {170}, {290}, {400, true}, {480, true}}, rows);
         }},
        {"a cell wider than its column on two rows",
         [](Page& p) {
             QVector<QStringList> rows = stockRows(12);
             rows[3][1] = "Bark mulch, 50 l bagged";
             rows[7][1] = "Garden hose, 25 m, green";
             p.table(200, kStock, rows);
         }},
        {"a ruled table uses its rules",
         [](Page& p) {
             p.table(200, {{100}, {150}, {300, true}},
                     {{"No.", "Name", "Amount"},
                      {"1", "Ann", "10.00"},
                      {"2", "Bob", "7.50"},
                      {"3", "Cyd", "120.00"}});
             p.ruleGrid(0, {140, 242});
         },
         {},
         {140, 242}},
        {"a ruled table whose gaps are narrower than a channel",
         [](Page& p) {
             p.table(200, {{100}, {130}, {250, true}},
                     {{"No", "Name", "Amount"},
                      {"1", "Ann Arbor", "10.00"},
                      {"2", "Bobbins Ltd", "7.50"},
                      {"3", "Cyd", "120.00"}});
             p.ruleGrid(0, {125, 203}, 2);
         },
         {},
         {125, 203}},
        {"one text line with gaps of five characters",
         [](Page& p) {
             p.table(200, {{100}, {178}, {400, true}, {480, true}}, {stockRow(1)});
         }},
        {"one line of a sentence gives none", [](Page& p) { paragraph(p, 200, 1); },
         QRectF(90, 190, 500, 30)},
        {"a paragraph gives none", [](Page& p) { paragraph(p, 200, 8); }, QRectF(90, 190, 500, 180)},
        {"an area without text gives none", [](Page& p) { p.table(200, kStock, stockRows(5)); },
         QRectF(100, 500, 300, 200)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Page page;
        c.make(page);
        const QRectF area = c.area.isNull() ? around(page.boxes.value(0)) : c.area;
        const QVector<double> lines = guessColumns(page.words, page.rules, area);
        if (!c.exact.isEmpty()) {
            ASSERT_EQ(lines.size(), c.exact.size());
            for (int i = 0; i < lines.size(); ++i)
                EXPECT_NEAR(lines[i], c.exact[i], 1.0);
        } else if (!c.area.isNull()) {
            EXPECT_TRUE(lines.isEmpty()) << lines.size() << " lines, the first at " << lines.value(0);
        } else {
            EXPECT_EQ(separationFault(lines, page.tables[0]), "");
        }
        EXPECT_EQ(guessColumns(page.words, page.rules, area), lines) << "the same page gives the same lines";
    }
}

TEST(ColumnGuess, FindsTheTablesOfGeneratedPages)
{
    struct Case {
        const char* name;
        std::function<void(Page&)> make;
    };
    // Every table placed is expected once, top to bottom, with one line in every column gap.
    const Case cases[] = {
        {"an unruled table between page header, paragraph and footer",
         [](Page& p) {
             p.text(100, 40, "Greencroft Supplies");
             p.text(560, 40, "Stock list");
             paragraph(p, 100, 3);
             p.table(200, kStock, stockRows(15));
             p.text(100, 1000, "Printed on 3 March");
             p.text(640, 1000, "Page 1 of 3");
         }},
        {"a ruled table",
         [](Page& p) {
             paragraph(p, 100, 2);
             p.table(200, {{100}, {150}, {300, true}},
                     {{"No.", "Name", "Amount"},
                      {"1", "Ann", "10.00"},
                      {"2", "Bob", "7.50"},
                      {"3", "Cyd", "120.00"}});
             p.ruleGrid(0, {140, 242});
         }},
        {"two tables stacked with a paragraph between",
         [](Page& p) {
             p.table(120, kStock, stockRows(6));
             paragraph(p, 300, 2);
             p.table(400, {{100}, {300, true}, {420, true}},
                     {{"Region", "Sales", "Share"},
                      {"North", "1,200.00", "12%"},
                      {"South", "980.50", "9%"},
                      {"East", "4,410.00", "44%"},
                      {"West", "3,500.00", "35%"}});
         }},
        {"two tables side by side",
         [](Page& p) {
             p.table(200, {{60}, {200, true}, {260, true}},
                     {{"Code", "Qty", "Bin"},
                      {"AB-1", "12", "4"},
                      {"AB-2", "7", "11"},
                      {"AB-3", "130", "2"},
                      {"AB-4", "45", "9"}});
             p.table(200, {{540}, {700, true}, {780, true}},
                     {{"Month", "Paid", "Due"},
                      {"January", "100.00", "0.00"},
                      {"February", "250.00", "10.00"},
                      {"March", "75.00", "5.00"},
                      {"April", "60.00", "0.00"}});
         }},
        {"paragraphs only",
         [](Page& p) {
             paragraph(p, 100, 12);
             paragraph(p, 400, 6);
         }},
        {"one text line", [](Page& p) { p.text(100, 100, "Total 1,234.00 5,678.00"); }},
        {"no text", [](Page&) {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Page page;
        c.make(page);
        const QVector<TableProposal> found = findTables(page.words, page.rules, QSizeF(816, 1056));
        ASSERT_EQ(found.size(), page.tables.size());
        for (int t = 0; t < found.size(); ++t) {
            SCOPED_TRACE(t);
            EXPECT_TRUE(found[t].rect.contains(page.boxes[t]));
            // No word of the page's other text inside.
            for (const Subtext& w : page.words) {
                const QRectF box(w.left, w.top, w.width, w.height);
                const bool ownWord = page.boxes[t].adjusted(-1, -1, 1, 1).contains(box);
                EXPECT_TRUE(ownWord || !found[t].rect.intersects(box)) << w.text.toStdString();
            }
            EXPECT_EQ(separationFault(found[t].columns, page.tables[t]), "");
        }
        EXPECT_EQ(findTables(page.words, page.rules, QSizeF(816, 1056)), found);
    }
}
