// Any bytes as a page text file, or a page in the converter's span format: see extractionchecks.h.
#include "extractionchecks.h"

#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string problem = FuzzChecks::checkPageText(data, size);
    if (!problem.empty()) {
        std::fprintf(stderr, "page text: %s\n", problem.c_str());
        std::abort();
    }
    return 0;
}
