#include "workbookstream.h"

#include "spreadsheet.h"
#include "workbook.h"
#include "worksheet.h"

#include <cassert>

#ifdef __linux__
#include <sys/mman.h>
#endif

namespace {
// Compound documents of version 3 hold streams up to 2 GB.
constexpr uint64_t maxStreamSize = 0x80000000u;
constexpr size_t hugePage = size_t(2) << 20;
} // namespace

bool StreamBuffer::allocate(size_t size)
{
    release();
    uint8_t* bytes = nullptr;
#ifdef __linux__
    if (size >= 2 * hugePage) {
        bytes =
            static_cast<uint8_t*>(std::aligned_alloc(hugePage, (size + hugePage - 1) / hugePage * hugePage));
        if (bytes)
            madvise(bytes, size, MADV_HUGEPAGE);
    }
#endif
    if (!bytes)
        bytes = static_cast<uint8_t*>(std::malloc(size > 0 ? size : 1));
    if (!bytes)
        return false;
    data_.reset(bytes);
    size_ = size;
    return true;
}

void StreamBuffer::release()
{
    data_.reset();
    size_ = 0;
}

bool buildWorkbookStream(SpreadsheetFile& file, StreamBuffer& stream)
{
    stream.release();
    Workbook& globals = file.workbook();
    SharedStringTable& sharedStrings = globals.sharedStrings;
    sharedStrings.clear();

    size_t narrowCells = 0;
    size_t wideCells = 0;
    for (int i = 0; i < file.sheetCount(); ++i)
        Worksheet::countTexts(*file.sheetAt(i), narrowCells, wideCells);
    sharedStrings.reserve(narrowCells, wideCells);

    std::vector<Worksheet> worksheets(static_cast<size_t>(file.sheetCount()));
    bool fits = true;
    for (size_t i = 0; i < worksheets.size() && fits; ++i)
        fits = worksheets[i].layOut(*file.sheetAt(static_cast<int>(i)), sharedStrings, i == 0);
    // The stream buffer is the largest allocation of a save: make room for it.
    sharedStrings.releaseLookup();

    uint64_t size = fits && !sharedStrings.overflowed() ? globals.recordSize() : 0;
    for (size_t i = 0; i < worksheets.size() && fits; ++i) {
        globals.sheets[i].position = static_cast<uint32_t>(size);
        worksheets[i].placeAt(static_cast<uint32_t>(size));
        size += worksheets[i].recordSize();
        fits = size <= maxStreamSize;
    }
    if (!fits || sharedStrings.overflowed() || !stream.allocate(size)) {
        sharedStrings.clear();
        return false;
    }

    uint8_t* at = stream.data();
    at += globals.write(at);
    for (Worksheet& worksheet : worksheets)
        at += worksheet.write(at);
    assert(at == stream.data() + stream.size());
    // The table refers to the cells' texts; it is rebuilt at the next save.
    sharedStrings.clear();
    return true;
}
