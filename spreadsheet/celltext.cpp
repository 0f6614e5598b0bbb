#include "spreadsheet/celltext.h"

#include "spreadsheet/cellpool.h"

#include <cstring>
#include <new>

static_assert(sizeof(CellText) == 8, "a cell text header takes 8 bytes");

namespace {
// Longer texts get heap blocks of their own: a replaced long text then frees its memory.
constexpr size_t largestPooledText = 1024;
} // namespace

CellText* CellText::allocate(size_t length, bool wide)
{
    // Longer texts cannot be counted in 30 bits; no file could hold them anyway.
    if (length >= pooledBit)
        throw std::bad_alloc();
    const size_t unit = wide ? sizeof(char16_t) : 1;
    const size_t bytes = sizeof(CellText) + (length + 1) * unit;
    const bool pooled = bytes <= largestPooledText;
    void* block = pooled ? CellPool::allocate(bytes) : ::operator new(bytes);
    return new (block) CellText(static_cast<uint32_t>(length), wide, pooled);
}

CellText* CellText::create(const char16_t* units, size_t length)
{
    CellText* text = allocate(length, true);
    char16_t* data = reinterpret_cast<char16_t*>(text + 1);
    if (length > 0)
        std::memcpy(data, units, length * sizeof(char16_t));
    data[length] = 0;
    return text;
}

CellText* CellText::create(const char* bytes, size_t length)
{
    CellText* text = allocate(length, false);
    char* data = reinterpret_cast<char*>(text + 1);
    if (length > 0)
        std::memcpy(data, bytes, length);
    data[length] = 0;
    return text;
}

CellText* CellText::copy(const CellText& other)
{
    return other.isWide() ? create(other.wide(), other.length()) : create(other.narrow(), other.length());
}

void CellText::destroy(CellText* text)
{
    if (!text)
        return;
    const bool pooled = text->lengthAndWidth_ & pooledBit;
    text->~CellText();
    if (pooled)
        CellPool::release(text);
    else
        ::operator delete(static_cast<void*>(text));
}
