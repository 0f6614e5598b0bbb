#pragma once

// A page's words grouped into text lines, the unit column guessing and table finding count
// in. Page-image pixels throughout.

#include "protocol/subtext.h"

#include <QRectF>
#include <QVector>

#include <vector>

// One text line: words whose vertical middles lie within the line's band, left to right.
struct WordLine {
    double top = 0; // the band: union of the words' vertical extents
    double bottom = 0;
    double left = 0; // the leftmost word's left, the rightmost word's right
    double right = 0;
    std::vector<const Subtext*> words; // ordered by left

    double height() const { return bottom - top; }
};

// The words of `words` that count as text: a non-empty, non-blank text and a box with a
// width and a height.
bool isTextWord(const Subtext& word);

// Groups the text words of `words` into lines, top to bottom. A word joins the line above
// when its vertical middle lies in that line's band, or the band's middle lies within the
// word (a tall CJK glyph beside Latin text). Time O(n log n).
std::vector<WordLine> groupTextLines(const std::vector<const Subtext*>& words);

// The text words lying in `area` the way the grid builders take them (within the outline
// grown by GridParts::kMargin on every side), or every text word of the page for a null area.
std::vector<const Subtext*> wordsInArea(const QVector<Subtext>& words, const QRectF& area);

// The median height of the words, 0 for none.
double medianWordHeight(const std::vector<const Subtext*>& words);

// The median width of one character (a word's width over its length), 0 for no words: the
// scale of word spaces, steadier than heights, which some fonts' boxes double.
double medianCharacterWidth(const std::vector<const Subtext*>& words);
