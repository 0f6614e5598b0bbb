#include "extraction/exchangeorder.h"
#include "extraction/pagegrid.h"
#include "extraction/zoommapping.h"
#include "gridnotation.h"

#include <gtest/gtest.h>

#include <QRandomGenerator>

#include <algorithm>
#include <climits>

namespace {

QString gridOf(const QString& notation, const QRectF& rect, const QVector<QRectF>& lines = {},
               float zoom = 1.0f)
{
    return describe(buildPageGrid(runs(notation), rect, lines, zoom).grid);
}

QRectF line(double x)
{
    return QRectF(x, 0, 0, 1000);
}

} // namespace

TEST(PageGrid, TwoRowsFromNestedBandsAndOneLine)
{
    const QString page = "110 210 50 12 one\n"
                         "260 212 40 10 two\n"
                         "120 240 30 12 three\n";
    EXPECT_EQ(gridOf(page, QRectF(100, 200, 300, 100), {line(250)}), "2x2\n"
                                                                     "\"one \",\"two \"\n"
                                                                     "\"three \",\"\"\n");
}

TEST(PageGrid, RowsFromBands)
{
    // A band lying within another adds no row; both runs share the outer band's row.
    EXPECT_EQ(gridOf("10 100 20 30 outer\n"
                     "50 105 20 10 inner\n",
                     QRectF(0, 50, 200, 200), {line(40)}),
              "1x2\n\"outer \",\"inner \"\n");
    // Partly overlapping bands stay two rows; a run within both goes into both.
    EXPECT_EQ(gridOf("10 100 20 20 upper\n"
                     "10 110 20 20 lower\n"
                     "50 112 20 6 both\n",
                     QRectF(0, 50, 200, 200), {line(40)}),
              "2x2\n"
              "\"upper \",\"both \"\n"
              "\"lower \",\"both \"\n");
    // Rows run top to bottom whatever the order of the runs.
    EXPECT_EQ(gridOf("10 300 20 10 c\n10 100 20 10 a\n10 200 20 10 b\n", QRectF(0, 50, 200, 300)),
              "3x1\n\"a \"\n\"b \"\n\"c \"\n");
    // A run of height 0 forms no row and shows only where a row covers its top.
    EXPECT_EQ(gridOf("10 100 20 0 flat\n10 200 20 10 b\n", QRectF(0, 50, 200, 300)), "1x1\n\"b \"\n");
    EXPECT_EQ(gridOf("10 105 20 0 flat\n50 100 20 10 b\n", QRectF(0, 50, 200, 300)), "1x1\n\"flat b \"\n");
}

TEST(PageGrid, TextsInACellInAscendingLeftOrder)
{
    EXPECT_EQ(gridOf("40 100 10 10 B\n10 100 10 10 A\n", QRectF(0, 50, 200, 100)), "1x1\n\"A B \"\n");
    // Equal lefts keep the exchange sort's order: the smaller left that follows them moves
    // the first of the two behind the second.
    EXPECT_EQ(gridOf("50 100 10 10 first\n"
                     "50 100 10 10 second\n"
                     "10 200 10 10 other\n",
                     QRectF(0, 50, 200, 200)),
              "2x1\n\"second first \"\n\"other \"\n");
}

TEST(PageGrid, Columns)
{
    const QRectF table(100, 100, 200, 100);
    // Selection: strictly inside the table enlarged by 10 on every side.
    EXPECT_EQ(gridOf("91 150 10 10 in\n90 150 10 10 out\n", table), "1x1\n\"in \"\n");
    EXPECT_EQ(gridOf("150 91 10 10 in\n150 90 10 10 out\n", table), "1x1\n\"in \"\n");
    EXPECT_EQ(gridOf("299 150 10 10 in\n300 150 10 10 out\n", table), "1x1\n\"in \"\n");
    EXPECT_EQ(gridOf("150 199 10 10 in\n150 200 10 10 out\n", table), "1x1\n\"in \"\n");
    // A run in the left margin belongs to the first column, one starting on a line to the
    // column right of it.
    EXPECT_EQ(gridOf("95 150 10 10 margin\n200 150 10 10 online\n", table, {line(200)}),
              "1x2\n\"margin \",\"online \"\n");
    // Lines in any order; empty columns stay.
    EXPECT_EQ(gridOf("260 150 10 10 c\n110 150 10 10 a\n", table, {line(250), line(150), line(200)}),
              "1x4\n\"a \",\"\",\"\",\"c \"\n");
    // A line left of the table: the bounds are out of order and the first column is empty.
    EXPECT_EQ(gridOf("110 150 10 10 a\n260 150 10 10 b\n", table, {line(50)}), "1x2\n\"\",\"a b \"\n");
    // A line right of the table: everything in the first column.
    EXPECT_EQ(gridOf("110 150 10 10 a\n260 150 10 10 b\n", table, {line(400)}), "1x2\n\"a b \",\"\"\n");
    // No runs in the table: no rows, still lines + 1 columns.
    EXPECT_EQ(gridOf("500 500 10 10 far\n", table, {line(150), line(200)}), "0x3\n");
}

