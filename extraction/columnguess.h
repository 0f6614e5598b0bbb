#pragma once

// Guessing the column lines of a table from its text and rules. Pure: no widgets. Page-image
// pixels throughout (the units of the word boxes and of findPageRules()).

#include "extraction/pagerules.h"
#include "extraction/textlines.h"
#include "protocol/subtext.h"

#include <QRectF>
#include <QVector>

#include <vector>

// The x positions (ascending) of the column lines of the table drawn as `area`, from the
// words lying in it (as the grid builders select them) and the page's rules:
//  - A vertical rule crossing at least 60% of the height of the area's text, between its
//    leftmost and rightmost word, is a column line (rules closer than 4 px are one line).
//  - Between those rules (everywhere when there are none), a column line goes midway in each
//    vertical whitespace channel that separates the words of most text lines: a channel is
//    where at most a third of the lines (rounded down, one line less) have ink, so a title or
//    header spanning two columns does not close it, and the line goes in the part of the
//    channel crossed by the fewest lines. Words alone inside a channel (a column empty but for
//    its header) make a column of their own. A channel must be at least 1.2 median character
//    widths wide, twice the space between two words.
//  - An area holding one text line gets a column line only in gaps of at least four median
//    character widths (about two em): the word spaces of a sentence stay one cell.
// An area without words gives none. The same words, rules and area always give the same lines.
QVector<double> guessColumns(const QVector<Subtext>& words, const QVector<PageRule>& rules,
                             const QRectF& area);

// The same on words already selected and grouped into lines (table finding reuses them).
QVector<double> guessColumnsOfLines(const std::vector<WordLine>& lines, const QVector<PageRule>& rules);

namespace ColumnGuess {
// A channel is at least this many median character widths wide; a space is about 0.6.
constexpr double kMinChannel = 1.2;
// In an area of one text line, a gap this many median character widths wide (about two em).
constexpr double kMinSingleLineGap = 4;
} // namespace ColumnGuess
