#include "export/spreadsheetexport.h"

#include "export/documentrows.h"
#include "export/filesaving.h"
#include "export/writtennumber.h"
#include "spreadsheet/formatmanager.h"
#include "spreadsheet/spreadsheet.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QHash>

#include <cstring>
#include <optional>
#include <string_view>

namespace {
QString tr(const char* text)
{
    return QCoreApplication::translate("TableExport", text);
}

std::u16string_view utf16View(const QString& text)
{
    return {reinterpret_cast<const char16_t*>(text.utf16()), std::size_t(text.size())};
}

xls::FontSpec boldArial()
{
    xls::FontSpec font;
    font.name = u"Arial";
    font.height = 200;
    font.weight = 700;
    return font;
}
} // namespace

QString spreadsheetLimitError(const DocumentRows& rows, int maxColumns)
{
    if (rows.columnCount() > maxColumns)
        return tr("The tables have %1 columns, but an Excel file holds at most %2 columns. "
                  "Nothing was written; save them as a CSV file instead.")
            .arg(rows.columnCount())
            .arg(maxColumns);

    // Every page ends with one empty row and grid rows are never empty, so counting the
    // empty rows tells the page a row belongs to.
    int page = 1;
    int pageRow = 0;
    for (int index = 0; index < rows.rowCount(); ++index) {
        const auto cells = rows.row(index);
        if (cells.empty()) {
            ++page;
            pageRow = 0;
            continue;
        }
        ++pageRow;
        for (std::size_t column = 0; column < cells.size(); ++column) {
            if (cells[column].size() > SpreadsheetLimits::cellCharacters)
                return tr("The cell in row %1, column %2 of page %3 holds %4 characters, but an Excel "
                          "cell holds at most %5. Nothing was written; save the tables as a CSV file "
                          "instead.")
                    .arg(pageRow)
                    .arg(column + 1)
                    .arg(page)
                    .arg(cells[column].size())
                    .arg(SpreadsheetLimits::cellCharacters);
        }
    }
    return {};
}

bool fillSpreadsheet(xls::SpreadsheetFile& file, const DocumentRows& rows, const ExportOptions& options)
{
    file.createSheets(1);
    xls::SpreadsheetSheet* sheet = file.sheetAt(0);
    xls::FormatManager formats(file);
    formats.findOrAddFont(boldArial());
    const bool numbers = options.numbersAsNumbers;
    const DecimalMark mark = numbers ? documentDecimalMark(rows) : DecimalMark::Point;
    QHash<QString, uint16_t> xfByFormat;
    auto numberXf = [&](const QString& format) {
        const auto known = xfByFormat.constFind(format);
        if (known != xfByFormat.cend())
            return *known;
        xls::CellStyle style;
        style.formatIndex = formats.findOrAddFormat(format.toStdU16String());
        style.usedAttributes = 0x04; // the number format is the cell's own
        return *xfByFormat.insert(format, formats.findOrAddXf(style));
    };

    const int columns = rows.columnCount();
    for (int index = 0; index < rows.rowCount(); ++index) {
        const int sheetRow = index % SpreadsheetLimits::rowsPerSheet;
        if (index > 0 && sheetRow == 0)
            sheet = file.addSheet();
        if (!sheet)
            return false;
        const auto cells = rows.row(index);
        for (int column = 0; column < columns; ++column) {
            xls::SpreadsheetCell* cell = sheet->cellAt(sheetRow, column);
            if (!cell)
                return false;
            const QString* text = std::size_t(column) < cells.size() ? &cells[column] : nullptr;
            if (const auto number = text && numbers ? readWrittenNumber(*text, mark) : std::nullopt) {
                cell->setRealValue(number->value);
                cell->setXfIndex(numberXf(number->format));
                continue;
            }
            // Every cell of the row gets its text, padding cells an empty one.
            cell->setText(text ? utf16View(*text) : std::u16string_view(u""));
        }
    }
    return true;
}

SaveResult writeSpreadsheetFile(const QString& fileName, const QVector<PageGrid>& pages,
                                const ExportOptions& options)
{
    const DocumentRows rows(pages);
    const QString limitError = spreadsheetLimitError(rows);
    if (!limitError.isEmpty())
        return SaveResult{false, limitError};

    // Building a large workbook is wasted when the file cannot be written anyway.
    const QString obstacle = writeObstacle(fileName);
    if (!obstacle.isEmpty())
        return SaveResult{false, obstacle};

    xls::SpreadsheetFile file;
    if (!fillSpreadsheet(file, rows, options))
        return SaveResult{false, tr("The tables could not be laid out in the Excel file.")};
    // A pipe or a device gets the finished bytes, written without waiting for a reader that
    // never comes.
    const QFileInfo target(fileName);
    if (target.exists() && !target.isFile()) {
        std::vector<uint8_t> image;
        if (!file.saveToMemory(image))
            return SaveResult{false, tr("The tables could not be laid out in the Excel file.")};
        return writeFileSafely(
            fileName,
            QByteArray::fromRawData(reinterpret_cast<const char*>(image.data()), qsizetype(image.size())),
            options.interrupted);
    }
    // The wide path keeps every character of the name, whatever the locale's code page.
    if (!file.saveAs(reinterpret_cast<const char16_t*>(fileName.utf16()))) {
        // The system's reason ("File name too long", "No space left on device").
        const int error = file.saveError();
        return SaveResult{
            false,
            describeWriteFailure(fileName, error ? QString::fromLocal8Bit(std::strerror(error)) : QString())};
    }
    return SaveResult{true, {}};
}