TEST(PageGrid, ZoomedGeometry)
{
    // At zoom 1.25 the line at canvas x 126.9 is page x 101; the rectangle keeps its fractions.
    const GridBuild build = buildPageGrid(runs("100 100 5 10 left\n101 100 5 10 right\n"),
                                          QRectF(100.5, 100, 300, 200), {QRectF(126.9, 100, 0, 200)}, 1.25f);
    EXPECT_EQ(build.pageRect, QRectF(100.5 / 1.25, 80, 240, 160));
    ASSERT_EQ(build.pageLines.size(), 1);
    EXPECT_EQ(build.pageLines[0], QRectF(101, 80, 0, 160));
    EXPECT_EQ(describe(build.grid), "1x2\n\"left \",\"right \"\n");
}

TEST(PageGrid, InsideOutRectangleIsNormalized)
{
    const QString page = "110 210 50 12 one\n260 212 40 10 two\n";
    const GridBuild build = buildPageGrid(runs(page), QRectF(400, 300, -300, -100), {line(250)}, 1.0f);
    EXPECT_EQ(build.pageRect, QRectF(100, 200, 300, 100));
    EXPECT_EQ(describe(build.grid), "1x2\n\"one \",\"two \"\n");
}

TEST(PageGrid, DensePagesLoseNothing)
{
    QVector<Subtext> page;
    for (int i = 0; i < 1500; ++i)
        page.append({10 + i % 7, 20 * i, 5, 10, QString::number(i)});
    QVector<QRectF> lines;
    for (int i = 0; i < 150; ++i)
        lines.append(line(1000 + i));
    const PageGrid grid = buildPageGrid(page, QRectF(0, 0, 2000, 30000), lines, 1.0f).grid;
    ASSERT_EQ(grid.rows, 1500);
    ASSERT_EQ(grid.columns, 151);
    for (int i = 0; i < 1500; ++i)
        ASSERT_EQ(grid.cell(i, 0), QString::number(i) + ' ');
}

TEST(PageGrid, CoordinatesNear32BitLimit)
{
    const double far = 2147483000.0;
    const QRectF table(far, far, 640, 640);
    // Within the table near 2^31 − 1.
    EXPECT_EQ(gridOf("2147483100 2147483100 50 12 in\n", table), "1x1\n\"in \"\n");
    // Ends beyond 2^31 − 1 must not wrap around into the table.
    EXPECT_EQ(gridOf("2147483600 2147483100 100 12 wide\n", table), "0x1\n");
    EXPECT_EQ(gridOf("100 100 2147483600 12 wide\n100 100 12 2147483600 tall\n", QRectF(0, 0, 500, 500)),
              "0x1\n");
}

TEST(PageGrid, GridText)
{
    PageGrid grid{2, 2, {"a \"b\",\"c ", "", "x,y ", "z "}};
    // Nothing inside a cell is escaped.
    EXPECT_EQ(grid.gridText(), "\"a \"b\",\"c \",\"\"\n\"x,y \",\"z \"\n");
    EXPECT_EQ(PageGrid().gridText(), "");
}

// --- The grid building steps written out one by one, quadratic as they are. The fast build
// must give exactly the same grid for any input.

