#include "testdocuments.h"

#include <QFile>
#include <QFont>
#include <QFontMetricsF>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>

namespace TestDocuments {

std::vector<std::vector<QRectF>> write(const QString& path, const std::vector<DrawnPage>& pages)
{
    QPdfWriter writer(path);
    writer.setResolution(72); // painter units are points
    writer.setPageMargins(QMarginsF(0, 0, 0, 0));
    writer.setPageSize(QPageSize(pages.front().size, QPageSize::Point));
    QPainter painter(&writer);
    if (!painter.isActive())
        return {};
    std::vector<std::vector<QRectF>> boxes;
    for (size_t i = 0; i < pages.size(); ++i) {
        if (i > 0) {
            writer.setPageSize(QPageSize(pages[i].size, QPageSize::Point));
            writer.newPage();
        }
        boxes.emplace_back();
        for (const DrawnWord& word : pages[i].words) {
            QFont font("DejaVu Sans");
            font.setPointSizeF(word.pointSize);
            painter.setFont(font);
            painter.drawText(word.baseline, word.text);
            const QFontMetricsF metrics(font, &writer);
            boxes.back().push_back(QRectF(word.baseline.x(), word.baseline.y() - metrics.ascent(),
                                          metrics.horizontalAdvance(word.text),
                                          metrics.ascent() + metrics.descent()));
        }
    }
    if (!painter.end())
        return {};
    return boxes;
}

QByteArray assemble(const std::vector<QByteArray>& objects)
{
    QByteArray pdf = "%PDF-1.4\n";
    std::vector<qsizetype> offsets;
    for (size_t i = 0; i < objects.size(); ++i) {
        offsets.push_back(pdf.size());
        pdf += QByteArray::number(qulonglong(i + 1)) + " 0 obj\n" + objects[i] + "\nendobj\n";
    }
    const qsizetype xref = pdf.size();
    pdf += "xref\n0 " + QByteArray::number(qulonglong(objects.size() + 1)) + "\n0000000000 65535 f \n";
    for (qsizetype offset : offsets)
        pdf += QByteArray::number(offset).rightJustified(10, '0') + " 00000 n \n";
    pdf += "trailer\n<< /Size " + QByteArray::number(qulonglong(objects.size() + 1)) +
           " /Root 1 0 R >>\nstartxref\n" + QByteArray::number(xref) + "\n%%EOF\n";
    return pdf;
}

namespace {
QByteArray stream(const QByteArray& data)
{
    return "<< /Length " + QByteArray::number(data.size()) + " >>\nstream\n" + data + "\nendstream";
}

QByteArray hex(unsigned value, int digits)
{
    return '<' + QByteArray::number(value, 16).rightJustified(digits, '0').toUpper() + '>';
}
} // namespace

QByteArray pageWithMappedText(const QByteArray& text, const std::vector<char16_t>& unicode)
{
    QByteArray cmap = "/CIDInit /ProcSet findresource begin 12 dict begin begincmap\n"
                      "/CIDSystemInfo << /Registry (Adobe) /Ordering (UCS) /Supplement 0 >> def\n"
                      "/CMapName /Adobe-Identity-UCS def /CMapType 2 def\n"
                      "1 begincodespacerange <00> <FF> endcodespacerange\n";
    cmap += QByteArray::number(qulonglong(text.size())) + " beginbfchar\n";
    for (qsizetype i = 0; i < text.size(); ++i)
        cmap += hex(uchar(text[i]), 2) + ' ' + hex(unicode[i], 4) + '\n';
    cmap += "endbfchar endcmap CMapName currentdict /CMap defineresource pop end end\n";
    QByteArray shown;
    for (char c : text)
        shown += '\\' + QByteArray::number(uchar(c), 8).rightJustified(3, '0');
    const QByteArray content = "BT /F1 24 Tf 72 700 Td (" + shown + ") Tj ET";
    return assemble({"<< /Type /Catalog /Pages 2 0 R >>", "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
                     "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] "
                     "/Resources << /Font << /F1 4 0 R >> >> /Contents 5 0 R >>",
                     "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica /ToUnicode 6 0 R >>",
                     stream(content), stream(cmap)});
}

bool writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.flush();
}

} // namespace TestDocuments
