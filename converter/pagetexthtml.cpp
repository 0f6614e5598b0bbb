#include "converter/pagetexthtml.h"

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

QString escapeWordText(const QString& text)
{
    QString out;
    out.reserve(text.size());
    for (QChar c : text) {
        switch (c.unicode()) {
        case '&':
            out += QLatin1String("&amp;");
            break;
        case '<':
            out += QLatin1String("&lt;");
            break;
        case '>':
            out += QLatin1String("&gt;");
            break;
        default:
            out += c.unicode() < 0x20 ? QChar(' ') : c;
        }
    }
    return out;
}

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
            html += QLatin1String("<span style=\"left:") + QString::number(columns->start) +
                    QLatin1String(";top:") + QString::number(rows->start) + QLatin1String(";width:") +
                    QString::number(columns->end - columns->start) + QLatin1String(";height:") +
                    QString::number(rows->end - rows->start) + QLatin1String("\">") +
                    escapeWordText(word.text) + QLatin1String("</span>\n");
        }
    }
    return html.toUtf8();
}

} // namespace PageTextHtml
