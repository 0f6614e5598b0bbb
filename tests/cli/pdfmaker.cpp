#include "pdfmaker.h"

#include <QFont>
#include <QPainter>
#include <QPdfWriter>
#include <QPen>

bool writePdf(const QString& path, const QVector<PdfPage>& pages)
{
    QPdfWriter writer(path);
    writer.setResolution(72);
    writer.setPageSize(QPageSize(QPageSize::Letter));
    writer.setPageMargins(QMarginsF(0, 0, 0, 0));
    QPainter painter;
    if (!painter.begin(&writer))
        return false;
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPointSizeF(10);
    painter.setFont(font);
    for (int i = 0; i < pages.size(); ++i) {
        if (i > 0)
            writer.newPage();
        for (const QRectF& shade : pages[i].shades)
            painter.fillRect(shade, QColor(215, 215, 215));
        painter.setPen(QPen(Qt::black, 0.75));
        for (const QLineF& rule : pages[i].rules)
            painter.drawLine(rule);
        for (const PdfWord& word : pages[i].words)
            painter.drawText(QPointF(word.x, word.baseline), word.text);
    }
    return painter.end();
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
