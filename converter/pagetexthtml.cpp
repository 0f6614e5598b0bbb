#include "converter/pagetexthtml.h"

#include "protocol/pagetext.h"

#include <algorithm>
#include <cmath>
#include <optional>

namespace PageTextHtml {

namespace {

// A span of whole pixels [start, end) within [0, limit), from an extent in points.
struct PixelSpan {
    int start = 0;
    int end = 0;
};

std::optional<PixelSpan> toPixels(double from, double to, double scale, int limit)
{
    const double a = from * scale;
    const double b = to * scale;
    if (b < 0 || a > limit)
        return std::nullopt;
    const int start = std::clamp(int(std::lround(a)), 0, limit);
    const int end = std::clamp(int(std::lround(b)), start, limit);
    return PixelSpan{start, end};
}

} // namespace

QByteArray write(const std::vector<TextLine>& lines, double pixelsPerPoint, const QSize& imageSize)
{
    QString html;
    for (const TextLine& line : lines) {
        const auto rows = toPixels(line.top, line.bottom, pixelsPerPoint, imageSize.height());
        if (!rows)
            continue;
        for (const PageWord& word : line.words) {
            const auto columns =
                toPixels(word.box.left(), word.box.right(), pixelsPerPoint, imageSize.width());
            if (!columns)
                continue;
            PageTextWriter::appendRun(html, {columns->start, rows->start, columns->end - columns->start,
                                             rows->end - rows->start, word.text});
        }
    }
    return html.toUtf8();
}

} // namespace PageTextHtml
