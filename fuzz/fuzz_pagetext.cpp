// Any bytes as a page text file: parsing never fails, never gives negative boxes.
#include "pagetext.h"

#include <QByteArray>

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const PageText page = PageTextParser::getTextPosition(PageTextParser::decodePageBytes(bytes));
    if (page.lineCount != page.runs.size())
        std::abort();
    for (const Subtext& run : page.runs)
        if (run.left < 0 || run.top < 0 || run.width < 0 || run.height < 0)
            std::abort();
    // Decoding references twice over is never longer than the text itself.
    for (const Subtext& run : page.runs)
        if (PageTextParser::decodeCharacterReferences(run.text).size() > run.text.size())
            std::abort();
    return 0;
}
