#include "workbookstream.h"

#include "spreadsheet.h"
#include "workbook.h"
#include "worksheet.h"

#include <cassert>
#include <utility>

namespace {
// Compound documents of version 3 hold streams up to 2 GB.
constexpr uint64_t maxStreamSize = 0x80000000u;

void countTextCells(SpreadsheetSheet& sheet, size_t& narrow, size_t& wide) {
    for (uint32_t row = 0; row < sheet.rowCount(); ++row) {
        for (uint32_t column = 0; column < sheet.columnCount(); ++column) {
            const SpreadsheetCellType type = std::as_const(sheet).cellAt(row, column)->type();
            narrow += type == STRING;
            wide += type == WSTRING;
        }
    }
}
} // namespace

bool buildWorkbookStream(SpreadsheetFile& file, std::vector<uint8_t>& stream) {
    stream.clear();
    Workbook& globals = file.workbook();
    SharedStringTable& sharedStrings = globals.sharedStrings;
    sharedStrings.clear();

    size_t narrowCells = 0;
    size_t wideCells = 0;
    for (int i = 0; i < file.sheetCount(); ++i)
        countTextCells(*file.sheetAt(i), narrowCells, wideCells);
    sharedStrings.reserve(narrowCells, wideCells);

    std::vector<Worksheet> worksheets(static_cast<size_t>(file.sheetCount()));
    bool fits = true;
    for (size_t i = 0; i < worksheets.size() && fits; ++i)
        fits = worksheets[i].layOut(*file.sheetAt(static_cast<int>(i)), sharedStrings, i == 0);

    uint64_t size = fits && !sharedStrings.overflowed() ? globals.recordSize() : 0;
    for (size_t i = 0; i < worksheets.size() && fits; ++i) {
        globals.sheets[i].position = static_cast<uint32_t>(size);
        worksheets[i].placeAt(static_cast<uint32_t>(size));
        size += worksheets[i].recordSize();
        fits = size <= maxStreamSize;
    }
    if (!fits || sharedStrings.overflowed()) {
        sharedStrings.clear();
        return false;
    }

    stream.assign(size, 0);
    uint8_t* at = stream.data();
    at += globals.write(at);
    for (Worksheet& worksheet : worksheets)
        at += worksheet.write(at);
    assert(at == stream.data() + stream.size());
    // The table refers to the cells' texts; it is rebuilt at the next save.
    sharedStrings.clear();
    return true;
}
