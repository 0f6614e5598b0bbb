#pragma once

// The spreadsheet interface: a document of sheets, each a grid of cells, saved as an
// Excel 97 (.xls) file. Texts are zero-terminated: narrow texts as bytes, wide texts as
// UTF-16 code units. No exceptions cross this interface; failures are bool or nullptr.
// The file stores a narrow text one byte per character, so readers see its bytes as the
// characters U+0000 … U+00FF; any other text belongs in a wide text.
//
//   SpreadsheetFile file;
//   file.createSheets(1);
//   file.sheetAt(0)->cellAt(0, 0)->setText(u"Total");
//   bool ok = file.saveAs(u"/tmp/report.xls");

#include "spreadsheet/cellpool.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class CellText;
class CompoundDocument;
class Workbook;
class Worksheet;
class SpreadsheetFile;

enum SpreadsheetCellType { EMPTY = 0, INTEGER = 1, REAL = 2, STRING = 3, WSTRING = 4, FORMULA_CELL = 5 };

class SpreadsheetCell {
public:
    SpreadsheetCellType type() const;

    void setIntValue(int32_t value);
    void setRealValue(double value);
    // A non-empty text makes the cell STRING (narrow) or WSTRING (wide); an empty one EMPTY.
    void setNarrowText(const char* text);
    void setText(const char16_t* text);
    void setText(std::u16string_view text);
    void clear();

    bool intValue(int32_t& out) const; // INTEGER, or REAL truncated toward zero
    int32_t intValue() const;          // 0 when the bool form fails
    bool realValue(double& out) const; // REAL, or INTEGER converted
    double realValue() const;

    // Characters without the terminator; STRING or WSTRING only (a failed assertion else).
    size_t textLength() const;
    void narrowText(char* buffer) const; // STRING only; copies with the terminator
    void text(char16_t* buffer) const;   // WSTRING only; copies with the terminator

    void setMergeSpan(uint16_t rows, uint16_t columns);
    uint16_t mergeRows() const;
    uint16_t mergeColumns() const;
    void setXfIndex(uint16_t index);
    uint16_t xfIndex() const;

    SpreadsheetCell() = default;
    ~SpreadsheetCell();
    SpreadsheetCell(const SpreadsheetCell& other);
    SpreadsheetCell& operator=(const SpreadsheetCell& other);
    SpreadsheetCell(SpreadsheetCell&& other) noexcept;
    SpreadsheetCell& operator=(SpreadsheetCell&& other) noexcept;

private:
    friend class Worksheet;

    bool hasText() const { return type_ == STRING || type_ == WSTRING; }
    void releaseText();

    // 16 bytes a cell: the number or the text lives in one word, chosen by type_.
    union Value {
        int32_t integer;
        double real;
        CellText* text;
    };
    Value value_{};
    uint16_t xf_ = 0;
    uint16_t mergeRows_ = 1;
    uint16_t mergeColumns_ = 1;
    uint8_t type_ = EMPTY;
};

// A sheet's row of cells, from the cell pool: a full sheet has 65536 of them.
using SpreadsheetCellRow = std::vector<SpreadsheetCell, CellPoolAllocator<SpreadsheetCell>>;

class SpreadsheetSheet {
public:
    // Grows the grid to cover (row, column); nullptr when row > 65535 or column > 255.
    // The cell stays valid until the grid grows again.
    SpreadsheetCell* cellAt(uint32_t row, uint32_t column);
    SpreadsheetCell* cellAt(uint32_t row, uint32_t column, uint16_t rowSpan, uint16_t columnSpan);
    // Never grows: nullptr outside the grid.
    const SpreadsheetCell* cellAt(uint32_t row, uint32_t column) const;

    uint32_t rowCount() const;
    uint32_t columnCount() const;
    bool clearCell(uint32_t row, uint32_t column);

    // Setting a column's width again replaces the earlier width. Columns past 255 are ignored.
    void setColumnWidth(uint16_t column, uint16_t width); // 1/256 of a character
    uint16_t columnWidth(uint16_t column) const;

    struct ColumnWidth {
        uint16_t column;
        uint16_t width;
    };
    const std::vector<ColumnWidth>& columnWidths() const { return columnWidths_; }

private:
    friend class SpreadsheetFile;
    friend class Worksheet;
    SpreadsheetSheet() = default;

    std::vector<SpreadsheetCellRow> rows_; // rowCount() rows of columnCount() cells
    uint32_t columnCount_ = 0;
    std::vector<ColumnWidth> columnWidths_;
};

class SpreadsheetFile {
public:
    SpreadsheetFile();
    ~SpreadsheetFile();
    SpreadsheetFile(const SpreadsheetFile&) = delete;
    SpreadsheetFile& operator=(const SpreadsheetFile&) = delete;

    // A new workbook with `sheetCount` sheets (at least one): "Sheet1", "Sheet2" …
    void createSheets(int sheetCount);
    // nullptr when a sheet of that name exists. index -1 appends.
    SpreadsheetSheet* addSheet(const char* name, int index = -1);
    // Named "Sheet%d", numbered from the sheet count + 1 past any clash.
    SpreadsheetSheet* addSheet(int index = -1);
    SpreadsheetSheet* sheetAt(int index);
    SpreadsheetSheet* sheetNamed(const char* name);
    SpreadsheetSheet* sheetNamed(const char16_t* name);
    int sheetCount() const;

    // Writes the whole document; false when the file could not be written completely (an
    // existing file of that name is then left as it was). The wide path is opened by exactly
    // its characters (UTF-8 on Linux); the narrow one is taken as the locale's bytes.
    bool saveAs(const char* path);
    bool saveAs(const char16_t* path);
    // The bytes saveAs() would write, into `image` instead of a file.
    bool saveToMemory(std::vector<uint8_t>& image);
    // Why the last saveAs() failed, as an errno value (ENOSPC: the disk is full); 0 after a
    // success or a failure that no file caused (the document does not fit the file format).
    int saveError() const { return saveError_; }

    Workbook& workbook();

private:
    // Builds the "Workbook" stream and writes it into the open `document`: whole, or, for a
    // file, record by record as the file is written.
    bool writeWorkbook(CompoundDocument& document, bool streamed);

    std::unique_ptr<Workbook> workbook_;
    std::vector<std::unique_ptr<SpreadsheetSheet>> sheets_;
    int saveError_ = 0;
};
