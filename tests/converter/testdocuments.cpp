#include "testdocuments.h"

#include "pdfassembler.h"

#include <QFile>

namespace TestDocuments {

namespace {
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
    return assemblePdf({"<< /Type /Catalog /Pages 2 0 R >>", "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
                        "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] "
                        "/Resources << /Font << /F1 4 0 R >> >> /Contents 5 0 R >>",
                        "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica /ToUnicode 6 0 R >>",
                        pdfStream(content), pdfStream(cmap)});
}

bool writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.flush();
}

} // namespace TestDocuments
