#pragma once

#include "converter/textlines.h"

#include <QByteArray>
#include <QSize>
#include <QString>

#include <vector>

// Writes a page's positioned text (the format of PageTextWriter), one word per line in line
// order, in whole pixels of the page image. Each word keeps its own left and width and takes the
// top and height of its printed line. Example, at 4/3 pixels per point, the word "Total" at
// x 54…81 pt on a line spanning y 72…84 pt:
//   <span style="left:72;top:96;width:36;height:16">Total</span>
namespace PageTextHtml {

// The page text of `lines`, whose boxes are in points; `pixelsPerPoint` maps them onto an
// image of `imageSize`. Words wholly outside the image are left out, the others are clipped
// to it.
QByteArray write(const std::vector<TextLine>& lines, double pixelsPerPoint, const QSize& imageSize);

} // namespace PageTextHtml
