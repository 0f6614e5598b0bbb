#include "sharedstringtable.h"

#include <algorithm>
#include <cassert>
#include <cstring>
#include <functional>
#include <string_view>

namespace {
bool isHighSurrogate(char16_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }

size_t hashText(const CellText& text) {
    if (text.isWide())
        return std::hash<std::u16string_view>{}(std::u16string_view(text.wide(), text.length()));
    return std::hash<std::string_view>{}(std::string_view(text.narrow(), text.length()));
}

bool sameText(const CellText& a, const CellText& b) {
    return a.length() == b.length() && std::memcmp(a.narrow(), b.narrow(), a.byteLength()) == 0;
}

// Fewer bytes than this left in a record and a text starts in the next CONTINUE instead.
constexpr uint32_t minimumSplitRoom = 12;
constexpr uint64_t maxBodySize = 0x7FFF0000;
} // namespace

void SharedStringTable::Lookup::clear() {
    std::vector<uint32_t>().swap(slots_);
    count_ = 0;
}

void SharedStringTable::Lookup::reserve(size_t count, const std::vector<const CellText*>& strings) {
    size_t capacity = 16;
    while (capacity < 2 * (count_ + count))
        capacity *= 2;
    if (capacity > slots_.size())
        rehash(capacity, strings);
}

void SharedStringTable::Lookup::rehash(size_t capacity, const std::vector<const CellText*>& strings) {
    std::vector<uint32_t> old = std::move(slots_);
    slots_.assign(capacity, 0);
    const size_t mask = capacity - 1;
    for (const uint32_t slot : old) {
        if (slot == 0)
            continue;
        size_t at = hashText(*strings[slot - 1]) & mask;
        while (slots_[at] != 0)
            at = (at + 1) & mask;
        slots_[at] = slot;
    }
}

uint32_t SharedStringTable::Lookup::findOrInsert(const CellText& text, uint32_t candidate,
                                                 const std::vector<const CellText*>& strings) {
    if (2 * (count_ + 1) > slots_.size())
        rehash(slots_.empty() ? 16 : 2 * slots_.size(), strings);
    const size_t mask = slots_.size() - 1;
    size_t at = hashText(text) & mask;
    while (slots_[at] != 0) {
        const uint32_t index = slots_[at] - 1;
        if (sameText(*strings[index], text))
            return index;
        at = (at + 1) & mask;
    }
    slots_[at] = candidate + 1;
    ++count_;
    return candidate;
}

SharedStringTable::SharedStringTable() : Record(0x00FC, 8) {}

void SharedStringTable::clear() {
    std::vector<const CellText*>().swap(strings_);
    narrowLookup_.clear();
    wideLookup_.clear();
    continueOffsets_.clear();
    totalCount_ = 0;
    overflowed_ = false;
    size_ = 8;
    limit_ = Biff::maxChunk;
}

void SharedStringTable::reserve(size_t narrowCells, size_t wideCells) {
    strings_.reserve(strings_.size() + narrowCells + wideCells);
    narrowLookup_.reserve(narrowCells, strings_);
    wideLookup_.reserve(wideCells, strings_);
}

uint32_t SharedStringTable::addCell(const CellText& text) {
    ++totalCount_;
    const uint32_t candidate = static_cast<uint32_t>(strings_.size());
    Lookup& lookup = text.isWide() ? wideLookup_ : narrowLookup_;
    const uint32_t index = lookup.findOrInsert(text, candidate, strings_);
    if (index == candidate) {
        strings_.push_back(&text);
        place(text);
    }
    return index;
}

void SharedStringTable::place(const CellText& text) {
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
    uint32_t position = size_ + 3;  // body offset of the next character byte
    uint32_t placed = 0;            // character bytes already placed
    while (position + (length - placed) > limit_) {
        uint32_t room = limit_ - position;
        if (text.isWide()) {
            room &= ~1u;
            if (room >= 2 && isHighSurrogate(text.wide()[(placed + room) / 2 - 1]))
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

uint32_t SharedStringTable::recordSize() {
    recordSize_ = size_ + 4 * static_cast<uint32_t>(1 + continueOffsets_.size());
    return recordSize_;
}

size_t SharedStringTable::write(uint8_t* out) {
    ContinuedRecordWriter writer(out, code_, size_, continueOffsets_);
    writer.putU32(totalCount_);
    writer.putU32(uniqueCount());
    for (const CellText* text : strings_) {
        if (writer.room() == 0)
            writer.beginContinue();
        const uint8_t flags = text->isWide() ? 1 : 0;
        writer.putU16(static_cast<uint16_t>(text->length()));
        writer.putU8(flags);
        const uint32_t length = text->byteLength();
        uint32_t done = 0;
        while (done < length) {
            if (writer.room() == 0) {
                writer.beginContinue();
                writer.putU8(flags);
            }
            const uint32_t piece = std::min(writer.room(), length - done);
            assert(!text->isWide() || piece % 2 == 0);
            if (text->isWide())
                writer.putUtf16(text->wide() + done / 2, piece / 2);
            else
                writer.put(reinterpret_cast<const uint8_t*>(text->narrow()) + done, piece);
            done += piece;
        }
    }
    assert(writer.bodyOffset() == size_);
    return writer.bytesWritten();
}
