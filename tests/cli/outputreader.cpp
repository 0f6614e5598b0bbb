#include "outputreader.h"

#include "spreadsheetreadback.h"

#include <QFile>
#include <QRegularExpression>

#include <algorithm>

namespace {

// Splits the lines of the document into pages: every empty line ends a page, and so does
// the end of the text (the part after the last line feed).
QVector<QStringList> pagesOfLines(const QStringList& lines)
{
    QVector<QStringList> pages(1);
    for (const QString& line : lines) {
        if (line.isEmpty())
            pages.append(QStringList());
        else
            pages.last().append(line);
    }
    pages.removeLast();
    return pages;
}

bool parseCsvRow(const QString& line, QStringList* fields)
{
    int i = 0;
    while (true) {
        if (i >= line.size() || line[i] != '"')
            return false;
        ++i;
        QString field;
        while (true) {
            if (i >= line.size())
                return false;
            if (line[i] == '"') {
                if (i + 1 < line.size() && line[i + 1] == '"') {
                    field += '"';
                    i += 2;
                    continue;
                }
                ++i;
                break;
            }
            field += line[i++];
        }
        fields->append(field);
        if (i == line.size())
            return true;
        if (line[i] != '\t')
            return false;
        ++i;
    }
}

} // namespace

bool readCsvPages(const QString& path, QVector<Rows>* pages, QString* error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = file.errorString();
        return false;
    }
    const QByteArray bytes = file.readAll();
    if (!bytes.startsWith("\xFF\xFE") || bytes.size() % 2 != 0) {
        *error = "no UTF-16LE byte order mark";
        return false;
    }
    const QString text =
        QString::fromUtf16(reinterpret_cast<const char16_t*>(bytes.constData() + 2), (bytes.size() - 2) / 2);
    if (text.contains('\r')) {
        *error = "carriage return in the file";
        return false;
    }
    pages->clear();
    for (const QStringList& lines : pagesOfLines(text.split('\n'))) {
        Rows rows;
        for (const QString& line : lines) {
            QStringList fields;
            if (!parseCsvRow(line, &fields)) {
                *error = "malformed row: " + line;
                return false;
            }
            rows.append(fields);
        }
        pages->append(rows);
    }
    return true;
}

bool readXlsPages(const QString& path, QVector<Rows>* pages, QString* error)
{
    const SpreadsheetReadback read = readBackSpreadsheet(path);
    if (!read.error.isEmpty()) {
        *error = read.error;
        return false;
    }
    // A row whose cells are all empty separates pages, as the empty line of the CSV does.
    pages->clear();
    Rows current;
    for (const ReadSheet& sheet : read.sheets)
        for (const QStringList& row : sheet.shownRows()) {
            if (std::all_of(row.begin(), row.end(), [](const QString& cell) { return cell.isEmpty(); })) {
                pages->append(current);
                current.clear();
            } else {
                current.append(row);
            }
        }
    if (!current.isEmpty()) {
        *error = "the last row is not the closing empty row";
        return false;
    }
    return true;
}

QString normalizedCell(const QString& cell)
{
    static const QRegularExpression space(QStringLiteral("\\s+"));
    return cell.trimmed().replace(space, QStringLiteral(" "));
}

Rows normalized(const Rows& rows)
{
    Rows out;
    for (const QStringList& row : rows) {
        QStringList cells;
        for (const QString& cell : row)
            cells.append(normalizedCell(cell));
        out.append(cells);
    }
    return out;
}
