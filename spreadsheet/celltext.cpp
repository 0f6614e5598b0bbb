#include "spreadsheet/celltext.h"

#include "spreadsheet/cellpool.h"
#include "spreadsheet/record.h"
#include "spreadsheet/textconversion.h"

#include <cstring>
#include <new>

namespace xls {

static_assert(sizeof(CellText) == 8, "a cell text header takes 8 bytes");

namespace {
// Longer texts get heap blocks of their own: a replaced long text then frees its memory.
constexpr size_t largestPooledText = 1024;

// Folds the 128-bit product of two words into 64 bits: every input bit reaches every output bit.
uint64_t fold(uint64_t a, uint64_t b)
{
    const unsigned __int128 product = static_cast<unsigned __int128>(a) * b;
    return static_cast<uint64_t>(product) ^ static_cast<uint64_t>(product >> 64);
}

uint64_t wordAt(const char* bytes)
{
    uint64_t word;
    std::memcpy(&word, bytes, sizeof word);
    return word;
}
} // namespace

// Sixteen bytes a step: texts of a few words (most cell texts) hash in a handful of
// multiplications. Only the shared string table's speed depends on the hash, never the file.
uint32_t CellText::hashBytes(const char* bytes, size_t length)
{
    constexpr uint64_t seed0 = 0xA0761D6478BD642Full;
    constexpr uint64_t seed1 = 0xE7037ED1A0B428DBull;
    const uint64_t total = length;
    uint64_t hash = seed0 ^ total;
    for (; length > 16; length -= 16, bytes += 16)
        hash = fold(wordAt(bytes) ^ seed1, wordAt(bytes + 8) ^ hash);
    // The last one or two words are read so that they end with the text, overlapping what
    // came before rather than copying a few bytes; a text under 8 bytes is gathered bytewise.
    uint64_t first = 0;
    uint64_t second = 0;
    if (total >= 16) {
        first = wordAt(bytes + length - 16);
        second = wordAt(bytes + length - 8);
    } else if (total >= 8) {
        first = wordAt(bytes);
        second = wordAt(bytes + length - 8);
    } else {
        for (size_t i = 0; i < length; ++i)
            first |= uint64_t(static_cast<unsigned char>(bytes[i])) << (8 * i);
    }
    hash = fold(fold(first ^ seed1, second ^ hash) ^ seed0, seed1 ^ total);
    return static_cast<uint32_t>(hash ^ (hash >> 32));
}

CellText* CellText::allocate(size_t length, size_t unitSize, uint32_t flags)
{
    const size_t bytes = sizeof(CellText) + (length + 1) * unitSize;
    const bool pooled = bytes <= largestPooledText;
    void* block = pooled ? CellPool::allocate(bytes) : ::operator new(bytes);
    return new (block) CellText(static_cast<uint32_t>(length), flags | (pooled ? pooledBit : 0));
}

CellText* CellText::create(const char16_t* units, size_t length)
{
    // Refused before a character is read.
    if (length > lengthMask)
        return nullptr;
    if (!fitsLatin1(units, length)) {
        CellText* text = allocate(length, sizeof(char16_t), wideBit);
        char16_t* data = reinterpret_cast<char16_t*>(text + 1);
        if (length > 0)
            std::memcpy(data, units, length * sizeof(char16_t));
        data[length] = 0;
        // From the source: reading back the bytes just stored would wait for the stores.
        text->hash_ = hashBytes(reinterpret_cast<const char*>(units), length * sizeof(char16_t));
        return text;
    }
    CellText* text = allocate(length, 1, wideBit | packedBit);
    char* data = reinterpret_cast<char*>(text + 1);
    narrowLatin1(units, length, data);
    data[length] = 0;
    text->hash_ = hashBytes(data, length);
    return text;
}

CellText* CellText::createLatin1(const char* bytes, size_t length)
{
    return fromBytes(bytes, length, wideBit | packedBit);
}

CellText* CellText::create(const char* bytes, size_t length)
{
    return fromBytes(bytes, length, 0);
}

CellText* CellText::fromBytes(const char* bytes, size_t length, uint32_t flags)
{
    if (length > lengthMask)
        return nullptr;
    CellText* text = allocate(length, 1, flags);
    char* data = reinterpret_cast<char*>(text + 1);
    if (length > 0)
        std::memcpy(data, bytes, length);
    data[length] = 0;
    text->hash_ = hashBytes(bytes, length);
    return text;
}

CellText* CellText::copy(const CellText& other)
{
    const size_t unitSize = other.isWide() && !other.isPacked() ? 2 : 1;
    CellText* text = allocate(other.length(), unitSize, other.lengthAndWidth_ & (wideBit | packedBit));
    std::memcpy(text + 1, other.storage(), (other.length() + 1) * unitSize);
    text->hash_ = other.hash_;
    return text;
}

void CellText::putUtf16le(uint8_t* out, size_t first, size_t count) const
{
    if (isPacked())
        widenLatin1ToUtf16le(reinterpret_cast<const uint8_t*>(storage()) + first, count, out);
    else
        xls::putUtf16le(out, reinterpret_cast<const char16_t*>(this + 1) + first, count);
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

} // namespace xls
