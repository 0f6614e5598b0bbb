// zq-tsv2xls end to end on a full sheet of distinct texts (65536 rows × 16 columns, a 14 MB
// UTF-8 file), next to copying a file of the output's size in the same run: the whole run
// against the copy, and the run's peak memory as a multiple of the output's size. The same
// figures for an .xlsx output (written by libxlsxwriter) follow as information.
//
//   bench_tsv2xls [runs]   (default: 3; the fastest and the median time, the highest peak count)

#include "benchsupport.h"

#include <QCoreApplication>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

namespace {
constexpr unsigned rows = 65536;
constexpr unsigned columns = 16;

bool writeTable(const std::string& path)
{
    std::FILE* out = std::fopen(path.c_str(), "wb");
    if (!out)
        return false;
    for (unsigned row = 0; row < rows; ++row)
        for (unsigned column = 0; column < columns; ++column)
            std::fprintf(out, "R%05u C%02u tx%c", row, column, column + 1 < columns ? '\t' : '\n');
    return std::fclose(out) == 0;
}

struct Figures {
    Measurement run;
    Measurement copy;
    double runMedian = 0; // seconds
    double copyMedian = 0;
    double megabytes = 0;
};

double median(const std::vector<Measurement>& runs)
{
    std::vector<double> seconds;
    for (const Measurement& run : runs)
        seconds.push_back(run.seconds);
    std::sort(seconds.begin(), seconds.end());
    const size_t middle = seconds.size() / 2;
    return seconds.size() % 2 ? seconds[middle] : (seconds[middle - 1] + seconds[middle]) / 2;
}

Figures measure(const std::string& tool, const std::string& table, const std::string& output, int runs)
{
    std::vector<Measurement> tsv, copies;
    for (int run = 0; run < runs; ++run) {
        std::filesystem::remove(output);
        tsv.push_back(runChild({tool, table, output}));
        copies.push_back(runChild({"cp", output, output + ".copy"}));
        std::filesystem::remove(output + ".copy");
    }
    Figures figures{best(tsv), best(copies), median(tsv), median(copies), 0};
    std::error_code error;
    figures.megabytes = double(std::filesystem::file_size(output, error)) / (1024.0 * 1024.0);
    std::filesystem::remove(output);
    return figures;
}

void print(const char* kind, const Figures& f, const char* targets)
{
    const double peakMegabytes = f.run.peakKiB / 1024.0;
    std::printf("%s: %.1f MB file\n", kind, f.megabytes);
    std::printf("  zq-tsv2xls:   %.3f s (median %.3f s), peak %.1f MB\n", f.run.seconds, f.runMedian,
                peakMegabytes);
    std::printf("  copy (cp):    %.3f s (median %.3f s)\n", f.copy.seconds, f.copyMedian);
    std::printf("  time ratio:   run / copy = %.2f, of the medians %.2f%s\n", f.run.seconds / f.copy.seconds,
                f.runMedian / f.copyMedian, targets);
    std::printf("  memory ratio: peak / file size = %.2f%s\n", peakMegabytes / f.megabytes,
                *targets ? "   (target: at most 2.5)" : "");
}
} // namespace

int main(int argc, char** argv)
{
    if (argc > 2 && std::strcmp(argv[1], "--measure") == 0)
        return measureChild(argv + 2);
    QCoreApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;

    QTemporaryDir dir;
    const std::string folder = dir.path().toStdString();
    const std::string table = folder + "/table.tsv";
    if (!dir.isValid() || !writeTable(table)) {
        std::fprintf(stderr, "bench_tsv2xls: cannot write %s\n", table.c_str());
        return 1;
    }
    const std::string tool = (QCoreApplication::applicationDirPath() + "/zq-tsv2xls").toStdString();
    std::printf("table: %u rows x %u columns of distinct texts (\"R00000 C00 tx\"), %.1f MB of UTF-8\n", rows,
                columns, double(std::filesystem::file_size(table)) / (1024.0 * 1024.0));
    const Figures xls = measure(tool, table, folder + "/table.xls", runs);
    const Figures xlsx = measure(tool, table, folder + "/table.xlsx", runs);
    if (!xls.run.ok || !xlsx.run.ok)
        return 1;
    print(".xls ", xls, "   (target: at most 5)");
    print(".xlsx", xlsx, "");
    return 0;
}
