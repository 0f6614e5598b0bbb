#include "spreadsheet/record.h"

#include "spreadsheet/byteio.h"

#include <algorithm>
#include <bit>
#include <cassert>
#include <cstring>

namespace xls {

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

void FieldWriter::putU16(uint16_t value)
{
    if (body_)
        ByteIo::appendU16(*body_, value);
    size_ += 2;
}

void FieldWriter::putU32(uint32_t value)
{
    if (body_)
        ByteIo::appendU32(*body_, value);
    size_ += 4;
}

void FieldWriter::put(const uint8_t* data, size_t length)
{
    if (body_)
        ByteIo::appendBytes(*body_, data, length);
    size_ += length;
}

uint8_t* FieldWriter::claim(size_t length)
{
    size_ += length;
    if (!body_)
        return nullptr;
    const size_t at = body_->size();
    body_->resize(at + length);
    return body_->data() + at;
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
    readSize_ = static_cast<uint32_t>(body_.size());
    return consumed;
}

size_t Record::write(uint8_t* out)
{
    body_.clear();
    FieldWriter fields(body_);
    writeFields(fields);
    return writeBody(out, code_, body_.data(), static_cast<uint32_t>(body_.size()), continueOffsets_);
}

uint32_t Record::dataSize()
{
    FieldWriter counter;
    writeFields(counter);
    return static_cast<uint32_t>(counter.size());
}

uint32_t Record::recordSize()
{
    const uint32_t body = dataSize();
    // Split where it was read, or every 8224 bytes: as write() does.
    if (continueOffsets_.empty())
        return Biff::recordSizeForBody(body);
    return body + 4 * static_cast<uint32_t>(1 + continueOffsets_.size());
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

template <class Count> void BiffString<Count>::clamp()
{
    clampUtf16(wide_, maxCharacters);
    if (narrow_.size() > maxCharacters)
        narrow_.resize(maxCharacters);
}

template <class Count> std::u16string BiffString<Count>::toWide() const
{
    if (isWide())
        return wide_;
    std::u16string text;
    for (const char byte : narrow_)
        text.push_back(static_cast<unsigned char>(byte));
    return text;
}

template <class Count> size_t BiffString<Count>::write(uint8_t* out) const
{
    const bool wide = isWide();
    const Count count = static_cast<Count>(characterCount());
    if constexpr (sizeof(Count) == 1)
        ByteIo::putU8(out, count);
    else
        ByteIo::putU16(out, count);
    uint8_t* characters = out + sizeof(Count) + 1;
    ByteIo::putU8(characters - 1, wide ? 1 : 0);
    if (wide)
        putUtf16le(characters, wide_.data(), wide_.size());
    else if (!narrow_.empty())
        std::memcpy(characters, narrow_.data(), narrow_.size());
    return size();
}

template class BiffString<uint16_t>;
template class BiffString<uint8_t>;

void BOF::writeFields(FieldWriter& fields) const
{
    fields.putU16(version);
    fields.putU16(type);
    fields.putU16(buildIdentifier);
    fields.putU16(buildYear);
    fields.putU32(fileHistoryFlags);
    fields.putU32(lowestVersion);
}

} // namespace xls
