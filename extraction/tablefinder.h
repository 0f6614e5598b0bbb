#pragma once

// Finding the tables of a page from its words and rules. Pure: no widgets. Page-image pixels
// throughout.

#include "extraction/pagerules.h"
#include "protocol/subtext.h"

#include <QRectF>
#include <QSizeF>
#include <QVector>

// A proposed table: its outline (the union of its words' boxes grown by kPadding on every
// side, clipped to the page) and its column lines, guessColumns() inside that outline.
struct TableProposal {
    QRectF rect;
    QVector<double> columns;

    int cellCount(int rows) const { return rows * (int(columns.size()) + 1); }
    bool operator==(const TableProposal&) const = default;
};

namespace TableFinding {
constexpr double kPadding = 3;      // pixels around the words, 2 points at 96 dpi
constexpr double kMaxLineGap = 1.0; // median word heights between the lines of one table
constexpr int kMinLines = 3;        // text lines of an unruled table
constexpr int kMinChannels = 2;     // column channels its lines share
// Side by side: a channel this many times as wide as the block's other channels and at least
// kMinSideBySideGap median character widths wide, with columns on both sides.
constexpr double kSideBySideGap = 2.5;
constexpr double kMinSideBySideGap = 10;
} // namespace TableFinding

// The tables of a page of `pageSize` pixels, ordered top to bottom (left to right at equal
// tops):
//  - Ruled boxes first: rules that touch one another and run along at least 90% of each side
//    of their bounding box enclose a grid (shaded stripes alone do not); one holding at least two text lines and getting
//    at least one column line is a table.
//  - Then, among the other words, blocks of consecutive text lines (at most kMaxLineGap
//    apart) that share at least kMinChannels whitespace channels: the block starts and ends
//    with a line of at least three word groups (words closer than a channel's width), holds
//    at least kMinLines lines, and takes in lines between them that cross none of the
//    channels (continuation lines of one cell). Paragraphs, titles, page headers and footers
//    (one or two groups) stay outside. A block whose lines mostly have words on one side of
//    a channel only, or one channel far wider than the others, is two tables side by side.
// A page without text gives none.
QVector<TableProposal> findTables(const QVector<Subtext>& words, const QVector<PageRule>& rules,
                                  const QSizeF& pageSize);
