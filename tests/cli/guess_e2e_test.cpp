// Guessed geometry in zq-extract end to end: columns guessed inside a given area (-c auto), the
// table found on each page (-g) and the geometry written back as a layout (--print-layout),
// on the shared samples and on generated PDFs, through the real converter.
#include "outputreader.h"
#include "pagemaker.h"
#include "sample.h"
#include "testsupport.h"
#include "toolrun.h"

#include <QFile>
#include <QProcess>
#include <gtest/gtest.h>

#include <cstdio>

namespace {

// The pages of the CSV zq-extract writes with `args`; none when it fails.
QVector<Rows> extractPages(const QStringList& args, const QString& name)
{
    const QString out = work(name + ".csv");
    const ToolRun run = runExtract(args + QStringList{"-o", out});
    EXPECT_EQ(run.exitCode, 0) << name.toStdString() << ": " << run.err.toStdString();
    QVector<Rows> pages;
    QString error;
    EXPECT_TRUE(run.exitCode != 0 || readCsvPages(out, &pages, &error)) << error.toStdString();
    for (Rows& page : pages)
        page = normalized(page);
    return pages;
}

struct Score {
    int right = 0;
    int total = 0;
    void add(const Score& s)
    {
        right += s.right;
        total += s.total;
    }
    double percent() const { return total ? 100.0 * right / total : 100.0; }
};

// Expected cells read back at the same row and column (missing ones count as wrong).
Score cellsRight(const Rows& got, const Rows& expected)
{
    Score s;
    for (int r = 0; r < expected.size(); ++r)
        for (int c = 0; c < expected[r].size(); ++c) {
            ++s.total;
            s.right += got.value(r).value(c) == expected[r][c];
        }
    return s;
}

} // namespace

// Every sample with a text layer: columns guessed inside the JSON's rectangle, and the table
// found by -g alone, read back as the JSON's cells. Wrapped samples are read with their lines
// joined, as their cells are given. The JSON's own columns are scored beside them: where those
// fall short too, the rows are at fault, not the guess.
TEST(GuessSamples, GuessedAndFoundTablesGiveTheSampleCells)
{
    const QStringList names = {"timesheet",        "inventory-3pages",  "rates-wide",
                               "rotated-schedule", "contracts-wrapped", "ledger-unruled"};
    Score drawnAll, guessedAll, foundAll;
    for (const QString& name : names) {
        const Sample sample = loadSample(name);
        ASSERT_TRUE(sample.error.isEmpty()) << sample.error.toStdString();
        const bool join = sample.tables.first().lineRows > 0;
        const QStringList joinArg = join ? QStringList{"--join-lines"} : QStringList{};

        Score drawn, guessed, found;
        const QVector<Rows> foundPages =
            extractPages(QStringList{sample.pdf, "-g"} + joinArg, name + "-found");
        for (const SampleTable& table : sample.tables) {
            const QString page = QString::number(table.page);
            const QString area = table.geometry.area();
            const QVector<Rows> pages = extractPages(
                QStringList{sample.pdf, "-a", area, "-c", "auto", "-p", page} + joinArg, name + "-guessed");
            guessed.add(cellsRight(pages.value(table.page - 1), table.cells));
            // The JSON's own columns, for reference: what the grid builder gives when drawn.
            const QVector<Rows> drawnPages = extractPages(
                QStringList{sample.pdf, "-a", area, "-c", table.geometry.columns(), "-p", page} + joinArg,
                name + "-drawn");
            drawn.add(cellsRight(drawnPages.value(table.page - 1), table.cells));
            found.add(cellsRight(foundPages.value(table.page - 1), table.cells));
        }
        std::printf("%-18s drawn %6.1f%%   guessed columns %6.1f%%   found table %6.1f%%   (%d cells)\n",
                    qPrintable(name), drawn.percent(), guessed.percent(), found.percent(), guessed.total);
        // Each sample on its own: a table read wrong cannot hide behind the others.
        EXPECT_GE(drawn.percent(), 95.0) << name.toStdString();
        EXPECT_GE(guessed.percent(), 95.0) << name.toStdString();
        EXPECT_GE(found.percent(), 95.0) << name.toStdString();
        drawnAll.add(drawn);
        guessedAll.add(guessed);
        foundAll.add(found);
    }
    std::printf("%-18s drawn %6.1f%%   guessed columns %6.1f%%   found table %6.1f%%   (%d cells)\n", "all",
                drawnAll.percent(), guessedAll.percent(), foundAll.percent(), guessedAll.total);
    EXPECT_GE(guessedAll.percent(), 95.0);
    EXPECT_GE(foundAll.percent(), 95.0);
}

// A generated page with a small ruled table above a larger unruled one: -g takes the larger,
// its layout printed by --print-layout gives the same file through -t, and -c auto inside the
// small table's area finds its ruled columns.
TEST(GuessEndToEnd, FoundTableItsLayoutAndGuessedColumnsOnAGeneratedPage)
{
    PdfPage page =
        tablePage({{"Region", "Sales", "Share"}, {"North", "1,200", "12%"}, {"South", "980", "9%"}},
                  {80, 200, 300}, 100, 20);
    for (double y : {86.0, 106.0, 126.0, 146.0})
        page.rules.append(QLineF(74, y, 360, y));
    for (double x : {74.0, 190.0, 290.0, 360.0})
        page.rules.append(QLineF(x, 86, x, 146));
    QVector<QStringList> stock = {{"SKU", "Item", "Bin", "On hand"}};
    for (int i = 0; i < 12; ++i)
        stock.append({QStringLiteral("GC-%1").arg(20333 + i), i % 2 ? "Rake" : "Bark mulch, 50 l",
                      QStringLiteral("B%1").arg(i % 5), QString::number(i * 37 - 100)});
    const PdfPage large = tablePage(stock, {80, 180, 330, 430}, 260, 16);
    page.words += large.words;
    const QString pdf = work("guess-generated.pdf");
    ASSERT_TRUE(writePdf(pdf, {page}));

    const QVector<Rows> found = extractPages({pdf, "-g"}, "generated-found");
    ASSERT_EQ(found.size(), 1);
    EXPECT_EQ(found[0], normalized(stock));

    const ToolRun printed = runExtract({pdf, "-g", "--print-layout"});
    ASSERT_EQ(printed.exitCode, 0) << printed.err.toStdString();
    const QString layout = work("guess-generated-layout.json");
    QFile layoutFile(layout);
    ASSERT_TRUE(layoutFile.open(QIODevice::WriteOnly));
    layoutFile.write(printed.out);
    layoutFile.close();
    EXPECT_EQ(extractPages({pdf, "-t", layout}, "generated-layout"), found);

    const QVector<Rows> ruled = extractPages({pdf, "-a", "80,70,150,365", "-c", "auto"}, "generated-ruled");
    ASSERT_EQ(ruled.size(), 1);
    EXPECT_EQ(ruled[0],
              Rows({{"Region", "Sales", "Share"}, {"North", "1,200", "12%"}, {"South", "980", "9%"}}));

    EXPECT_EQ(runExtract({pdf, "-g", "-t", layout, "-o", work("refused.csv")}).exitCode, 1);
}
