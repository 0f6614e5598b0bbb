#include "pagemaker.h"

#include <QFont>
#include <QFontMetricsF>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QPen>

QVector<QVector<QRectF>> writePdfPages(const QString& path, const QVector<PdfPage>& pages)
{
    if (pages.isEmpty())
        return {};
    QPdfWriter writer(path);
    writer.setResolution(72);
    writer.setPageSize(QPageSize(pages.front().size, QPageSize::Point));
    writer.setPageMargins(QMarginsF(0, 0, 0, 0));
    QPainter painter;
    if (!painter.begin(&writer))
        return {};
    QVector<QVector<QRectF>> boxes;
    for (int i = 0; i < pages.size(); ++i) {
        const PdfPage& page = pages[i];
        if (i > 0) {
            writer.setPageSize(QPageSize(page.size, QPageSize::Point));
            writer.newPage();
        }
        for (const QRectF& shade : page.shades)
            painter.fillRect(shade, QColor(215, 215, 215));
        painter.setPen(QPen(Qt::black, 0.75));
        for (const QLineF& rule : page.rules)
            painter.drawLine(rule);
        boxes.append(QVector<QRectF>());
        for (const PdfWord& word : page.words) {
            QFont font(QStringLiteral("DejaVu Sans"));
            font.setPointSizeF(word.pointSize);
            painter.setFont(font);
            painter.drawText(QPointF(word.x, word.baseline), word.text);
            const QFontMetricsF metrics(font, &writer);
            boxes.back().append(QRectF(word.x, word.baseline - metrics.ascent(),
                                       metrics.horizontalAdvance(word.text),
                                       metrics.ascent() + metrics.descent()));
        }
    }
    if (!painter.end())
        return {};
    return boxes;
}

bool writePdf(const QString& path, const QVector<PdfPage>& pages)
{
    return writePdfPages(path, pages).size() == pages.size();
}

PdfPage tablePage(const QVector<QStringList>& cells, const QVector<double>& columnX, double firstBaseline,
                  double rowPitch)
{
    PdfPage page;
    for (int r = 0; r < cells.size(); ++r)
        for (int c = 0; c < cells[r].size() && c < columnX.size(); ++c)
            if (!cells[r][c].isEmpty())
                page.words.append({columnX[c], firstBaseline + r * rowPitch, cells[r][c]});
    return page;
}
