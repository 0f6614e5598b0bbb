#pragma once

#include "converter/pageraster.h"
#include "converter/textlines.h"

#include <QDeadlineTimer>
#include <QImage>
#include <QSizeF>

#include <atomic>
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
    bool aborted = false;        // the deadline passed or a stop was asked: nothing usable
    bool recognised = false;     // `lines` come from text recognition of the page image
};

// When a page's rendering gives up: at `deadline`, or as soon as `stop` turns true.
struct RenderLimit {
    QDeadlineTimer deadline = QDeadlineTimer::Forever;
    const std::atomic<bool>* stop = nullptr;

    bool reached() const { return deadline.hasExpired() || (stop && *stop); }
};

// Renders page `number` (from 1) of `document` and reads its words. Never fails: a page
// that cannot be read or rendered still gets a white image of its size (US Letter when even
// its size is unknown) and whatever text could be read, so the page numbering stays gap-free.
// The renderer checks `limit` as it draws; a page past it comes back `aborted`.
RenderedPage renderPage(const Poppler::Document& document, int number, const RenderLimit& limit = {});
