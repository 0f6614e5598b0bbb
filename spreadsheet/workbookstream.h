#pragma once

// The "Workbook" stream of a document: the globals, then every sheet's worksheet records.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>

class SpreadsheetFile;

// The stream's bytes. A large buffer's pages are not touched before the records are written
// into them, and on Linux it asks for huge pages: a full sheet's stream is tens of megabytes.
class StreamBuffer {
public:
    // False when there is not enough memory.
    bool allocate(size_t size);
    void release();
    uint8_t* data() const { return data_.get(); }
    size_t size() const { return size_; }

private:
    struct Free {
        void operator()(uint8_t* bytes) const { std::free(bytes); }
    };
    std::unique_ptr<uint8_t, Free> data_;
    size_t size_ = 0;
};

// Lays out every sheet, refills the shared string table, fixes the stream positions and
// writes the stream into `stream`. False when the document does not fit the file format
// (a text over 65535 characters, a stream over 2 GB) or memory runs out; `stream` is then
// left empty.
bool buildWorkbookStream(SpreadsheetFile& file, StreamBuffer& stream);
