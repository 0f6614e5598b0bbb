#include "converter/pagerenderer.h"

#include <poppler-qt6.h>

#include <memory>

namespace {

constexpr QSizeF kLetterPoints(612, 792);

QImage whiteImage(const QSize& size)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::white);
    return image;
}

bool shouldAbort(const QVariant& payload)
{
    return reinterpret_cast<const RenderLimit*>(payload.value<quintptr>())->reached();
}

std::vector<PageWord> readWords(const Poppler::Page& page, const QVariant& limit)
{
    std::vector<PageWord> words;
    // Boxes come in points on the page as displayed, like the rendered image.
    for (const auto& box : page.textList(Poppler::Page::Rotate0, shouldAbort, limit))
        words.push_back({box->boundingBox(), box->text()});
    return words;
}

} // namespace

RenderedPage renderPage(const Poppler::Document& document, int number, const RenderLimit& limit)
{
    const QVariant payload = QVariant::fromValue(reinterpret_cast<quintptr>(&limit));
    RenderedPage result;
    result.number = number;
    const std::unique_ptr<Poppler::Page> page = document.page(number - 1);
    result.pointSize = page ? page->pageSizeF() : kLetterPoints;
    if (result.pointSize.isEmpty())
        result.pointSize = kLetterPoints;
    result.raster = PageRaster::forPage(result.pointSize);
    if (page) {
        const double dpi = result.raster.dpi();
        result.image = page->renderToImage(dpi, dpi, -1, -1, -1, -1, Poppler::Page::Rotate0, nullptr, nullptr,
                                           shouldAbort, payload);
        if (!limit.reached())
            result.lines = groupIntoLines(readWords(*page, payload));
    }
    result.aborted = limit.reached();
    if (result.image.isNull())
        result.image = whiteImage(result.raster.imageSize);
    return result;
}
