// Saving a full sheet of distinct texts: 65536 rows × 16 columns built through the
// spreadsheet interface and saved as .xls, next to one plain write of as many bytes into the
// same folder in the same run. Prints the times, the file size and the peak memory.
//
//   bench_spreadsheet [FOLDER]   (default: the temporary folder)

#include "spreadsheet/spreadsheet.h"

#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

namespace {
using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

double peakMegabytes()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024.0; // kilobytes on Linux
}

// A cell text like "R12345 C07 text": every cell of the sheet differs.
void cellText(std::u16string& text, uint32_t row, uint32_t column)
{
    char ascii[32];
    const int length = std::snprintf(ascii, sizeof ascii, "R%05u C%02u text", row, column);
    text.assign(ascii, ascii + length);
}

// Writes `size` bytes to `path` with plain writes of 4 MB, as a reference.
bool plainWrite(const std::string& path, uint64_t size)
{
    std::FILE* out = std::fopen(path.c_str(), "wb");
    if (!out)
        return false;
    const std::vector<char> chunk(4 << 20, 'x');
    bool ok = true;
    for (uint64_t done = 0; done < size && ok;) {
        const size_t piece = static_cast<size_t>(std::min<uint64_t>(chunk.size(), size - done));
        ok = std::fwrite(chunk.data(), 1, piece, out) == piece;
        done += piece;
    }
    return std::fclose(out) == 0 && ok;
}
} // namespace

int main(int argc, char** argv)
{
    const std::filesystem::path folder =
        argc > 1 ? std::filesystem::path(argv[1]) : std::filesystem::temp_directory_path();
    const std::string xlsPath = (folder / "bench_spreadsheet.xls").string();
    const std::string plainPath = (folder / "bench_spreadsheet.plain").string();
    constexpr uint32_t rows = 65536;
    constexpr uint32_t columns = 16;

    const double baseline = peakMegabytes();
    const auto buildStart = Clock::now();
    xls::SpreadsheetFile file;
    file.createSheets(1);
    xls::SpreadsheetSheet& sheet = *file.sheetAt(0);
    std::u16string text;
    for (uint32_t row = 0; row < rows; ++row) {
        for (uint32_t column = 0; column < columns; ++column) {
            cellText(text, row, column);
            sheet.cellAt(row, column)->setText(text);
        }
    }
    const double buildSeconds = secondsSince(buildStart);
    const double afterBuild = peakMegabytes();

    const auto saveStart = Clock::now();
    if (!file.saveAs(xlsPath.c_str())) {
        std::fprintf(stderr, "bench_spreadsheet: cannot save %s\n", xlsPath.c_str());
        return 1;
    }
    const double saveSeconds = secondsSince(saveStart);
    const double peak = peakMegabytes();
    const uint64_t size = std::filesystem::file_size(xlsPath);
    const double sizeMegabytes = size / (1024.0 * 1024.0);

    const auto plainStart = Clock::now();
    if (!plainWrite(plainPath, size)) {
        std::fprintf(stderr, "bench_spreadsheet: cannot write %s\n", plainPath.c_str());
        return 1;
    }
    const double plainSeconds = secondsSince(plainStart);
    std::filesystem::remove(xlsPath);
    std::filesystem::remove(plainPath);

    std::printf("table:        %u rows x %u columns of distinct texts (\"R00000 C00 text\")\n", rows,
                columns);
    std::printf("build cells:  %.3f s\n", buildSeconds);
    std::printf("save:         %.3f s   (target: at most 0.3 s)\n", saveSeconds);
    std::printf("plain write:  %.3f s   of %.1f MB\n", plainSeconds, sizeMegabytes);
    std::printf("ratio:        save / plain write = %.2f\n", saveSeconds / plainSeconds);
    std::printf("file size:    %.1f MB\n", sizeMegabytes);
    std::printf("peak memory:  %.1f MB (%.1f MB before building, %.1f MB with the cells built)\n", peak,
                baseline, afterBuild);
    std::printf("memory ratio: peak / file size = %.2f   (target: at most 3)\n", peak / sizeMegabytes);
    return 0;
}
