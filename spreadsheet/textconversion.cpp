#include "spreadsheet/textconversion.h"

#include <cstdint>
#include <cstring>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace xls {

bool utf16ToUtf8(std::u16string_view text, std::string& out)
{
    out.clear();
    out.reserve(text.size() * 3);
    for (size_t i = 0; i < text.size(); ++i) {
        uint32_t code = text[i];
        if (code >= 0xDC00 && code <= 0xDFFF)
            return false;
        if (code >= 0xD800 && code <= 0xDBFF) {
            if (i + 1 >= text.size() || text[i + 1] < 0xDC00 || text[i + 1] > 0xDFFF)
                return false;
            code = 0x10000 + ((code - 0xD800) << 10) + (text[++i] - 0xDC00);
        }
        if (code < 0x80) {
            out.push_back(static_cast<char>(code));
        } else if (code < 0x800) {
            out.push_back(static_cast<char>(0xC0 | (code >> 6)));
            out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
        } else if (code < 0x10000) {
            out.push_back(static_cast<char>(0xE0 | (code >> 12)));
            out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
        } else {
            out.push_back(static_cast<char>(0xF0 | (code >> 18)));
            out.push_back(static_cast<char>(0x80 | ((code >> 12) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
        }
    }
    return true;
}

namespace {
// Eight bytes at `bytes` as as many UTF-16 code units at `to`; the bytes must all be ASCII.
void widenAscii8(const unsigned char* bytes, char16_t* to)
{
#ifdef __SSE2__
    const __m128i eight = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(bytes));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(to), _mm_unpacklo_epi8(eight, _mm_setzero_si128()));
#else
    for (size_t k = 0; k < 8; ++k)
        to[k] = bytes[k];
#endif
}

bool isAscii8(const unsigned char* bytes)
{
    uint64_t word;
    std::memcpy(&word, bytes, sizeof word);
    return (word & 0x8080808080808080ull) == 0;
}
} // namespace

size_t utf8ToUtf16(std::string_view text, char16_t* out)
{
    const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
    const size_t size = text.size();
    // Most texts are ASCII throughout: eight characters at a time, the last eight ending
    // with the text (overlapping ones already widened, as every unit so far stands at its
    // byte's offset).
    size_t i = 0;
    while (size - i >= 8 && isAscii8(bytes + i)) {
        widenAscii8(bytes + i, out + i);
        i += 8;
    }
    if (i == size)
        return size;
    if (size >= 8 && size - i < 8 && isAscii8(bytes + size - 8)) {
        widenAscii8(bytes + size - 8, out + size - 8);
        return size;
    }
    char16_t* to = out + i;
    while (i < size) {
        const unsigned char lead = bytes[i];
        if (lead < 0x80) {
            *to++ = lead;
            ++i;
            continue;
        }
        size_t length;
        uint32_t code;
        uint32_t minimum;
        if (lead >= 0xC2 && lead <= 0xDF) {
            length = 2, code = lead & 0x1F, minimum = 0x80;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            length = 3, code = lead & 0x0F, minimum = 0x800;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            length = 4, code = lead & 0x07, minimum = 0x10000;
        } else {
            return invalidUtf8;
        }
        if (size - i < length)
            return invalidUtf8;
        for (size_t k = 1; k < length; ++k) {
            const unsigned char next = bytes[i + k];
            if ((next & 0xC0) != 0x80)
                return invalidUtf8;
            code = (code << 6) | (next & 0x3F);
        }
        if (code < minimum || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
            return invalidUtf8;
        if (code >= 0x10000) {
            code -= 0x10000;
            *to++ = static_cast<char16_t>(0xD800 + (code >> 10));
            *to++ = static_cast<char16_t>(0xDC00 + (code & 0x3FF));
        } else {
            *to++ = static_cast<char16_t>(code);
        }
        i += length;
    }
    return static_cast<size_t>(to - out);
}

bool utf8ToUtf16(std::string_view text, std::u16string& out)
{
    // Never more code units than bytes: the text is converted in place, then cut to length.
    out.resize(text.size());
    const size_t length = utf8ToUtf16(text, out.data());
    if (length == invalidUtf8) {
        out.clear();
        return false;
    }
    out.resize(length);
    return true;
}

bool isAscii(std::string_view text)
{
    const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
    const size_t size = text.size();
    if (size < 8) {
        unsigned char any = 0;
        for (size_t i = 0; i < size; ++i)
            any |= bytes[i];
        return any < 0x80;
    }
    for (size_t i = 0; i + 8 <= size; i += 8)
        if (!isAscii8(bytes + i))
            return false;
    return isAscii8(bytes + size - 8);
}

// Eight units a step; a text of eight or more ends with a step over its last eight units,
// overlapping the one before, so no unit is ever handled one at a time.
bool fitsLatin1(const char16_t* units, size_t count)
{
#ifdef __SSE2__
    if (count >= 8) {
        __m128i any = _mm_setzero_si128();
        for (size_t i = 0; i + 8 <= count; i += 8)
            any = _mm_or_si128(any, _mm_loadu_si128(reinterpret_cast<const __m128i*>(units + i)));
        any = _mm_or_si128(any, _mm_loadu_si128(reinterpret_cast<const __m128i*>(units + count - 8)));
        const __m128i highBytes = _mm_and_si128(any, _mm_set1_epi16(static_cast<short>(0xFF00)));
        return _mm_movemask_epi8(_mm_cmpeq_epi8(highBytes, _mm_setzero_si128())) == 0xFFFF;
    }
#endif
    char16_t any = 0;
    for (size_t i = 0; i < count; ++i)
        any |= units[i];
    return any < 0x100;
}

void narrowLatin1(const char16_t* units, size_t count, char* out)
{
#ifdef __SSE2__
    if (count >= 8) {
        const auto narrow8 = [&](size_t at) {
            const __m128i eight = _mm_loadu_si128(reinterpret_cast<const __m128i*>(units + at));
            _mm_storel_epi64(reinterpret_cast<__m128i*>(out + at), _mm_packus_epi16(eight, eight));
        };
        for (size_t i = 0; i + 8 <= count; i += 8)
            narrow8(i);
        narrow8(count - 8);
        return;
    }
#endif
    for (size_t i = 0; i < count; ++i)
        out[i] = static_cast<char>(units[i]);
}

void widenLatin1ToUtf16le(const unsigned char* bytes, size_t count, unsigned char* out)
{
#ifdef __SSE2__
    if (count >= 8) {
        const auto widen8 = [&](size_t at) {
            const __m128i eight = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(bytes + at));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 2 * at),
                             _mm_unpacklo_epi8(eight, _mm_setzero_si128()));
        };
        for (size_t i = 0; i + 8 <= count; i += 8)
            widen8(i);
        widen8(count - 8);
        return;
    }
#endif
    for (size_t i = 0; i < count; ++i) {
        out[2 * i] = bytes[i];
        out[2 * i + 1] = 0;
    }
}

} // namespace xls
