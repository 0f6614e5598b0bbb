#pragma once

// Strict conversions between UTF-8 and UTF-16: a text that is not valid in its encoding
// (a lone surrogate, a malformed or overlong byte sequence) is refused, never guessed at.

#include <string>
#include <string_view>

bool utf16ToUtf8(std::u16string_view text, std::string& out);
bool utf8ToUtf16(std::string_view text, std::u16string& out);
