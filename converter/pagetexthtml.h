#pragma once

#include "converter/textlines.h"

#include <QByteArray>
#include <QSize>
#include <QString>

#include <vector>

// Writes a page's positioned text, UTF-8, one word per line in line order:
//   <span style="left:L;top:T;width:W;height:H">text</span>
// in whole pixels of the page image. Each word keeps its own left and width and takes the
// top and height of its printed line. Example, at 4/3 pixels per point, the word "Total" at
// x 54…81 pt on a line spanning y 72…84 pt:
//   <span style="left:72;top:96;width:36;height:16">Total</span>
namespace PageTextHtml {

// A word as span content: &, < and > as character references, so the line format stays
// intact and the reader restores them, and every C0 control character (NUL, tab, line feed,
// carriage return …) as a blank, since a NUL ends the page text and a line feed splits a span.
QString escapeWordText(const QString& text);

// The page text of `lines`, whose boxes are in points; `pixelsPerPoint` maps them onto an
// image of `imageSize`. Words wholly outside the image are left out, the others are clipped
// to it.
QByteArray write(const std::vector<TextLine>& lines, double pixelsPerPoint, const QSize& imageSize);

} // namespace PageTextHtml
