#pragma once

// The cells and sheets of a spreadsheet document, below its public interface (spreadsheet.h):
// a sheet is a grid of cells, each a number, a text or nothing, with its format and merge
// span. The layers that write a sheet's records take these types from here.

#include "spreadsheet/cellpool.h"

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace xls {

class CellText;
class Worksheet;
class SpreadsheetFile;

enum SpreadsheetCellType { EMPTY = 0, INTEGER = 1, REAL = 2, STRING = 3, WSTRING = 4, FORMULA_CELL = 5 };

class SpreadsheetCell {
public:
    SpreadsheetCellType type() const;

    void setIntValue(int32_t value);
    void setRealValue(double value);
    // A non-empty text makes the cell STRING (narrow) or WSTRING (wide); an empty one EMPTY.
    // False, with the cell left as it was, for a text of 2^29 characters or more: a cell
    // cannot count that many (and a file holds at most 65535 in one text).
    bool setNarrowText(const char* text);
    bool setText(const char16_t* text);
    bool setText(std::u16string_view text);
    // The same text as setText() of these code units: each byte one of U+0000 … U+00FF.
    bool setLatin1Text(std::string_view bytes);
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
    // Takes `text` (nullptr: refused) as the cell's text of type `type`.
    bool takeText(CellText* text, SpreadsheetCellType type);

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
    SpreadsheetCell* cellAt(uint32_t row, uint32_t column)
    {
        // Inline for a cell within the grid: most of a sheet filled row by row.
        if (row < rows_.size() && column < columnCount_)
            return &rows_[row][column];
        return growTo(row, column);
    }
    SpreadsheetCell* cellAt(uint32_t row, uint32_t column, uint16_t rowSpan, uint16_t columnSpan);
    // Never grows: nullptr outside the grid.
    const SpreadsheetCell* cellAt(uint32_t row, uint32_t column) const;

    uint32_t rowCount() const;
    uint32_t columnCount() const;
    bool clearCell(uint32_t row, uint32_t column);
    // Moves the rows of `other` below this sheet's last row, all rows then as wide as the wider
    // of the two; `other` is left empty and its column widths are not taken. False, with
    // nothing moved, when the rows would pass the last row a sheet holds.
    bool appendRows(SpreadsheetSheet& other);

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
    SpreadsheetCell* growTo(uint32_t row, uint32_t column);

    std::vector<SpreadsheetCellRow> rows_; // rowCount() rows of columnCount() cells
    uint32_t columnCount_ = 0;
    std::vector<ColumnWidth> columnWidths_;
};

} // namespace xls
