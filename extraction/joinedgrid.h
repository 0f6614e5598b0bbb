#pragma once

#include "extraction/pagegrid.h"
#include "extraction/pagerules.h"
#include "protocol/subtext.h"

#include <QRectF>
#include <QVector>

// Builds the grid of a page like buildPageGrid(), but a cell that wraps over several text
// lines stays one row ("Join wrapped lines"). Same inputs (canvas pixels at zoomFactor), plus
// the page's rules in page-image pixels (findPageRules(); empty when the image is unknown).
//
// Rows:
//  - Horizontal rules that cross the table from side to side (pieces at one height together
//    covering at least 85% of its width) cut it into bands; the outline's top and bottom
//    edges bound the first and last band. A text line belongs to the band holding its middle,
//    and no row reaches across a rule.
//  - A ruled table (at least three bands with text) keeps each band whose key column holds
//    text on at most one line as one row: centred and top-aligned cells side by side in one
//    band give one row. When three bands in four or more are such bands, the table is ruled
//    row by row and every band is one row, a wrapped key cell included. The key column here is the leftmost column with text in at least a
//    third as many bands as the fullest column.
//  - Everywhere else a line joins the row above when it continues it: its cell in the key
//    column (the leftmost column with text on at least a third as many lines as the fullest
//    column) is empty, and every cell it fills is
//    a column the row above has text in, or a neighbour of one, and none of these cells is a
//    second number under a number or a number beside the row's text: amounts do not wrap, so
//    a subtotal or carried-forward line (amounts, key column empty) stays a row of its own.
// Every line's cell texts are joined in reading order (lines top to bottom, runs left to
// right), each run's text followed by one blank as in buildPageGrid().
// With no rules and no wrapped lines, the grid equals buildPageGrid()'s, except that a run
// lying within two overlapping text lines is kept only in the upper one.
GridBuild buildJoinedPageGrid(const QVector<Subtext>& runs, const QVector<PageRule>& rules,
                              const QRectF& canvasRect, const QVector<QRectF>& canvasLines, float zoomFactor);
