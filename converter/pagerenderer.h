#pragma once

#include "pageraster.h"
#include "textlines.h"

#include <QImage>
#include <QSizeF>

#include <vector>

namespace Poppler {
class Document;
}

// One page, rendered and with its words grouped into lines, ready to be written.
struct RenderedPage {
    int number = 0;   // from 1
    QSizeF pointSize; // as displayed, after the page's rotation
    PageRaster raster;
    QImage image;                // white when the page could not be rendered
    std::vector<TextLine> lines; // boxes in points, like pointSize
};

// Renders page `number` (from 1) of `document` and reads its words. Never fails: a page
// that cannot be read or rendered still gets a white image of its size (US Letter when even
// its size is unknown) and whatever text could be read, so the page numbering stays gap-free.
RenderedPage renderPage(const Poppler::Document& document, int number);
