// Random sheets and cells through the spreadsheet interface, saved and read back: see
// spreadsheetchecks.h.
#include "spreadsheetchecks.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const std::string path = (std::filesystem::temp_directory_path() /
                                     ("zq-fuzz-spreadsheet-" + std::to_string(getpid()) + ".xls"))
                                        .string();
    const std::string problem = FuzzChecks::checkSpreadsheet(data, size, path);
    if (!problem.empty()) {
        std::fprintf(stderr, "spreadsheet: %s\n", problem.c_str());
        std::abort();
    }
    return 0;
}
