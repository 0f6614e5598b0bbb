#pragma once

// A small, independent reader of the "Workbook" stream the spreadsheet writer makes: the
// records (CONTINUE bodies gathered), the globals (sheet names and BOF positions, the shared
// strings split across CONTINUE records), and each worksheet's cells, column widths and merged
// ranges. It reads what the writer writes and reports anything else as an error; it is no
// general .xls reader.

#include <array>
#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace BiffReader {

struct Cell {
    enum Kind { Blank, Number, Text };
    Kind kind = Blank;
    uint16_t xf = 0;
    double number = 0; // from a NUMBER, or decoded from an RK value
    bool fromRk = false;
    std::u16string text;   // a narrow string's bytes as the characters U+0000 … U+00FF
    bool wideText = false; // the string's characters are stored as UTF-16
};

struct Sheet {
    std::string name;
    uint32_t rowEnd = 0;                                     // DIMENSIONS: last used row + 1
    uint16_t columnEnd = 0;                                  // DIMENSIONS: last used column + 1
    std::map<std::pair<uint16_t, uint16_t>, Cell> cells;     // by (row, column)
    std::vector<std::pair<uint16_t, uint16_t>> columnWidths; // COLINFO (column, width) in order
    std::vector<std::array<uint16_t, 4>> mergedRanges;       // first row, last row, first col, last col
};

struct Workbook {
    std::vector<Sheet> sheets;
    uint32_t textCellCount = 0;                                 // the SST's total count
    std::vector<std::pair<std::u16string, bool>> sharedStrings; // text, stored as UTF-16
    std::string error; // the first problem found; empty when the stream reads cleanly
};

Workbook read(const std::vector<uint8_t>& stream);

// The number an RK value stands for.
double rkNumber(uint32_t rk);

} // namespace BiffReader
