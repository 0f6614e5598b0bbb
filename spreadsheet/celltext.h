#pragma once

// The text of one cell in a single heap block: a small header, then the characters (UTF-16
// code units or bytes) and a terminating zero. One allocation per text cell keeps a
// 65536-row sheet of texts small; the shared string table refers to these blocks directly
// instead of copying the strings.

#include <cstddef>
#include <cstdint>

class CellText {
public:
    static CellText* create(const char16_t* units, size_t length);
    static CellText* create(const char* bytes, size_t length);
    static CellText* copy(const CellText& other);
    static void destroy(CellText* text);

    bool isWide() const { return wide_; }
    uint32_t length() const { return length_; }
    // Bytes the characters take in the file (2 per UTF-16 code unit, 1 per byte).
    uint32_t byteLength() const { return wide_ ? 2 * length_ : length_; }
    const char16_t* wide() const { return reinterpret_cast<const char16_t*>(this + 1); }
    const char* narrow() const { return reinterpret_cast<const char*>(this + 1); }

    // The text's index in the shared string table, set while a save lays out the sheets.
    uint32_t sharedIndex = 0;

private:
    CellText(uint32_t length, bool wide) : length_(length), wide_(wide) {}
    static CellText* allocate(size_t length, bool wide);

    uint32_t length_;
    bool wide_;
};

struct CellTextDeleter {
    void operator()(CellText* text) const { CellText::destroy(text); }
};
