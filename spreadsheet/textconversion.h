#pragma once

// Strict conversions between UTF-8 and UTF-16: a text that is not valid in its encoding
// (a lone surrogate, a malformed or overlong byte sequence) is refused, never guessed at.

#include <cstddef>
#include <string>
#include <string_view>

namespace xls {

bool utf16ToUtf8(std::u16string_view text, std::string& out);
bool utf8ToUtf16(std::string_view text, std::u16string& out);
// The same into `out`, which holds at least text.size() code units (never more are needed):
// the number of code units written, or invalidUtf8.
constexpr size_t invalidUtf8 = size_t(-1);
size_t utf8ToUtf16(std::string_view text, char16_t* out);

// Texts whose code units all fit a byte (U+0000 … U+00FF, Latin-1), kept one byte a unit:
// whether `count` units fit, the units as bytes (they must fit), and bytes back as UTF-16LE
// (2 × count bytes at `out`).
bool fitsLatin1(const char16_t* units, size_t count);
// Every byte below 0x80: the text reads the same as UTF-8 and as Latin-1.
bool isAscii(std::string_view text);
void narrowLatin1(const char16_t* units, size_t count, char* out);
void widenLatin1ToUtf16le(const unsigned char* bytes, size_t count, unsigned char* out);

} // namespace xls
