// The page-text format: the reader on its own, and what the writer writes read back.
#include "protocol/pagetext.h"

#include <gtest/gtest.h>

using namespace PageTextParser;
// gettext() stays qualified: the C library declares one of its own.

namespace {

Subtext run(int left, int top, int width, int height, const QString& text)
{
    return {left, top, width, height, text};
}

} // namespace

TEST(PageText, ReadsTheConvertersSpanLine)
{
    EXPECT_EQ(getSubtextInfo(R"(<span style="left:72;top:100;width:50;height:12">Total</span>)"),
              run(72, 100, 50, 12, "Total"));
    // The text is taken as it stands, blanks and all.
    EXPECT_EQ(getSubtextInfo(R"(<span style="left:1;top:2;width:3;height:4"> a  b </span>)").text, " a  b ");
}

TEST(PageText, StyleValues)
{
    EXPECT_EQ(getpos("left", "left:72"), 72);            // value up to the end of the line
    EXPECT_EQ(getpos("left", R"(style="left:72")"), 72); // up to the double quote
    EXPECT_EQ(getpos("left", "left:72;top:5"), 72);      // up to the semicolon
    EXPECT_EQ(getpos("left", "left: 72px;"), 0);         // unit suffix
    EXPECT_EQ(getpos("left", "left:7.5;"), 0);           // decimal point
    EXPECT_EQ(getpos("left", "left:-5;"), 0);            // negative
    EXPECT_EQ(getpos("left", "left:;"), 0);              // nothing collected
    EXPECT_EQ(getpos("left", "left:"), 0);               // key at the very end
    EXPECT_EQ(getpos("left", "left:99999999999;"), 0);   // beyond 32 bits
    EXPECT_EQ(getpos("left", "Left:5;"), 0);             // case-sensitive
    EXPECT_EQ(getpos("top", "no key here"), 0);
    // Any separator character is skipped, whatever it is.
    EXPECT_EQ(getpos("top", "top=17;"), 17);
    // The first occurrence wins, even inside another word.
    EXPECT_EQ(getpos("top", R"(<span class="stop:5" style="left:1;top:100">x</span>)"), 5);
}

TEST(PageText, SpanText)
{
    // Two spans on a line: the first "</span>", and the keys' first occurrences.
    const Subtext two = getSubtextInfo(
        R"(<span style="left:1;top:2;width:3;height:4">A</span><span style="left:9;top:9">B</span>)");
    EXPECT_EQ(two, run(1, 2, 3, 4, "A"));
    // Nested markup: only what follows the last inner tag.
    EXPECT_EQ(PageTextParser::gettext("<span><b>bold</b></span>"), "");
    EXPECT_EQ(PageTextParser::gettext("<span><b>bold</b> tail</span>"), " tail");
    // No ">" before "</span>": the text starts at position 1.
    EXPECT_EQ(PageTextParser::gettext("abc</span>"), "bc");
    EXPECT_EQ(PageTextParser::gettext("</span>x"), "");
    EXPECT_EQ(PageTextParser::gettext("<span>no end"), "");
}

TEST(PageText, CharacterReferencesAreDecodedOnce)
{
    EXPECT_EQ(PageTextParser::gettext("<span>A &amp; B &lt;C&gt; &quot;q&quot; &apos;s</span>"),
              "A & B <C> \"q\" 's");
    EXPECT_EQ(decodeCharacterReferences("&amp;lt;"), "&lt;");
    EXPECT_EQ(decodeCharacterReferences("&#65;&#x42;&#X43;&#0068;"), "ABCD");
    EXPECT_EQ(decodeCharacterReferences("&#x1F600;"), QString::fromUcs4(U"\U0001F600"));
    EXPECT_EQ(decodeCharacterReferences("&&amp;"), "&&");
    // Unknown or malformed references, and values that name no character, stay as written.
    for (const char* kept :
         {"&bogus;", "&amp", "& amp;", "&#;", "&#x;", "&#12a;", "&#0;", "&#xD800;", "&#xDFFF;", "&#x110000;",
          "&#99999999999999999999;", "&AMP;", "&#-1;", "a & b", "&"})
        EXPECT_EQ(decodeCharacterReferences(kept), kept) << kept;
    EXPECT_EQ(decodeCharacterReferences("&#x10FFFF;"), QString::fromUcs4(U"\U0010FFFF"));
}

