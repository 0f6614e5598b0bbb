// Random sheets and cells through the spreadsheet interface, saved into memory and read back:
// see spreadsheetchecks.h. Documents stay small here so that the target runs fast; the
// spreadsheet tests replay the kept inputs with large documents through real files.
#include "testing/spreadsheetchecks.h"

#include <cstdio>
#include <cstdlib>

// A short quarantine lets freed memory be reused soon: with the default one every document
// touches fresh pages, and page faults cost more than the check itself.
extern "C" const char* __asan_default_options()
{
    return "quarantine_size_mb=8";
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const FuzzChecks::SpreadsheetCheck check{1 << 8, 1 << 14, {}};
    const std::string problem = FuzzChecks::checkSpreadsheet(data, size, check);
    if (!problem.empty()) {
        std::fprintf(stderr, "spreadsheet: %s\n", problem.c_str());
        std::abort();
    }
    return 0;
}
