#pragma once

// The text of one cell in a single piece of memory: a small header, then the characters
// (UTF-16 code units or bytes) and a terminating zero. Short texts come from the cell pool,
// long ones from the heap. One piece per text cell keeps a 65536-row sheet of texts small;
// the shared string table refers to these pieces directly instead of copying the strings.

#include <cstddef>
#include <cstdint>

class CellText {
public:
    // nullptr for a text of 2^30 characters or more, which the header cannot count (a file
    // holds at most 65535 in one text anyway).
    static CellText* create(const char16_t* units, size_t length);
    static CellText* create(const char* bytes, size_t length);
    static CellText* copy(const CellText& other);
    static void destroy(CellText* text);

    bool isWide() const { return lengthAndWidth_ & wideBit; }
    uint32_t length() const { return lengthAndWidth_ & ~(wideBit | pooledBit); }
    // Bytes the characters take in the file (2 per UTF-16 code unit, 1 per byte).
    uint32_t byteLength() const { return isWide() ? 2 * length() : length(); }
    const char16_t* wide() const { return reinterpret_cast<const char16_t*>(this + 1); }
    const char* narrow() const { return reinterpret_cast<const char*>(this + 1); }

    // A hash of the characters' bytes, taken once when the text is made (its bytes are at
    // hand then): a save looks every text up in the shared string table by it.
    uint32_t hash() const { return hash_; }

private:
    // The header stays 8 bytes: a 16-character text then fits a 48-byte heap block.
    static constexpr uint32_t wideBit = 0x80000000u;
    static constexpr uint32_t pooledBit = 0x40000000u;
    CellText(uint32_t length, bool wide, bool pooled)
        : lengthAndWidth_(length | (wide ? wideBit : 0) | (pooled ? pooledBit : 0))
    {
    }
    static CellText* allocate(size_t length, bool wide);
    static uint32_t hashBytes(const char* bytes, size_t length);

    uint32_t lengthAndWidth_;
    uint32_t hash_ = 0;
};

struct CellTextDeleter {
    void operator()(CellText* text) const { CellText::destroy(text); }
};
