#include "spreadsheet/textconversion.h"

#include <cstdint>
#include <cstring>

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
    for (size_t k = 0; k < 8; ++k)
        to[k] = bytes[k];
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

} // namespace xls