TEST(PageText, PageLines)
{
    const QString page = "<html>\n"
                         "\n"
                         R"(<span style="left:10;top:20;width:30;height:40">a</span>)"
                         "\r\n"
                         "\n"
                         R"(<span style="left:1;top:2;width:3;height:4">b</span>)";
    const PageText text = getTextPosition(page);
    // Blank lines give nothing; a line without markup gives zeros; no final line feed needed.
    ASSERT_EQ(text.lineCount, 3);
    EXPECT_EQ(text.runs,
              (QVector<Subtext>{run(0, 0, 0, 0, ""), run(10, 20, 30, 40, "a"), run(1, 2, 3, 4, "b")}));
    EXPECT_EQ(getTextPosition(""), PageText());
    EXPECT_EQ(getTextPosition("\n\n\n"), PageText());
}

TEST(PageText, PageBytesEndAtTheFirstZeroByte)
{
    EXPECT_EQ(decodePageBytes(QByteArray("Gr\xc3\xbc\xc3\x9f"
                                         "e\0rest",
                                         12)),
              QString::fromUtf8("Grüße"));
    EXPECT_EQ(decodePageBytes(QByteArray("abc")), "abc");
    EXPECT_EQ(decodePageBytes(QByteArray()), "");
}

TEST(PageTextWriter, EscapesMarkupAndControlCharacters)
{
    const QString raw =
        QString::fromUtf16(u"a&b<c>d") + QChar(0) + QString::fromUtf16(u"e\tf\ng\rh\x1fi\x7fé龙");
    EXPECT_EQ(PageTextWriter::escapeWordText(raw), QString::fromUtf16(u"a&amp;b&lt;c&gt;d e f g h i\x7fé龙"));
    // Already escaped-looking text is escaped again, so the reader gets it back unchanged.
    EXPECT_EQ(PageTextWriter::escapeWordText("&amp;"), "&amp;amp;");
}

// Every run the converter can write comes back as it was, its text included, whatever
// markup or references it holds; control characters come back as the blanks written for them.
TEST(PageTextWriter, WhatIsWrittenReadsBack)
{
    const struct {
        Subtext written;
        QString readBack;
    } cases[] = {
        {run(72, 96, 36, 16, "Total"), "Total"},
        {run(0, 0, 0, 0, ""), ""},
        {run(2147483647, 1, 2, 3, "far"), "far"},
        {run(1, 2, 3, 4, "a&b <c> \"d\" 'e' &amp; &#65; </span>"), "a&b <c> \"d\" 'e' &amp; &#65; </span>"},
        {run(1, 2, 3, 4, "left:9;top:9 width height"), "left:9;top:9 width height"},
        {run(1, 2, 3, 4, QString::fromUtf16(u"Grüße 龙 ") + QString::fromUcs4(U"\U0001F600")),
         QString::fromUtf16(u"Grüße 龙 ") + QString::fromUcs4(U"\U0001F600")},
        {run(5, 6, 7, 8, QString("a") + QChar(0) + "b\nc\td\re"), "a b c d e"},
    };
    QString page;
    PageText expected;
    for (const auto& c : cases) {
        PageTextWriter::appendRun(page, c.written);
        Subtext back = c.written;
        back.text = c.readBack;
        expected.runs.append(back);
    }
    expected.lineCount = int(expected.runs.size());
    EXPECT_EQ(getTextPosition(page), expected) << qPrintable(page);
    EXPECT_EQ(decodePageBytes(page.toUtf8()), page);

    // The marker line before the runs marks the page as recognised and is no run itself.
    expected.recognised = true;
    EXPECT_EQ(getTextPosition(QString(kRecognisedMarker) + '\n' + page), expected);
}
