#pragma once

// The "Workbook" stream of a document: the globals, then every sheet's worksheet records.

#include "spreadsheet/hugepageallocator.h"
#include "spreadsheet/streamoutput.h"
#include "spreadsheet/worksheet.h"

#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

namespace xls {

class SpreadsheetSheet;
class Workbook;

// The sheets of a document in their order, for the stream to lay out.
using SheetList = std::vector<const SpreadsheetSheet*>;

// The stream's bytes. A large buffer's pages are not touched before the records are written
// into them, and on Linux it asks for huge pages: a full sheet's stream is tens of megabytes.
class StreamBuffer {
public:
    StreamBuffer() = default;
    ~StreamBuffer() { release(); }
    StreamBuffer(const StreamBuffer&) = delete;
    StreamBuffer& operator=(const StreamBuffer&) = delete;

    // False when there is not enough memory.
    bool allocate(size_t size);
    void release();
    uint8_t* data() const { return data_; }
    size_t size() const { return size_; }

private:
    uint8_t* data_ = nullptr; // from HugePageAllocator: a large stream is filled on huge pages
    size_t size_ = 0;
};

// The stream of one save: laid out first, so that its size is known before any byte is
// written, then written once, whole into a buffer or in pieces. The sheets must not change
// in between; the globals' shared string table is cleared again when this goes away.
//
//   WorkbookStream stream(globals, sheets);
//   if (stream.layOut())
//       stream.write(out);   // stream.size() bytes
class WorkbookStream {
public:
    WorkbookStream(Workbook& globals, SheetList sheets) : globals_(globals), sheets_(std::move(sheets)) {}
    ~WorkbookStream();
    WorkbookStream(const WorkbookStream&) = delete;
    WorkbookStream& operator=(const WorkbookStream&) = delete;

    // False when the document does not fit the file format (a text over 65535 characters,
    // a stream over 2 GB).
    bool layOut();
    uint64_t size() const { return size_; }
    // Writes the stream; true when `out` took every piece.
    bool write(StreamOutput& out);

private:
    Workbook& globals_;
    SheetList sheets_;
    std::vector<Worksheet> worksheets_;
    uint64_t size_ = 0;
};

// Lays out every sheet, refills the shared string table, fixes the stream positions and
// writes the whole stream into `stream` (the save to memory, and checks of the records). False when the document does not fit the file format
// (a text over 65535 characters, a stream over 2 GB) or memory runs out; `stream` is then
// left empty.
bool buildWorkbookStream(Workbook& globals, const SheetList& sheets, StreamBuffer& stream);

} // namespace xls
