#pragma once

// The check behind the spreadsheet fuzz target, shared with the spreadsheet tests that replay
// kept inputs. The bytes drive the spreadsheet interface (sheets, cells of every kind, merges,
// column widths), the document is saved to `path`, the file is checked as a compound document
// and its "Workbook" stream read back by BiffReader, and every cell is compared with what was
// set. Returns what went wrong, or an empty string.

#include <cstddef>
#include <cstdint>
#include <string>

namespace FuzzChecks {

std::string checkSpreadsheet(const uint8_t* data, size_t size, const std::string& path);

} // namespace FuzzChecks
