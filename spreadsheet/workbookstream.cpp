#include "spreadsheet/workbookstream.h"

#include "spreadsheet/workbook.h"
#include "spreadsheet/worksheet.h"

#include <algorithm>
#include <cassert>
#include <new>

namespace xls {

namespace {
// Compound documents of version 3 hold streams up to 2 GB.
constexpr uint64_t maxStreamSize = 0x80000000u;
} // namespace

bool StreamBuffer::allocate(size_t size)
{
    release();
    try {
        data_ = HugePageAllocator<uint8_t>().allocate(std::max<size_t>(size, 1));
    } catch (const std::bad_alloc&) {
        return false;
    }
    size_ = size;
    return true;
}

void StreamBuffer::release()
{
    if (data_)
        HugePageAllocator<uint8_t>().deallocate(data_, std::max<size_t>(size_, 1));
    data_ = nullptr;
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
