#pragma once

// The cells of a tab-separated UTF-8 table, walked in order for zq-tsv2xls. Each line is a row
// (lines end at LF; a CR before it is dropped; nothing after the last LF is a row), split at
// tabs into cells, every cell a text exactly as written.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

struct SheetLimits {
    size_t rows;
    size_t columns;
};
constexpr SheetLimits xlsLimits{65536, 256};
constexpr SheetLimits xlsxLimits{1048576, 16384};
constexpr size_t maxCellCharacters = 32767; // UTF-16 code units a spreadsheet cell holds

// One cell's text as written (UTF-8) and in UTF-16, valid during the call. An ASCII text (most
// are) is not converted: its bytes are its code units.
struct TableField {
    std::string_view utf8;
    bool ascii;
    std::u16string_view utf16; // empty for an ASCII text
};

// One cell: its place and its text. False stops the walk.
using CellSink = std::function<bool(uint32_t row, uint32_t column, const TableField& text)>;

// Walks a table given in parts, each a run of whole lines (the last part may end without a
// line end), counting rows across the parts.
class TableWalker {
public:
    TableWalker(SheetLimits limits, const CellSink& sink) : limits_(limits), sink_(sink) {}
    // An empty string on success, else why not (too many rows or columns, invalid UTF-8, a cell
    // too long, a cell the sink refused).
    std::string walk(std::string_view lines);

private:
    SheetLimits limits_;
    const CellSink& sink_;
    size_t row_ = 0;
    std::vector<char16_t> field_; // a cell's UTF-16, grown to the longest cell
};

// Walks the table's cells in order; an empty string on success, else why not.
std::string walkTable(std::string_view table, SheetLimits limits, const CellSink& sink);

// Reads the table from `fd` in large blocks and walks its cells as they come, so the file is
// never held whole; an empty string on success, else why not. A read that fails sets
// `readError` to its errno (and the string to its message).
std::string walkTableFile(int fd, SheetLimits limits, const CellSink& sink, int& readError);
// The same for the bytes from `begin` to `end` of a regular file, read at their offsets (the
// file's position stays where it is); rows count from 0 at `begin`.
std::string walkTableFileRange(int fd, uint64_t begin, uint64_t end, SheetLimits limits, const CellSink& sink,
                               int& readError);

// Writes the table as an .xlsx workbook at `output`; an empty string on success, else why not
// (nothing is then left at `output`).
std::string writeTableAsXlsx(std::string_view table, const std::string& output);
