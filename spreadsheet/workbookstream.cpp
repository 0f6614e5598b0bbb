#include "spreadsheet/workbookstream.h"

#include "spreadsheet/workbook.h"
#include "spreadsheet/worksheet.h"

#include <cassert>

#ifdef __linux__
#include <sys/mman.h>
#endif

namespace xls {

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

WorkbookStream::~WorkbookStream()
{
    // The table refers to the cells' texts; it is rebuilt at the next save.
    globals_.sharedStrings.clear();
}

bool WorkbookStream::layOut()
{
    Workbook& globals = globals_;
    SharedStringTable& sharedStrings = globals.sharedStrings;
    sharedStrings.clear();

    worksheets_ = std::vector<Worksheet>(sheets_.size());
    size_t narrowCells = 0;
    size_t wideCells = 0;
    for (size_t i = 0; i < worksheets_.size(); ++i) {
        size_t narrow = 0;
        size_t wide = 0;
        Worksheet::countTexts(*sheets_[i], narrow, wide);
        worksheets_[i].reserveTexts(narrow + wide);
        narrowCells += narrow;
        wideCells += wide;
    }
    sharedStrings.reserve(narrowCells, wideCells);

    bool fits = true;
    for (size_t i = 0; i < worksheets_.size() && fits; ++i)
        fits = worksheets_[i].layOut(*sheets_[i], sharedStrings, i == 0);
    // Writing needs the texts in table order only: make room for what comes next.
    sharedStrings.releaseLookup();

    uint64_t size = fits && !sharedStrings.overflowed() ? globals.recordSize() : 0;
    for (size_t i = 0; i < worksheets_.size() && fits; ++i) {
        globals.sheets[i].position = static_cast<uint32_t>(size);
        worksheets_[i].placeAt(static_cast<uint32_t>(size));
        size += worksheets_[i].recordSize();
        fits = size <= maxStreamSize;
    }
    if (!fits || sharedStrings.overflowed()) {
        sharedStrings.clear();
        size_ = 0;
        return false;
    }
    size_ = size;
    return true;
}

bool WorkbookStream::write(StreamOutput& out)
{
    size_t written = globals_.write(out);
    for (Worksheet& worksheet : worksheets_)
        written += worksheet.write(out);
    assert(written == size_);
    (void)written;
    return !out.failed();
}

bool buildWorkbookStream(Workbook& globals, const SheetList& sheets, StreamBuffer& stream)
{
    stream.release();
    WorkbookStream workbook(globals, sheets);
    if (!workbook.layOut() || !stream.allocate(workbook.size()))
        return false;
    BufferOutput out(stream.data());
    workbook.write(out);
    assert(out.end() == stream.data() + stream.size());
    return true;
}

} // namespace xls
