#include "exporttestsupport.h"

#include "spreadsheetreadback.h"

#include <QFile>

#include <algorithm>
#include <random>

PageGrid grid(const CellRows& rows)
{
    PageGrid page;
    page.rows = int(rows.size());
    page.columns = rows.isEmpty() ? 1 : int(rows.first().size());
    for (const QStringList& row : rows)
        page.cells += row;
    return page;
}

PageGrid grid(std::initializer_list<QStringList> rows)
{
    return grid(CellRows(rows));
}

QVector<QVector<PageGrid>> documentsWithoutQuotes(int count)
{
    const QStringList pieces = {QString(),
                                QStringLiteral("a "),
                                QStringLiteral("12,5 "),
                                QStringLiteral(", "),
                                QStringLiteral("x,y "),
                                QStringLiteral("Grüße "),
                                QStringLiteral("中文 "),
                                QStringLiteral("😀 "),
                                QStringLiteral("  "),
                                QStringLiteral("a,,b,c ")};
    std::mt19937 random(7);
    auto below = [&random](int bound) { return int(random() % unsigned(bound)); };
    QVector<QVector<PageGrid>> documents;
    for (int d = 0; d < count; ++d) {
        QVector<PageGrid> pages;
        const int pageCount = below(5);
        for (int p = 0; p < pageCount; ++p) {
            CellRows rows(below(4));
            const int columns = 1 + below(5);
            for (QStringList& row : rows)
                for (int c = 0; c < columns; ++c)
                    row += pieces[below(pieces.size())];
            pages += grid(rows);
            if (rows.isEmpty())
                pages.last().columns = columns; // a table over a blank area keeps its columns
        }
        documents += pages;
    }
    return documents;
}
QByteArray utf16leWithBom(const QString& text)
{
    QByteArray bytes("\xFF\xFE", 2);
    for (QChar unit : text) {
        bytes.append(char(unit.unicode() & 0xFF));
        bytes.append(char(unit.unicode() >> 8));
    }
    return bytes;
}

QString firstDifference(const QByteArray& actual, const QByteArray& expected)
{
    const qsizetype common = std::min(actual.size(), expected.size());
    qsizetype offset = 0;
    while (offset < common && actual[offset] == expected[offset])
        ++offset;
    if (offset == common && actual.size() == expected.size())
        return {};
    const qsizetype from = std::max<qsizetype>(0, offset - 4);
    return QStringLiteral("first difference at offset %1 (sizes %2 and %3): actual %4 … expected %5 …")
        .arg(offset)
        .arg(actual.size())
        .arg(expected.size())
        .arg(QString::fromLatin1(actual.mid(from, 12).toHex(' ')))
        .arg(QString::fromLatin1(expected.mid(from, 12).toHex(' ')));
}

namespace TextLayout {
QString documentText(const QVector<PageGrid>& pages)
{
    QStringList texts;
    for (const PageGrid& page : pages)
        texts += page.gridText();
    return texts.join(u'\n');
}

QByteArray csvBytes(const QString& documentText)
{
    QString text = documentText;
    return utf16leWithBom(text.replace(QStringLiteral("\",\""), QStringLiteral("\"\t\"")));
}

CellRows sheetCells(const QString& documentText)
{
    const QString separator = QStringLiteral("\",\"");
    const QStringList lines = documentText.split(u'\n', Qt::KeepEmptyParts);
    qsizetype maxColumns = 1;
    for (const QString& line : lines)
        if (!line.isEmpty())
            maxColumns = std::max(maxColumns, line.split(separator, Qt::KeepEmptyParts).size());

    CellRows rows;
    for (const QString& line : lines) {
        const QStringList fields = line.split(separator, Qt::KeepEmptyParts);
        QStringList row;
        for (qsizetype column = 0; column < maxColumns; ++column) {
            QString text;
            if (column < fields.size()) {
                text = fields[column];
                if (column == 0)
                    text.remove(0, 1);
                if (column == fields.size() - 1)
                    text.chop(1);
            }
            row += text;
        }
        rows += row;
    }
    return rows;
}
} // namespace TextLayout

QByteArray readFileBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeFileBytes(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    if (file.open(QIODevice::WriteOnly))
        file.write(bytes);
}

QVector<SheetReadback> readSpreadsheet(const QString& path, QString* error, int fullFrom)
{
    const SpreadsheetReadback read = readBackSpreadsheet(path, fullFrom);
    *error = read.error;
    QVector<SheetReadback> sheets;
    for (const ReadSheet& sheet : read.sheets)
        sheets += SheetReadback{sheet.name, sheet.shownRows(), {sheet.rows, sheet.columns}};
    return sheets;
}
