#pragma once

#include "protocol/subtext.h"

#include <QByteArray>
#include <QString>

// The converter's positioned-text pages ("text_pg_NNNN.htm"), UTF-8, one run per line:
//   <span style="left:L;top:T;width:W;height:H">text</span>
// with whole page-image pixels, optionally after a first line kRecognisedMarker. The converter
// writes them with PageTextWriter, the program reads them with PageTextParser.

// Writing: the converter's side.
namespace PageTextWriter {

// A run's text as span content: &, < and > as character references, so the line format stays
// intact and the reader restores them, and every C0 control character (NUL, tab, line feed,
// carriage return …) as a blank, since a NUL ends the page text and a line feed splits a span.
QString escapeWordText(const QString& text);

// Appends `run` to `page` as one line, its text escaped, ending in a line feed.
void appendRun(QString& page, const Subtext& run);

} // namespace PageTextWriter

// Reading: the program's side. Parsing never fails: a line without the span markup gives a
// box of zeros and an empty text.
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
