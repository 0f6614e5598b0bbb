#pragma once

// BIFF8 records: a 2-byte code, a 2-byte body length and the body. A body longer than 8224
// bytes goes on in CONTINUE records (code 0x003C), each with its own 4-byte header.
//
//   EOFRecord eof;
//   uint8_t out[4];
//   eof.write(out);  // out = 0A 00 00 00

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace xls {

namespace Biff {
constexpr uint16_t continueCode = 0x003C;
constexpr uint32_t maxChunk = 8224; // body bytes per record before a CONTINUE is needed

// Stream bytes of a body of `bodySize` bytes split every 8224 bytes: headers included.
inline uint32_t recordSizeForBody(uint32_t bodySize)
{
    const uint32_t continues = bodySize > maxChunk ? (bodySize - 1) / maxChunk : 0;
    return bodySize + 4 * (1 + continues);
}
} // namespace Biff

// Writes one record's body straight into the stream, starting a CONTINUE record at each of
// the given body offsets (ascending, each below the body size). Headers carry the exact
// length of their chunk, known up front from the offsets.
class ContinuedRecordWriter {
public:
    ContinuedRecordWriter(uint8_t* out, uint16_t code, uint32_t bodySize, std::span<const uint32_t> offsets);

    // Body bytes left before the current chunk ends.
    uint32_t room() const { return chunkEnd_ - bodyOffset_; }
    uint32_t bodyOffset() const { return bodyOffset_; }
    // Emits the next CONTINUE header; only when the current chunk is full.
    void beginContinue();
    // Copies `length` bytes (at most room()) into the current chunk.
    void put(const uint8_t* data, size_t length);
    void putU8(uint8_t value);
    void putU16(uint16_t value);
    void putU32(uint32_t value);
    // The next `length` bytes (at most room()) of the current chunk, for the caller to fill.
    uint8_t* claim(uint32_t length)
    {
        uint8_t* at = cursor_;
        cursor_ += length;
        bodyOffset_ += length;
        return at;
    }
    // Stream bytes emitted so far, headers included.
    size_t bytesWritten() const { return before_ + static_cast<size_t>(cursor_ - start_); }
    // Goes on writing at `out`, for a record written out in pieces.
    void moveTo(uint8_t* out);

private:
    void beginChunk(uint16_t code, uint32_t end);

    uint8_t* start_;
    uint8_t* cursor_;
    size_t before_ = 0; // bytes written before the last moveTo()
    uint32_t bodySize_;
    std::span<const uint32_t> offsets_;
    size_t nextOffset_ = 0;
    uint32_t bodyOffset_ = 0;
    uint32_t chunkEnd_ = 0;
};

template <class Count> class BiffString;

// Appends a record body's fields, least significant byte first, or only counts their bytes
// (when made without a body): a record's size is whatever its fields write.
class FieldWriter {
public:
    FieldWriter() = default;
    explicit FieldWriter(std::vector<uint8_t>& body) : body_(&body) {}

    void putU8(uint8_t value) { put(&value, 1); }
    void putU16(uint16_t value);
    void putU32(uint32_t value);
    void put(const uint8_t* data, size_t length);
    template <class Count> void putString(const BiffString<Count>& text);
    // Appends `length` zero bytes and returns where they start, for the caller to fill in;
    // nullptr when only counting.
    uint8_t* claim(size_t length);
    // Bytes written (or counted) so far.
    size_t size() const { return size_; }

private:
    std::vector<uint8_t>* body_ = nullptr;
    size_t size_ = 0;
};

// Base of every record object. A record writes its fields through writeFields(), and its body
// is exactly what that writes: the size is counted from the same fields, never kept by hand.
class Record {
public:
    explicit Record(uint16_t code) : code_(code) {}
    virtual ~Record() = default;
    Record(const Record&) = default;
    Record& operator=(const Record&) = default;

    // Reads one record and the CONTINUE records that follow it from `bytes`; returns the
    // stream bytes consumed, 0 when not even the header is there. Fields are not decoded:
    // the body keeps the gathered bytes and continueOffsets() where each CONTINUE began.
    virtual size_t read(const uint8_t* bytes, size_t available);
    // Emits the record, split into CONTINUE records as needed; `out` holds at least
    // recordSize() bytes. Returns the bytes emitted, always recordSize().
    virtual size_t write(uint8_t* out);
    // The body's bytes, and the stream bytes with every header: counted from writeFields().
    virtual uint32_t dataSize();
    virtual uint32_t recordSize();

    uint16_t code() const { return code_; }
    const std::vector<uint8_t>& body() const { return body_; }
    const std::vector<uint32_t>& continueOffsets() const { return continueOffsets_; }

    // Emits `body` as one record: split at `offsets` when given, every 8224 bytes otherwise.
    static size_t writeBody(uint8_t* out, uint16_t code, const uint8_t* body, uint32_t size,
                            std::span<const uint32_t> offsets = {});

protected:
    // Writes the fields in order. By default as many zero bytes as were read, for a record
    // read from a stream, whose fields are not decoded.
    virtual void writeFields(FieldWriter& fields) const { fields.claim(readSize_); }

    uint16_t code_;
    std::vector<uint8_t> body_;
    uint32_t readSize_ = 0;
    std::vector<uint32_t> continueOffsets_;
};

// A string as record bodies hold it: its character count (`Count`: 16 bits in most records,
// 8 bits in font and sheet names), option flags (bit 0: UTF-16LE code units, else one byte
// per character) and the characters. Only these are written: rich-text and phonetic flags
// are dropped. Longer texts are cut to the most characters the count holds.
template <class Count> class BiffString {
public:
    static constexpr size_t maxCharacters = Count(~Count(0));

    BiffString() = default;
    explicit BiffString(std::u16string text) : wide_(std::move(text)), flags_(1) { clamp(); }
    explicit BiffString(std::string bytes) : narrow_(std::move(bytes)), flags_(0) { clamp(); }

    bool isWide() const { return flags_ & 1; }
    uint8_t flags() const { return flags_; }
    void setFlags(uint8_t flags) { flags_ = flags; }
    const std::u16string& wide() const { return wide_; }
    const std::string& narrow() const { return narrow_; }
    size_t characterCount() const { return isWide() ? wide_.size() : narrow_.size(); }
    // The text as UTF-16; 8-bit characters stand for U+0000 … U+00FF, as the file format has it.
    std::u16string toWide() const;
    // Bytes written: count, flags and the characters.
    uint32_t size() const
    {
        return static_cast<uint32_t>(sizeof(Count) + 1 + (isWide() ? 2 * wide_.size() : narrow_.size()));
    }
    size_t write(uint8_t* out) const;

private:
    void clamp();

    std::u16string wide_;
    std::string narrow_;
    uint8_t flags_ = 0;
};

using LongString = BiffString<uint16_t>;
using ShortString = BiffString<uint8_t>;
extern template class BiffString<uint16_t>;
extern template class BiffString<uint8_t>;

template <class Count> void FieldWriter::putString(const BiffString<Count>& text)
{
    if (uint8_t* at = claim(text.size()))
        text.write(at);
}

// Copies UTF-16 code units into the stream as UTF-16LE.
void putUtf16le(uint8_t* out, const char16_t* units, size_t count);

// Beginning of file: workbook globals (type 0x0005) or a worksheet (type 0x0010).
class BOF : public Record {
public:
    enum Type : uint16_t { WorkbookGlobals = 0x0005, WorksheetType = 0x0010 };
    explicit BOF(uint16_t type = WorkbookGlobals) : Record(0x0809), type(type) {}

    uint16_t version = 0x0600;
    uint16_t type;
    uint16_t buildIdentifier = 0x19A0;
    uint16_t buildYear = 0x07CD;
    uint32_t fileHistoryFlags = 0x0000C0C9;
    uint32_t lowestVersion = 0x00000306;

protected:
    void writeFields(FieldWriter& fields) const override;
};

class EOFRecord : public Record {
public:
    EOFRecord() : Record(0x000A) {}

protected:
    void writeFields(FieldWriter&) const override {}
};

} // namespace xls
