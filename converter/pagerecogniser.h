#pragma once

#include "converter/pagerenderer.h"

#include <QImage>
#include <QString>

#include <memory>
#include <vector>

namespace Poppler {
class Document;
}
namespace tesseract {
class TessBaseAPI;
}

// One Tesseract engine recognising the words of page images, for one thread at a time.
//
// The grid builds rows from the vertical bands of the words, so the words of one visual row
// must share one band: each word gets the top and height of the text line Tesseract found it
// on, and lines of one row are joined like the lines of a text layer. Table rules come back
// from recognition as stray "|" and "_" inside cells: they are painted out of the image before
// recognition, and such marks left at the ends of words dropped. Words of low confidence are
// kept, so that no table cell vanishes.
class PageRecogniser {
public:
    // Recognition reads a page rendered at this resolution (less for a huge page).
    static constexpr double kDpi = 300;

    // `languages` as TextRecognition::resolveLanguages gives them, with their data in
    // `dataFolder`. Loading the data takes a while, so an engine serves many pages.
    PageRecogniser(const QString& dataFolder, const QString& languages);
    ~PageRecogniser();
    PageRecogniser(const PageRecogniser&) = delete;
    PageRecogniser& operator=(const PageRecogniser&) = delete;

    // False when Tesseract could not load the language data.
    bool isReady() const { return ready_; }

    // The words of `image` (read as grey), boxes in pixels of `image`, grouped into lines.
    // An image mostly of ink (noise, a photograph) has none.
    // Recognition checks `limit` as it goes; a page past it gives no words and `aborted`.
    std::vector<TextLine> recognise(const QImage& image, const RenderLimit& limit, bool* aborted);

private:
    std::unique_ptr<tesseract::TessBaseAPI> api_;
    bool ready_ = false;
};

// Renders page `number` (from 1) of `document` in grey at PageRecogniser::kDpi, within the
// raster bounds of PageRaster, and recognises its words: the lines come with boxes in points,
// like the text layer's. A page that cannot be rendered gives no words.
std::vector<TextLine> recognisePage(const Poppler::Document& document, int number, PageRecogniser& recogniser,
                                    const RenderLimit& limit, bool* aborted);
