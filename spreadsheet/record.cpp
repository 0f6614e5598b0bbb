#include "spreadsheet/record.h"

#include "spreadsheet/byteio.h"

#include <algorithm>
#include <bit>
#include <cassert>
#include <cstring>

ContinuedRecordWriter::ContinuedRecordWriter(uint8_t* out, uint16_t code, uint32_t bodySize,
                                             std::span<const uint32_t> offsets)
    : start_(out), cursor_(out), bodySize_(bodySize), offsets_(offsets)
{
    beginChunk(code, offsets_.empty() ? bodySize_ : offsets_[0]);
}

void ContinuedRecordWriter::beginChunk(uint16_t code, uint32_t end)
{
    assert(end >= bodyOffset_ && end - bodyOffset_ <= 0xFFFF);
    chunkEnd_ = end;
    ByteIo::putU16(cursor_, code);
    ByteIo::putU16(cursor_ + 2, static_cast<uint16_t>(chunkEnd_ - bodyOffset_));
    cursor_ += 4;
}

void ContinuedRecordWriter::moveTo(uint8_t* out)
{
    before_ = bytesWritten();
    start_ = cursor_ = out;
}

void ContinuedRecordWriter::beginContinue()
{
    assert(room() == 0 && nextOffset_ < offsets_.size());
    ++nextOffset_;
    beginChunk(Biff::continueCode, nextOffset_ < offsets_.size() ? offsets_[nextOffset_] : bodySize_);
}

void ContinuedRecordWriter::put(const uint8_t* data, size_t length)
{
    assert(length <= room());
    if (length > 0)
        std::memcpy(cursor_, data, length);
    cursor_ += length;
    bodyOffset_ += static_cast<uint32_t>(length);
}

void ContinuedRecordWriter::putU8(uint8_t value)
{
    put(&value, 1);
}

void ContinuedRecordWriter::putU16(uint16_t value)
{
    uint8_t bytes[2];
    ByteIo::putU16(bytes, value);
    put(bytes, 2);
}

void ContinuedRecordWriter::putU32(uint32_t value)
{
    uint8_t bytes[4];
    ByteIo::putU32(bytes, value);
    put(bytes, 4);
}

void ContinuedRecordWriter::putUtf16(const char16_t* units, size_t count)
{
    assert(2 * count <= room());
    putUtf16le(cursor_, units, count);
    cursor_ += 2 * count;
    bodyOffset_ += static_cast<uint32_t>(2 * count);
}

Record::Record(uint16_t code, uint32_t fixedDataSize)
    : code_(code), dataSize_(fixedDataSize), recordSize_(Biff::recordSizeForBody(fixedDataSize))
{
}

size_t Record::read(const uint8_t* bytes, size_t available)
{
    if (available < 4)
        return 0;
    code_ = ByteIo::getU16(bytes);
    size_t length = std::min<size_t>(ByteIo::getU16(bytes + 2), available - 4);
    body_.assign(bytes + 4, bytes + 4 + length);
    continueOffsets_.clear();
    size_t consumed = 4 + length;
    while (available - consumed >= 4 && ByteIo::getU16(bytes + consumed) == Biff::continueCode) {
        length = std::min<size_t>(ByteIo::getU16(bytes + consumed + 2), available - consumed - 4);
        continueOffsets_.push_back(static_cast<uint32_t>(body_.size()));
        body_.insert(body_.end(), bytes + consumed + 4, bytes + consumed + 4 + length);
        consumed += 4 + length;
    }
    dataSize_ = static_cast<uint32_t>(body_.size());
    recordSize_ = static_cast<uint32_t>(consumed);
    return consumed;
}

size_t Record::write(uint8_t* out)
{
    body_.assign(dataSize(), 0);
    storeFields(body_.data());
    return writeBody(out, code_, body_.data(), static_cast<uint32_t>(body_.size()), continueOffsets_);
}

uint32_t Record::dataSize()
{
    return dataSize_;
}

