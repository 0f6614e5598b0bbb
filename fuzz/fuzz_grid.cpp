// Random runs and table geometry through grid building: see extractionchecks.h.
#include "extractionchecks.h"

#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string problem = FuzzChecks::checkGrid(data, size);
    if (!problem.empty()) {
        std::fprintf(stderr, "grid: %s\n", problem.c_str());
        std::abort();
    }
    return 0;
}
