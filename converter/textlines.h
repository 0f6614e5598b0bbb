#pragma once

#include <QRectF>
#include <QString>

#include <vector>

// One word of a page as the PDF text layer gives it: its box in points, origin at the top-left
// corner of the page as displayed (after the page's rotation), y downwards.
struct PageWord {
    QRectF box;
    QString text;
};

// One printed line: its words from left to right, and the vertical extent shared by all of
// them (the union of their boxes), so that words of different fonts and sizes on one line
// form one row.
struct TextLine {
    double top = 0;
    double bottom = 0;
    std::vector<PageWord> words;
};

// Groups words into printed lines, lines from top to bottom.
//
// The text layer gives every word a box from its font's ascent and descent, so boxes on one
// baseline differ with the font: a CJK glyph box may be twice as tall as the Latin word beside
// it, yet centred on nearly the same height. Two words therefore share a line when the middle
// of the shorter one lies within the taller one's vertical extent; a word is compared with
// the shortest word of a line, whose box pins the line down best. Words more than three times
// as tall as that (vertical text, for one) stand on a line of their own.
std::vector<TextLine> groupIntoLines(std::vector<PageWord> words);