namespace {

template <typename T, typename Greater> void exchangeSort(QVector<T>& items, Greater greater)
{
    for (qsizetype i = 0; i + 1 < items.size(); ++i)
        for (qsizetype j = i + 1; j < items.size(); ++j)
            if (greater(items[i], items[j]))
                std::swap(items[i], items[j]);
}

GridBuild referenceBuild(const QVector<Subtext>& pageRuns, const QRectF& canvasRect,
                         const QVector<QRectF>& canvasLines, float zoomFactor)
{
    const ZoomMapping mapping(zoomFactor);
    GridBuild out;
    out.pageRect = mapping.rectToPage(canvasRect.normalized());
    out.pageLines = mapping.linesToPage(canvasLines);
    const double X = out.pageRect.x(), Y = out.pageRect.y();
    const double W = out.pageRect.width(), H = out.pageRect.height();

    QVector<Subtext> work;
    for (const Subtext& r : pageRuns)
        if (r.left > X - 10 && int64_t(r.left) + r.width < X + W + 10 && r.top > Y - 10 &&
            int64_t(r.top) + r.height < Y + H + 10)
            work.append(r);
    exchangeSort(work, [](const Subtext& a, const Subtext& b) { return a.left > b.left; });

    struct Band {
        float top, height;
    };
    QVector<Band> bands;
    for (const Subtext& r : work)
        bands.append({float(r.top), float(r.height)});
    for (qsizetype i = 0; i < bands.size(); ++i) {
        if (bands[i].height == 0)
            continue;
        for (qsizetype j = i + 1; j < bands.size(); ++j) {
            if (bands[j].height == 0)
                continue;
            const Band bi = bands[i], bj = bands[j];
            if (bi.top <= bj.top && bj.top + bj.height <= bi.top + bi.height) {
                bands[j].height = 0;
            } else if (bj.top <= bi.top && bi.top + bi.height <= bj.top + bj.height) {
                bands[i].height = 0;
                break;
            }
        }
    }
    QVector<Band> rows;
    for (const Band& b : bands)
        if (b.height != 0)
            rows.append(b);
    exchangeSort(rows, [](const Band& a, const Band& b) { return a.top >= b.top; });

    QVector<float> positions;
    for (const QRectF& l : out.pageLines)
        positions.append(float(l.x()));
    exchangeSort(positions, [](float a, float b) { return a >= b; });
    QVector<float> bounds{float(X - 10)};
    bounds += positions;
    bounds.append(float(X + W + 10));

    out.grid.rows = int(rows.size());
    out.grid.columns = int(bounds.size()) - 1;
    out.grid.cells.resize(rows.size() * out.grid.columns);
    for (const Subtext& r : work)
        for (qsizetype b = 0; b < rows.size(); ++b)
            for (int m = 0; m < out.grid.columns; ++m)
                if (bounds[m] <= r.left && r.left < bounds[m + 1] && rows[b].top <= r.top &&
                    float(r.top) + float(r.height) <= rows[b].top + rows[b].height)
                    out.grid.cells[b * out.grid.columns + m] += r.text + ' ';
    return out;
}

QString notation(const QVector<Subtext>& page)
{
    QString text;
    for (const Subtext& r : page)
        text +=
            QStringLiteral("%1 %2 %3 %4 %5\n").arg(r.left).arg(r.top).arg(r.width).arg(r.height).arg(r.text);
    return text;
}

// Random pages crowded with equal lefts, equal and nested bands, zero heights, and lines
// inside, on and outside the table; `base` moves everything, near 2^31 into float rounding.
struct RandomPage {
    QVector<Subtext> runs;
    QRectF rect;
    QVector<QRectF> lines;
    float zoom;

    static RandomPage make(QRandomGenerator& random, int64_t base, int step)
    {
        auto pick = [&](int n) { return int(random.bounded(n)); };
        static const float zooms[] = {1.0f, 1.25f, 0.8f, 1.25f * 1.25f, 0.8f * 0.8f};
        RandomPage p;
        p.zoom = base > 0 ? 1.0f : zooms[pick(5)];
        const int count = pick(50);
        for (int i = 0; i < count; ++i)
            p.runs.append({int32_t(base + step * pick(30)), int32_t(base + step * pick(30)), step * pick(6),
                           pick(4) == 0 ? 0 : step * pick(8), QString::number(i)});
        const double z = p.zoom;
        p.rect = QRectF(z * (base + step * pick(10)), z * (base + step * pick(10)), z * step * (pick(40) - 8),
                        z * step * (pick(40) - 8));
        if (p.rect.width() == 0)
            p.rect.setWidth(z * step * 25);
        if (p.rect.height() == 0)
            p.rect.setHeight(z * step * 25);
        for (int i = pick(6); i > 0; --i)
            p.lines.append(QRectF(z * (base + step * (pick(45) - 8)), p.rect.y(), 0, p.rect.height()));
        return p;
    }
};

} // namespace

TEST(PageGrid, SameGridAsTheStepByStepBuild)
{
    QRandomGenerator random(20240611);
    struct Range {
        int64_t base;
        int step;
    };
    for (const Range range : {Range{0, 5}, Range{0, 1}, Range{INT32_MAX - 4000, 128}, Range{30000000, 1}}) {
        for (int round = 0; round < 1500; ++round) {
            const RandomPage p = RandomPage::make(random, range.base, range.step);
            const GridBuild fast = buildPageGrid(p.runs, p.rect, p.lines, p.zoom);
            const GridBuild reference = referenceBuild(p.runs, p.rect, p.lines, p.zoom);
            ASSERT_EQ(describe(fast.grid), describe(reference.grid)) << "runs:\n"
                                                                     << notation(p.runs) << "zoom " << p.zoom;
            ASSERT_EQ(fast.grid, reference.grid);
            ASSERT_EQ(fast.pageRect, reference.pageRect);
            ASSERT_EQ(fast.pageLines, reference.pageLines);
        }
    }
}

TEST(ExchangeSortOrder, SameOrderAsTheExchangeSort)
{
    QRandomGenerator random(7);
    for (int round = 0; round < 3000; ++round) {
        const int keyRange = 1 + int(random.bounded(6));
        QVector<int> order(int(random.bounded(40)));
        std::vector<int32_t> keys;
        for (int i = 0; i < order.size(); ++i) {
            order[i] = i;
            keys.push_back(int32_t(random.bounded(keyRange)));
        }
        exchangeSort(order, [&](int a, int b) { return keys[size_t(a)] > keys[size_t(b)]; });
        ASSERT_EQ(exchangeSortOrder(keys), std::vector<int>(order.begin(), order.end()));
    }
    EXPECT_EQ(exchangeSortOrder({5, 5, 1}), (std::vector<int>{2, 1, 0}));
    EXPECT_TRUE(exchangeSortOrder({}).empty());
}
