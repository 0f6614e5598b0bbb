#pragma once

// The text of one cell in a single piece of memory: a small header, then the characters
// (UTF-16 code units or bytes) and a terminating zero. A wide text whose code units are all
// below U+0100 (most texts) is kept one byte a unit, half its memory; the file still gets it
// as UTF-16. Short texts come from the cell pool, long ones from the heap. One piece per text
// cell keeps a 65536-row sheet of texts small; the shared string table refers to these pieces
// directly instead of copying the strings.

#include <cstddef>
#include <cstdint>

namespace xls {

class CellText {
public:
    // nullptr for a text of 2^29 characters or more, which the header cannot count (a file
    // holds at most 65535 in one text anyway).
    static CellText* create(const char16_t* units, size_t length);
    static CellText* create(const char* bytes, size_t length);
    // A wide text whose code units are the given bytes (U+0000 … U+00FF): the same text as
    // create() of those units gives.
    static CellText* createLatin1(const char* bytes, size_t length);
    static CellText* copy(const CellText& other);
    static void destroy(CellText* text);

    // UTF-16 in the file; else one byte a character.
    bool isWide() const { return lengthAndWidth_ & wideBit; }
    uint32_t length() const { return lengthAndWidth_ & lengthMask; }
    // Bytes the characters take in the file (2 per UTF-16 code unit, 1 per byte).
    uint32_t byteLength() const { return isWide() ? 2 * length() : length(); }
    // A narrow text's bytes, terminated.
    const char* narrow() const { return reinterpret_cast<const char*>(this + 1); }
    // The characters as kept: equal texts of one width are kept byte for byte the same.
    const char* storage() const { return reinterpret_cast<const char*>(this + 1); }
    uint32_t storedByteLength() const { return isWide() && !isPacked() ? 2 * length() : length(); }
    // Code unit `index` of a wide text.
    char16_t unit(size_t index) const
    {
        return isPacked() ? static_cast<unsigned char>(storage()[index])
                          : reinterpret_cast<const char16_t*>(this + 1)[index];
    }
    // Copies `count` code units of a wide text from `first` on as UTF-16LE, as the file holds them.
    void putUtf16le(uint8_t* out, size_t first, size_t count) const;

    // A hash of the characters' bytes, taken once when the text is made (its bytes are at
    // hand then): a save looks every text up in the shared string table by it.
    uint32_t hash() const { return hash_; }

private:
    // The header stays 8 bytes: a 16-character text then fits a 48-byte heap block.
    static constexpr uint32_t wideBit = 0x80000000u;
    static constexpr uint32_t pooledBit = 0x40000000u;
    static constexpr uint32_t packedBit = 0x20000000u; // wide, kept one byte a unit
    static constexpr uint32_t lengthMask = packedBit - 1;
    CellText(uint32_t length, uint32_t flags) : lengthAndWidth_(length | flags) {}
    bool isPacked() const { return lengthAndWidth_ & packedBit; }
    // A text of `length` characters of `unitSize` bytes each, with the given width flags.
    static CellText* allocate(size_t length, size_t unitSize, uint32_t flags);
    // A text of one byte a character (narrow, or wide and packed): nullptr when too long.
    static CellText* fromBytes(const char* bytes, size_t length, uint32_t flags);
    static uint32_t hashBytes(const char* bytes, size_t length);

    uint32_t lengthAndWidth_;
    uint32_t hash_ = 0;
};

struct CellTextDeleter {
    void operator()(CellText* text) const { CellText::destroy(text); }
};

} // namespace xls
