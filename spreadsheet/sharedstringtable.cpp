#include "spreadsheet/sharedstringtable.h"

#include "spreadsheet/byteio.h"

#include <algorithm>
#include <cassert>
#include <cstring>
#include <string_view>

namespace xls {

namespace {
bool isHighSurrogate(char16_t unit)
{
    return unit >= 0xD800 && unit <= 0xDBFF;
}

bool sameText(const CellText& a, const CellText& b)
{
    return a.length() == b.length() && std::memcmp(a.storage(), b.storage(), a.storedByteLength()) == 0;
}

// Fewer bytes than this left in a record and a text starts in the next CONTINUE instead.
constexpr uint32_t minimumSplitRoom = 12;
constexpr uint64_t maxBodySize = 0x7FFF0000;

size_t capacityFor(size_t count)
{
    size_t capacity = 16;
    while (capacity < 2 * count)
        capacity *= 2;
    return capacity;
}

// The hash bits a slot keeps above its index: taken from the top, well apart from the low
// bits that choose the slot.
uint64_t tagOf(size_t hash, unsigned indexBits)
{
    const unsigned tagBits = 32 - indexBits;
    return tagBits == 0 ? 0 : (uint64_t(hash) >> (64 - tagBits));
}
} // namespace

void SharedStringTable::Lookup::clear()
{
    decltype(slots_)().swap(slots_);
    count_ = 0;
}

void SharedStringTable::Lookup::rebuild(size_t count, const TextList& strings, bool wide, unsigned indexBits)
{
    const size_t capacity = capacityFor(std::max(count, count_));
    decltype(slots_)().swap(slots_);
    slots_.assign(capacity, 0);
    count_ = 0;
    const size_t mask = slots_.size() - 1;
    for (uint32_t index = 0; index < strings.size(); ++index) {
        if (strings[index]->isWide() != wide)
            continue;
        const size_t hash = hashOf(*strings[index]);
        size_t at = hash & mask;
        while (slots_[at] != 0)
            at = (at + 1) & mask;
        slots_[at] = static_cast<uint32_t>((tagOf(hash, indexBits) << indexBits) | (index + 1));
        ++count_;
    }
}

void SharedStringTable::Lookup::makeRoom(const TextList& strings, bool wide, unsigned indexBits)
{
    if (2 * (count_ + 1) > slots_.size())
        rebuild(count_ + 1, strings, wide, indexBits);
}

uint32_t SharedStringTable::Lookup::findOrInsert(const CellText& text, size_t hash, uint32_t candidate,
                                                 const TextList& strings, unsigned indexBits)
{
    const size_t mask = slots_.size() - 1;
    const uint64_t tag = tagOf(hash, indexBits);
    const uint64_t indexMask = (uint64_t(1) << indexBits) - 1;
    size_t at = hash & mask;
    while (slots_[at] != 0) {
        const uint64_t slot = slots_[at];
        if ((slot >> indexBits) == tag) {
            const auto index = static_cast<uint32_t>((slot & indexMask) - 1);
            if (sameText(*strings[index], text))
                return index;
        }
        at = (at + 1) & mask;
    }
    slots_[at] = static_cast<uint32_t>((tag << indexBits) | (uint64_t(candidate) + 1));
    ++count_;
    return candidate;
}

SharedStringTable::SharedStringTable() : Record(0x00FC) {}

void SharedStringTable::clear()
{
    TextList().swap(strings_);
    narrowLookup_.clear();
    wideLookup_.clear();
    indexBits_ = 0;
    continueOffsets_.clear();
    totalCount_ = 0;
    overflowed_ = false;
    size_ = 8;
    limit_ = Biff::maxChunk;
}

void SharedStringTable::releaseLookup()
{
    narrowLookup_.clear();
    wideLookup_.clear();
}

void SharedStringTable::reserve(size_t narrowCells, size_t wideCells)
{
    strings_.reserve(strings_.size() + narrowCells + wideCells);
    growIndexTo(strings_.size() + narrowCells + wideCells);
    narrowLookup_.rebuild(narrowCells + strings_.size(), strings_, false, indexBits_);
    wideLookup_.rebuild(wideCells + strings_.size(), strings_, true, indexBits_);
}

void SharedStringTable::growIndexTo(size_t count)
{
    unsigned bits = std::max(indexBits_, 1u);
    while (bits < 32 && (uint64_t(1) << bits) - 1 < count + 1)
        ++bits;
    if (bits == indexBits_)
        return;
    indexBits_ = bits;
    narrowLookup_.rebuild(0, strings_, false, indexBits_);
    wideLookup_.rebuild(0, strings_, true, indexBits_);
}

void SharedStringTable::prefetch(const CellText& text) const
{
    (text.isWide() ? wideLookup_ : narrowLookup_).prefetch(hashOf(text));
}

uint32_t SharedStringTable::addCell(const CellText& text)
{
    const size_t hash = hashOf(text);
    ++totalCount_;
    const auto candidate = static_cast<uint32_t>(strings_.size());
    if ((uint64_t(1) << indexBits_) - 1 < uint64_t(candidate) + 1)
        growIndexTo(2 * (size_t(candidate) + 1));
    Lookup& lookup = text.isWide() ? wideLookup_ : narrowLookup_;
    lookup.makeRoom(strings_, text.isWide(), indexBits_);
    const uint32_t index = lookup.findOrInsert(text, hash, candidate, strings_, indexBits_);
    if (index == candidate) {
        strings_.push_back(&text);
        place(text);
    }
    return index;
}

void SharedStringTable::place(const CellText& text)
{
    const uint32_t length = text.byteLength();
    // Leaves room for the flags bytes of the CONTINUE records a long text may need.
    if (uint64_t(size_) + 2 * uint64_t(length) + 3 > maxBodySize) {
        overflowed_ = true;
        return;
    }
    const uint32_t need = size_ + 3 + length;
    if (need <= limit_) {
        size_ = need;
        return;
    }
    if (limit_ - size_ < minimumSplitRoom) {
        continueOffsets_.push_back(size_);
        limit_ = size_ + Biff::maxChunk;
        if (need <= limit_) {
            size_ = need;
            return;
        }
    }
    // Cut the characters at each record end; every CONTINUE repeats the flags byte.
    uint32_t position = size_ + 3; // body offset of the next character byte
    uint32_t placed = 0;           // character bytes already placed
    while (position + (length - placed) > limit_) {
        uint32_t room = limit_ - position;
        if (text.isWide()) {
            room &= ~1u;
            if (room >= 2 && isHighSurrogate(text.unit((placed + room) / 2 - 1)))
                room -= 2;
        }
        placed += room;
        const uint32_t boundary = position + room;
        continueOffsets_.push_back(boundary);
        limit_ = boundary + Biff::maxChunk;
        position = boundary + 1;
    }
    size_ = position + (length - placed);
}

uint32_t SharedStringTable::recordSize()
{
    return size_ + 4 * static_cast<uint32_t>(1 + continueOffsets_.size());
}

size_t SharedStringTable::write(uint8_t* out)
{
    BufferOutput buffer(out);
    return write(buffer);
}

size_t SharedStringTable::write(StreamOutput& out)
{
    // Room is asked for a window of texts at a time; a text takes its count, flags and
    // characters, and a CONTINUE header and repeated flags byte at every record end it crosses.
    constexpr size_t window = size_t(512) << 10;
    size_t committed = 0;
    size_t windowEnd = window;
    ContinuedRecordWriter writer(out.room(windowEnd), code_, size_, continueOffsets_);
    writer.putU32(totalCount_);
    writer.putU32(uniqueCount());
    for (const CellText* text : strings_) {
        const size_t largest = 3 + text->byteLength() + 5 * (text->byteLength() / Biff::maxChunk + 2);
        if (windowEnd - writer.bytesWritten() < largest) {
            out.commit(writer.bytesWritten() - committed);
            committed = writer.bytesWritten();
            const size_t length = std::max(window, largest);
            writer.moveTo(out.room(length));
            windowEnd = committed + length;
        }
        if (writer.room() == 0)
            writer.beginContinue();
        const uint8_t flags = text->isWide() ? 1 : 0;
        const uint32_t length = text->byteLength();
        if (writer.room() >= 3 + length) {
            // Most texts fit the record whole: count, flags and characters in one go.
            uint8_t* at = writer.claim(3 + length);
            ByteIo::putU16(at, static_cast<uint16_t>(text->length()));
            at[2] = flags;
            if (text->isWide())
                text->putUtf16le(at + 3, 0, text->length());
            else if (length > 0)
                std::memcpy(at + 3, text->narrow(), length);
            continue;
        }
        writer.putU16(static_cast<uint16_t>(text->length()));
        writer.putU8(flags);
        uint32_t done = 0;
        while (done < length) {
            if (writer.room() == 0) {
                writer.beginContinue();
                writer.putU8(flags);
            }
            const uint32_t piece = std::min(writer.room(), length - done);
            assert(!text->isWide() || piece % 2 == 0);
            if (text->isWide())
                text->putUtf16le(writer.claim(piece), done / 2, piece / 2);
            else
                writer.put(reinterpret_cast<const uint8_t*>(text->narrow()) + done, piece);
            done += piece;
        }
    }
    assert(writer.bodyOffset() == size_);
    out.commit(writer.bytesWritten() - committed);
    return writer.bytesWritten();
}

} // namespace xls
