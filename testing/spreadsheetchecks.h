#pragma once

// The check behind the spreadsheet fuzz target, shared with the spreadsheet tests that replay
// kept inputs. The bytes drive the spreadsheet interface (sheets, cells of every kind, merges,
// column widths), the document is saved (to a file or into memory), the image is checked as a
// compound document and its "Workbook" stream read back by BiffReader, and every cell is
// compared with what was set. Returns what went wrong, or an empty string.

#include <cstddef>
#include <cstdint>
#include <string>

namespace FuzzChecks {

// How large one input's document may grow, and where it is saved. The fuzz target keeps
// documents small and in memory so that it runs fast; the tests replay kept inputs with the
// large limits through a real file.
struct SpreadsheetCheck {
    uint64_t maxCells = 1 << 17;     // across all sheets
    uint64_t maxTextUnits = 1 << 20; // UTF-16 code units of all long texts together
    std::string path;                // the file to save; empty: saved into memory
};

std::string checkSpreadsheet(const uint8_t* data, size_t size, const SpreadsheetCheck& check);

} // namespace FuzzChecks
