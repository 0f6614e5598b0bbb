#pragma once

// What the benchmarks share: running a tool as a measured child, and a generated PDF of
// table pages.

#include <QString>

#include <chrono>
#include <string>
#include <vector>

struct Measurement {
    double seconds = 0;
    long peakKiB = 0;
    bool ok = false;
};

// The child side of runChild(): runs `command`, prints "<seconds> <peak KiB> <exit status>".
// A benchmark's main calls it first when started as "<benchmark> --measure <command...>".
int measureChild(char** command);

// Runs `command` through this program started with --measure, so the child's peak memory is
// not inflated by what this process holds.
Measurement runChild(const std::vector<std::string>& command);

// The fastest time and the highest peak of several runs.
Measurement best(const std::vector<Measurement>& runs);

// A4 pages of a price list: a title, a ruled table of 40 rows by 6 columns and a footer.
// The table's outline in points from the page's top-left corner, and its column lines:
constexpr double kTableTop = 75, kTableLeft = 35, kTableBottom = 765, kTableRight = 560;
constexpr double kTableSeparators[] = {110, 250, 330, 410, 480};
bool writeTableDocument(const QString& path, int pages);

// "<benchmark> [pages] [runs]": the page count and the number of runs, with defaults.
struct BenchArguments {
    int pages;
    int runs;
};
BenchArguments benchArguments(int argc, char** argv, int defaultPages, int defaultRuns);

// The table document of `pages` pages as "tables.pdf" in `folder`; "" (with a message on
// stderr) when it cannot be written.
QString tableDocumentIn(const QString& folder, int pages);

using BenchClock = std::chrono::steady_clock;

// Runs `work` repeatedly for at least half a second; returns the mean seconds per call.
template <typename Work> double secondsPerCall(Work work)
{
    int calls = 0;
    const BenchClock::time_point start = BenchClock::now();
    std::chrono::duration<double> elapsed{};
    do {
        work();
        ++calls;
        elapsed = BenchClock::now() - start;
    } while (elapsed.count() < 0.5);
    return elapsed.count() / calls;
}
