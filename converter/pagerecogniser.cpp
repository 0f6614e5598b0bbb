#include "converter/pagerecogniser.h"

#include "extraction/pagerules.h"

#include <QPainter>

#include <poppler-qt6.h>
#include <tesseract/baseapi.h>
#include <tesseract/ocrclass.h>

#include <algorithm>
#include <cstring>

namespace {

// Rules as the rules finder sees them at 300 dpi: long thin dark runs, scan grey included.
// Strokes of letters are far shorter than a rule.
RuleFinding rulesAtRecognitionDpi()
{
    RuleFinding finding;
    finding.minLength = 150;
    finding.maxThickness = 10;
    finding.maxGap = 3;
    finding.darkBelow = 170;
    return finding;
}

// Paints the rule strokes of `image` (Grayscale8) white, a little wider than found, so that
// recognition does not read them as characters.
void maskRules(QImage& image)
{
    GreyImage grey;
    grey.width = image.width();
    grey.height = image.height();
    grey.pixels.resize(size_t(grey.width) * size_t(grey.height));
    for (int y = 0; y < grey.height; ++y)
        std::memcpy(grey.pixels.data() + size_t(y) * size_t(grey.width), image.constScanLine(y),
                    size_t(grey.width));
    const QVector<PageRule> rules = findPageRules(grey, {}, rulesAtRecognitionDpi());
    if (rules.isEmpty())
        return;
    QPainter painter(&image);
    for (const PageRule& rule : rules) {
        if (rule.thickness == 0) // the edge of a shaded band: no stroke to remove
            continue;
        const double half = rule.thickness / 2.0 + 2;
        const QRectF stroke = rule.isHorizontal()
                                  ? QRectF(rule.start - 2, rule.position - half, rule.length() + 4, 2 * half)
                                  : QRectF(rule.position - half, rule.start - 2, 2 * half, rule.length() + 4);
        painter.fillRect(stroke, Qt::white);
    }
}

// Ink on more than this share of the pixels is no page of text but a photograph or noise,
// on which recognition would spend its whole time budget finding nothing.
constexpr double kMaxInkShare = 0.4;

bool mostlyInk(const QImage& grey)
{
    qint64 dark = 0;
    for (int y = 0; y < grey.height(); ++y) {
        const uchar* line = grey.constScanLine(y);
        for (int x = 0; x < grey.width(); ++x)
            dark += line[x] < 128;
    }
    return dark > kMaxInkShare * double(grey.width()) * grey.height();
}

bool isRuleMark(QChar c)
{
    return c == u'|' || c == u'_' || c == u'¦' || c == u'‖';
}

// A word without the rule marks at its ends; empty when it is nothing but marks.
QString withoutRuleMarks(QString text)
{
    qsizetype start = 0;
    qsizetype end = text.size();
    while (start < end && isRuleMark(text.at(start)))
        ++start;
    while (end > start && isRuleMark(text.at(end - 1)))
        --end;
    return text.mid(start, end - start);
}

bool cancelled(void* limit, int)
{
    return static_cast<const RenderLimit*>(limit)->reached();
}

bool shouldAbort(const QVariant& payload)
{
    return reinterpret_cast<const RenderLimit*>(payload.value<quintptr>())->reached();
}

} // namespace

PageRecogniser::PageRecogniser(const QString& dataFolder, const QString& languages)
    : api_(std::make_unique<tesseract::TessBaseAPI>())
{
    ready_ = api_->Init(dataFolder.toLocal8Bit().constData(), languages.toLocal8Bit().constData(),
                        tesseract::OEM_DEFAULT) == 0;
    // Measured on scanned tables: one uniform block reads more cells than the sparse-text
    // modes, which drop lone short words such as single-digit quantities.
    if (ready_)
        api_->SetPageSegMode(tesseract::PSM_SINGLE_BLOCK);
}

PageRecogniser::~PageRecogniser()
{
    api_->End();
}

std::vector<TextLine> PageRecogniser::recognise(const QImage& image, const RenderLimit& limit, bool* aborted)
{
    *aborted = false;
    if (!ready_ || image.isNull())
        return {};
    QImage grey = image.convertToFormat(QImage::Format_Grayscale8);
    if (mostlyInk(grey))
        return {};
    maskRules(grey);
    api_->SetImage(grey.constBits(), grey.width(), grey.height(), 1, int(grey.bytesPerLine()));
    api_->SetSourceResolution(int(kDpi));
    tesseract::ETEXT_DESC monitor;
    monitor.cancel = cancelled;
    monitor.cancel_this = const_cast<RenderLimit*>(&limit);
    if (api_->Recognize(&monitor) != 0 || limit.reached()) {
        api_->Clear();
        *aborted = true;
        return {};
    }

    // Every word takes the band of its text line; lines of one visual row are then joined.
    std::vector<PageWord> words;
    const std::unique_ptr<tesseract::ResultIterator> it(api_->GetIterator());
    if (it && !it->Empty(tesseract::RIL_TEXTLINE)) {
        do {
            int left, top, right, bottom;
            if (!it->BoundingBox(tesseract::RIL_TEXTLINE, &left, &top, &right, &bottom))
                continue;
            const double lineTop = top;
            const double lineHeight = bottom - top;
            do {
                const std::unique_ptr<char[]> utf8(it->GetUTF8Text(tesseract::RIL_WORD));
                const QString text = withoutRuleMarks(QString::fromUtf8(utf8.get()).trimmed());
                if (!text.isEmpty() && it->BoundingBox(tesseract::RIL_WORD, &left, &top, &right, &bottom))
                    words.push_back({QRectF(left, lineTop, right - left, lineHeight), text});
                if (it->IsAtFinalElement(tesseract::RIL_TEXTLINE, tesseract::RIL_WORD))
                    break;
            } while (it->Next(tesseract::RIL_WORD));
        } while (it->Next(tesseract::RIL_TEXTLINE));
    }
    api_->Clear();
    return groupIntoLines(std::move(words));
}

std::vector<TextLine> recognisePage(const Poppler::Document& document, int number, PageRecogniser& recogniser,
                                    const RenderLimit& limit, bool* aborted)
{
    *aborted = false;
    const std::unique_ptr<Poppler::Page> page = document.page(number - 1);
    if (!page || page->pageSizeF().isEmpty())
        return {};
    const PageRaster raster = PageRaster::forPage(page->pageSizeF(), PageRecogniser::kDpi);
    const QVariant payload = QVariant::fromValue(reinterpret_cast<quintptr>(&limit));
    const QImage image = page->renderToImage(raster.dpi(), raster.dpi(), -1, -1, -1, -1,
                                             Poppler::Page::Rotate0, nullptr, nullptr, shouldAbort, payload);
    if (limit.reached()) {
        *aborted = true;
        return {};
    }
    std::vector<TextLine> lines = recogniser.recognise(image, limit, aborted);
    const double scale = raster.pixelsPerPoint;
    for (TextLine& line : lines) {
        line.top /= scale;
        line.bottom /= scale;
        for (PageWord& word : line.words)
            word.box = QRectF(word.box.topLeft() / scale, word.box.size() / scale);
    }
    return lines;
}
