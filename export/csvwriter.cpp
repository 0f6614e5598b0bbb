#include "export/csvwriter.h"

#include "export/documentrows.h"

#include <QString>

namespace {
void appendRow(QString& text, std::span<const QString> cells)
{
    text += u'"';
    for (std::size_t column = 0; column < cells.size(); ++column) {
        if (column > 0)
            text += u"\"\t\"";
        QString cell = cells[column];
        text += cell.replace(QChar(u'"'), QStringLiteral("\"\""));
    }
    text += u"\"\n";
}
} // namespace

QByteArray csvFileBytes(const QVector<PageGrid>& pages)
{
    // The file's lines are the document's rows except the empty row that closes the
    // document: each page's rows end with a line feed, pages are joined by one more.
    const DocumentRows rows(pages);
    QString text;
    for (int index = 0; index + 1 < rows.rowCount(); ++index) {
        if (rows.row(index).empty())
            text += u'\n';
        else
            appendRow(text, rows.row(index));
    }

    QByteArray bytes("\xFF\xFE", 2);
    bytes.reserve(2 + text.size() * 2);
    for (const QChar unit : std::as_const(text)) {
        const char16_t code = unit.unicode();
        bytes.append(char(code & 0xFF));
        bytes.append(char(code >> 8));
    }
    return bytes;
}