uint32_t Record::recordSize()
{
    return recordSize_;
}

size_t Record::writeBody(uint8_t* out, uint16_t code, const uint8_t* body, uint32_t size,
                         std::span<const uint32_t> offsets)
{
    std::vector<uint32_t> everyMaxChunk;
    if (offsets.empty()) {
        for (uint32_t offset = Biff::maxChunk; offset < size; offset += Biff::maxChunk)
            everyMaxChunk.push_back(offset);
        offsets = everyMaxChunk;
    }
    ContinuedRecordWriter writer(out, code, size, offsets);
    uint32_t done = 0;
    while (done < size) {
        if (writer.room() == 0)
            writer.beginContinue();
        const uint32_t length = std::min(writer.room(), size - done);
        writer.put(body + done, length);
        done += length;
    }
    return writer.bytesWritten();
}

void putUtf16le(uint8_t* out, const char16_t* units, size_t count)
{
    if constexpr (std::endian::native == std::endian::little) {
        if (count > 0)
            std::memcpy(out, units, count * 2);
    } else {
        for (size_t i = 0; i < count; ++i)
            ByteIo::putU16(out + 2 * i, units[i]);
    }
}

namespace {
constexpr size_t longStringMax = 0xFFFF;
constexpr size_t shortStringMax = 0xFF;

// Cuts a UTF-16 text to `limit` units without leaving half a surrogate pair at the end.
void clampUtf16(std::u16string& text, size_t limit)
{
    if (text.size() <= limit)
        return;
    size_t keep = limit;
    if (keep > 0 && text[keep - 1] >= 0xD800 && text[keep - 1] <= 0xDBFF)
        --keep;
    text.resize(keep);
}
} // namespace

void LongString::clamp()
{
    clampUtf16(wide_, longStringMax);
    if (narrow_.size() > longStringMax)
        narrow_.resize(longStringMax);
}

uint32_t LongString::size() const
{
    return static_cast<uint32_t>(3 + (isWide() ? 2 * wide_.size() : narrow_.size()));
}

size_t LongString::write(uint8_t* out) const
{
    const bool wide = isWide();
    ByteIo::putU16(out, static_cast<uint16_t>(characterCount()));
    ByteIo::putU8(out + 2, wide ? 1 : 0);
    if (wide)
        putUtf16le(out + 3, wide_.data(), wide_.size());
    else if (!narrow_.empty())
        std::memcpy(out + 3, narrow_.data(), narrow_.size());
    return size();
}

void ShortString::clamp()
{
    clampUtf16(wide_, shortStringMax);
    if (narrow_.size() > shortStringMax)
        narrow_.resize(shortStringMax);
}

std::u16string ShortString::toWide() const
{
    if (isWide())
        return wide_;
    std::u16string text;
    for (const char byte : narrow_)
        text.push_back(static_cast<unsigned char>(byte));
    return text;
}

uint32_t ShortString::size() const
{
    return static_cast<uint32_t>(2 + (isWide() ? 2 * wide_.size() : narrow_.size()));
}

size_t ShortString::write(uint8_t* out) const
{
    const bool wide = isWide();
    ByteIo::putU8(out, static_cast<uint8_t>(wide ? wide_.size() : narrow_.size()));
    ByteIo::putU8(out + 1, wide ? 1 : 0);
    if (wide)
        putUtf16le(out + 2, wide_.data(), wide_.size());
    else if (!narrow_.empty())
        std::memcpy(out + 2, narrow_.data(), narrow_.size());
    return size();
}

BOF::BOF(uint16_t type) : Record(0x0809, 16), type(type) {}

void BOF::storeFields(uint8_t* body)
{
    ByteIo::putU16(body, version);
    ByteIo::putU16(body + 2, type);
    ByteIo::putU16(body + 4, buildIdentifier);
    ByteIo::putU16(body + 6, buildYear);
    ByteIo::putU32(body + 8, fileHistoryFlags);
    ByteIo::putU32(body + 12, lowestVersion);
}
