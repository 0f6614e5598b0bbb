#pragma once

// A compound document written to disk: the container of an .xls file. Streams are named by
// paths of storage names separated by backslashes ("Workbook", "Reports\\2024").
//
//   CompoundDocument document;
//   document.createDocument("/home/ann/report.xls");
//   document.createStream(u"Workbook");
//   bool saved = document.writeStream(u"Workbook", bytes, n) == CompoundDocument::Success;
//
// Nothing reaches the file until the first writeStream(); from then on every change is written
// at once. Each write produces the whole file in one pass into a temporary file beside it, which
// replaces the file only when complete, so a write that fails (a full disk) leaves the file as
// it was and returns WriteFailed. A target that is not a regular file (a device) is written
// directly. The layout is the one an incremental writer would produce for the same operations:
// for one stream, sector 0 FAT, sector 1 directory, then the stream from sector 2 (streams under
// 4096 bytes: sector 2 mini stream, 3 MiniFAT, 4 … the rest of the mini stream).

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "spreadsheet/streamoutput.h"

namespace xls {

class CompoundLayout;
class SaveTarget;

class CompoundDocument {
public:
    enum Result {
        Success = 1,
        NoName = -1, // the path holds no name
        NoSuchStream = -4,
        NameTooLong = -5, // a name of more than 31 UTF-16 code units
        NameExists = -6,  // the storage already holds an entry of that name (in any letter case)
        WriteFailed = -7, // no document open, a stream too large, or the file not written
    };

    CompoundDocument();
    ~CompoundDocument();
    CompoundDocument(const CompoundDocument&) = delete;
    CompoundDocument& operator=(const CompoundDocument&) = delete;

    // Starts a new document to be saved at `path` (its bytes, UTF-8 on Linux); closes any open
    // one first. False when no file can be made there.
    bool createDocument(const std::string& path);
    // Starts a new document kept in memory: every write replaces memoryImage().
    void createDocumentInMemory();
    const std::vector<uint8_t>& memoryImage() const;
    // Creates an empty stream, and the storages on its path that are missing.
    int createStream(const std::u16string& path);
    int createStream(const std::string& narrowPath); // converted by the locale's mbstowcs
    // Replaces the stream's whole content with `length` bytes (under 2 GB) and writes the file.
    int writeStream(const std::u16string& path, const uint8_t* data, size_t length);
    int writeStream(const std::string& narrowPath, const uint8_t* data, size_t length);
    // The same with the stream's bytes produced while the file is written: `produce` hands
    // exactly `length` bytes to the sink, in order, and returns false to give up. The file
    // is written as the pieces arrive, so the stream is never held in memory whole (a small
    // stream, or one whose sectors are not in file order, is gathered first). A producer that
    // gives up, or hands on more or fewer bytes, makes the write fail.
    using StreamProducer = std::function<bool(const StreamPieceSink& sink)>;
    int writeStream(const std::u16string& path, size_t length, const StreamProducer& produce);
    // Why the last createDocument() or write failed, as an errno value; 0 when it did not fail
    // on the file.
    int error() const;
    void closeDocument();

private:
    int commit(std::unique_ptr<CompoundLayout> next, uint32_t writtenEntry, const uint8_t* data);
    int commitStreamed(std::unique_ptr<CompoundLayout> next, uint32_t writtenEntry,
                       const StreamProducer& produce);

    std::unique_ptr<CompoundLayout> layout_; // null while no document is open
    std::unique_ptr<SaveTarget> target_;
    bool written_ = false; // the file holds this document
};

} // namespace xls
