// Grid building on a dense page: 5000 runs inside the table and 100 column lines. Prints the
// time of one buildPageGrid call next to the time of copying the page's runs once.

#include "extraction/pagegrid.h"

#include "benchsupport.h"

#include <QRandomGenerator>

#include <chrono>
#include <cstdio>

namespace {

// A page of 250 printed lines with 20 words each, words of varying width on a shared
// baseline and some taller ones (nested bands), all inside the table.
QVector<Subtext> densePage()
{
    QRandomGenerator random(42);
    QVector<Subtext> runs;
    for (int line = 0; line < 250; ++line) {
        const int top = 120 + 16 * line;
        for (int word = 0; word < 20; ++word) {
            const bool tall = random.bounded(10) == 0;
            runs.append({int32_t(110 + 50 * word + random.bounded(10)), tall ? top - 1 : top,
                         int32_t(20 + random.bounded(25)), tall ? 14 : 12,
                         QStringLiteral("w%1.%2").arg(line).arg(word)});
        }
    }
    return runs;
}

} // namespace

int main()
{
    const QVector<Subtext> runs = densePage();
    const QRectF table(100, 100, 1020, 4040);
    QVector<QRectF> lines;
    for (int i = 0; i < 100; ++i)
        lines.append(QRectF(105 + 10 * i, table.y(), 0, table.height()));

    const PageGrid grid = buildPageGrid(runs, table, lines, 1.0f).grid;
    int filled = 0;
    for (const QString& cell : grid.cells)
        filled += cell.isEmpty() ? 0 : 1;

    const double build = secondsPerCall([&] {
        const GridBuild result = buildPageGrid(runs, table, lines, 1.0f);
        if (result.grid.rows != grid.rows)
            std::abort();
    });
    const double copy = secondsPerCall([&] {
        QVector<Subtext> copied;
        copied.reserve(runs.size());
        for (const Subtext& run : runs)
            copied.append(run);
        if (copied.size() != runs.size())
            std::abort();
    });

    std::printf("page: %lld runs, %lld lines -> %d rows x %d columns, %d cells filled\n",
                static_cast<long long>(runs.size()), static_cast<long long>(lines.size()), grid.rows,
                grid.columns, filled);
    std::printf("buildPageGrid:           %10.3f ms per call\n", build * 1e3);
    std::printf("copying the runs once:   %10.3f ms\n", copy * 1e3);
    std::printf("ratio:                   %10.1f\n", build / copy);
    return 0;
}
