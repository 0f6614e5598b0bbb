#pragma once

#include "extraction/subtext.h"

#include <QByteArray>
#include <QString>

// Reading the converter's positioned-text pages: one run per line, written as
//   <span style="left:L;top:T;width:W;height:H">text</span>
// with whole page-image pixels. Parsing never fails: a line without that markup gives a box
// of zeros and an empty text.
namespace PageTextParser {

// The page text of a fetched file: its bytes up to the first zero byte, as UTF-8.
QString decodePageBytes(const QByteArray& bytes);

// The first line of the page text of a page whose words were recognised in its image.
inline constexpr char kRecognisedMarker[] = "<!-- text recognised from the image -->";

// Splits at line feeds, drops empty lines, and parses every other line into one run. A first
// line kRecognisedMarker is no run: it marks the page as recognised.
PageText getTextPosition(const QString& sxml);

// One line: the four style values and the span text.
Subtext getSubtextInfo(const QString& sRow);

// Value of a style key: first occurrence of `sPos` anywhere in the line, one separator
// character skipped, digits up to ";", a double quote or the end. A failed or negative
// conversion gives 0.
int getpos(const QString& sPos, const QString& sRow);

// The text between the last ">" before the first "</span>" and that "</span>", with
// character references (&amp; &lt; &gt; &quot; &apos; &#N; &#xH;) decoded once.
QString gettext(const QString& sRow);

// Decodes the character references named above in one pass; unknown or malformed ones,
// &#0;, surrogates and values above 0x10FFFF stay as written.
QString decodeCharacterReferences(const QString& text);

} // namespace PageTextParser
