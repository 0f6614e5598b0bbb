// Column guessing and table finding on a page of 100 000 words: a table of 12 500 lines of 8
// cells (text left-aligned, numbers right-aligned). Prints the time of guessColumns() over the
// whole table and of findTables() on the page next to parsing the same page text, the step
// that gives the words.

#include "extraction/columnguess.h"
#include "extraction/tablefinder.h"
#include "protocol/pagetext.h"

#include "benchsupport.h"

#include <QRandomGenerator>

#include <chrono>
#include <cstdio>
#include <cstdlib>

namespace {

constexpr int kLines = 12500;
constexpr int kColumns = 8;
constexpr int kLeft = 40;
constexpr int kPitch = 110; // between column starts, in pixels
constexpr int kTop = 60;

// The page text as the converter writes it: one span per word.
QString pageText()
{
    QRandomGenerator random(42);
    QString text;
    text.reserve(kLines * kColumns * 64);
    for (int line = 0; line < kLines; ++line) {
        const int top = kTop + 16 * line;
        for (int column = 0; column < kColumns; ++column) {
            const bool number = column >= kColumns / 2;
            const int width = 20 + int(random.bounded(60));
            const int x = number ? kLeft + kPitch * column + 90 - width : kLeft + kPitch * column;
            const QString word =
                number ? QString::number(random.bounded(100000)) : QStringLiteral("item%1").arg(line);
            text += QStringLiteral("<span style=\"left:%1;top:%2;width:%3;height:12\">%4</span>\n")
                        .arg(x)
                        .arg(top)
                        .arg(width)
                        .arg(word);
        }
    }
    return text;
}

} // namespace

int main()
{
    const QString text = pageText();
    const PageText page = PageTextParser::getTextPosition(text);
    const QRectF table(kLeft - 5, kTop - 5, kPitch * kColumns + 10, 16.0 * kLines + 10);
    const QSizeF pageSize(kLeft * 2 + kPitch * kColumns, kTop * 2 + 16.0 * kLines);
    const QVector<double> columns = guessColumns(page.runs, {}, table);
    const QVector<TableProposal> tables = findTables(page.runs, {}, pageSize);

    const double parse = secondsPerCall([&] {
        if (PageTextParser::getTextPosition(text).runs.size() != page.runs.size())
            std::abort();
    });
    const double guess = secondsPerCall([&] {
        if (guessColumns(page.runs, {}, table) != columns)
            std::abort();
    });
    const double find = secondsPerCall([&] {
        if (findTables(page.runs, {}, pageSize).size() != tables.size())
            std::abort();
    });

    std::printf("page: %lld words -> %lld column lines guessed (expected %d), %lld tables found\n",
                static_cast<long long>(page.runs.size()), static_cast<long long>(columns.size()),
                kColumns - 1, static_cast<long long>(tables.size()));
    std::printf("parsing the page text:   %10.1f ms\n", parse * 1e3);
    std::printf("guessColumns:            %10.1f ms   ratio %6.2f   (target: under 1000 ms)\n", guess * 1e3,
                guess / parse);
    std::printf("findTables:              %10.1f ms   ratio %6.2f   (target: under 1000 ms)\n", find * 1e3,
                find / parse);
    return 0;
}
