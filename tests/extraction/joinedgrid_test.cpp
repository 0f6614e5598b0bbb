#include "extraction/joinedgrid.h"
#include "gridnotation.h"

#include <gtest/gtest.h>

namespace {

QVector<QRectF> columnLines(std::initializer_list<double> xs)
{
    QVector<QRectF> lines;
    for (double x : xs)
        lines.append(QRectF(x, 0, 0, 1000));
    return lines;
}

// Horizontal rules across x 0 … 400 at the given heights.
QVector<PageRule> rulesAt(std::initializer_list<double> ys)
{
    QVector<PageRule> rules;
    for (double y : ys)
        rules.append({PageRule::Direction::Horizontal, y, 0, 400, 1});
    return rules;
}

} // namespace

TEST(JoinedGrid, JoinsWrappedLinesIntoTheirRows)
{
    struct Case {
        const char* name;
        const char* runs;
        QVector<PageRule> rules;
        const char* expected;
    };
    // Columns: key | text | amount | balance, split at x 100, 200, 300; table 0,5 … 400,205.
    const Case cases[] = {
        {"ruled: top-aligned and centred cells over 1 to 4 lines",
         "10 12 20 10 No\n110 12 40 10 Name\n210 12 40 10 Sum\n"
         "10 40 20 10 1\n110 28 40 10 one\n110 40 40 10 two\n110 52 40 10 three\n210 34 40 10 9.00\n"
         "10 70 20 10 2\n110 70 40 10 only\n210 70 40 10 up\n210 82 40 10 top\n"
         "10 100 20 10 3\n110 100 40 10 a\n110 112 40 10 b\n110 124 40 10 c\n110 136 40 10 d\n",
         rulesAt({8, 25, 66, 96, 150}),
         "4x4\n\"No \",\"Name \",\"Sum \",\"\"\n\"1 \",\"one two three \",\"9.00 \",\"\"\n"
         "\"2 \",\"only \",\"up top \",\"\"\n\"3 \",\"a b c d \",\"\",\"\"\n"},
        {"unruled: continuation lines join, a carried-forward line stays a row",
         "10 10 20 10 01.07\n110 10 40 10 Opening\n310 10 40 10 100.00\n"
         "10 22 20 10 02.07\n110 22 40 10 Oak\n210 22 40 10 50.00\n310 22 40 10 150.00\n"
         "110 34 40 10 boards,\n110 46 40 10 INV-58260\n"
         "10 58 20 10 03.07\n110 58 40 10 Paid\n310 58 40 10 120.00\n"
         "110 70 40 10 Carried\n210 70 40 10 50.00\n310 70 40 10 120.00\n",
         {},
         "4x4\n\"01.07 \",\"Opening \",\"\",\"100.00 \"\n"
         "\"02.07 \",\"Oak boards, INV-58260 \",\"50.00 \",\"150.00 \"\n"
         "\"03.07 \",\"Paid \",\"\",\"120.00 \"\n\"\",\"Carried \",\"50.00 \",\"120.00 \"\n"},
        {"a number under a number is a row of its own",
         "10 10 20 10 1\n110 10 40 10 text\n310 10 40 10 5\n310 22 40 10 7\n",
         {},
         "2x4\n\"1 \",\"text \",\"\",\"5 \"\n\"\",\"\",\"\",\"7 \"\n"},
        {"text in a column far from the row's text is a row of its own",
         "10 10 20 10 1\n110 10 40 10 text\n310 22 40 10 note\n",
         {},
         "2x4\n\"1 \",\"text \",\"\",\"\"\n\"\",\"\",\"\",\"note \"\n"},
        {"a rule under the header only: header lines join, body by continuation",
         "10 10 20 10 Date\n110 10 40 10 What\n110 22 40 10 (text)\n"
         "10 40 20 10 1\n110 40 40 10 a\n110 52 40 10 b\n10 64 20 10 2\n110 64 40 10 c\n",
         rulesAt({35}),
         "3x4\n\"Date \",\"What (text) \",\"\",\"\"\n\"1 \",\"a b \",\"\",\"\"\n\"2 \",\"c \",\"\",\"\"\n"},
        {"no line continues across a rule", "10 10 20 10 1\n110 10 40 10 a\n110 40 40 10 b\n", rulesAt({30}),
         "2x4\n\"1 \",\"a \",\"\",\"\"\n\"\",\"b \",\"\",\"\"\n"},
        {"rules short of the table or outside it cut nothing",
         "10 10 20 10 1\n110 10 40 10 a\n110 40 40 10 b\n",
         {{PageRule::Direction::Horizontal, 30, 0, 300, 1},
          {PageRule::Direction::Horizontal, 300, 0, 400, 1}},
         "1x4\n\"1 \",\"a b \",\"\",\"\"\n"},
        {"pieces of a rule cut by words together cross the table",
         "10 10 20 10 1\n110 10 40 10 a\n110 40 40 10 b\n",
         {{PageRule::Direction::Horizontal, 30, 0, 150, 1},
          {PageRule::Direction::Horizontal, 31, 160, 400, 0}},
         "2x4\n\"1 \",\"a \",\"\",\"\"\n\"\",\"b \",\"\",\"\"\n"},
        {"nothing", "", rulesAt({30, 60}), ""},
    };
    for (const Case& c : cases) {
        const GridBuild build = buildJoinedPageGrid(runs(c.runs), c.rules, QRectF(0, 5, 400, 200),
                                                    columnLines({100, 200, 300}), 1.0f);
        const QString expected =
            QString(c.expected).isEmpty() ? QStringLiteral("0x4\n") : QString(c.expected);
        EXPECT_EQ(describe(build.grid).toStdString(), expected.toStdString()) << c.name;
    }
}

TEST(JoinedGrid, WithoutWrapsAndRulesGivesTheLineByLineGrid)
{
    const QString page = "10 10 20 10 1\n110 10 40 10 a\n310 10 40 10 5.00\n"
                         "10 22 20 10 2\n110 22 40 10 b c\n210 22 40 10 x\n"
                         "10 34 20 10 3\n310 34 40 10 6.00\n";
    const QRectF table(0, 5, 400, 200);
    for (float zoom : {1.0f, 1.5f, 0.5f}) {
        const QRectF canvas(table.x() * zoom, table.y() * zoom, table.width() * zoom, table.height() * zoom);
        const QVector<QRectF> lines = {QRectF(100 * zoom, 0, 0, 10), QRectF(300 * zoom, 0, 0, 10)};
        const GridBuild joined = buildJoinedPageGrid(runs(page), {}, canvas, lines, zoom);
        const GridBuild plain = buildPageGrid(runs(page), canvas, lines, zoom);
        EXPECT_EQ(describe(joined.grid).toStdString(), describe(plain.grid).toStdString()) << zoom;
        EXPECT_EQ(joined.pageRect, plain.pageRect);
        EXPECT_EQ(joined.pageLines, plain.pageLines);
    }
}
