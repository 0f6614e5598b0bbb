#pragma once

// The checks behind the page-text and grid fuzz targets, shared with the extraction tests that
// replay kept inputs. Each takes any bytes and returns what went wrong, or an empty string.

#include <cstddef>
#include <cstdint>
#include <string>

namespace FuzzChecks {

// Bytes as a fetched page text file. Inputs starting with byte 0x01 instead describe a page in
// the converter's own span format (boxes and texts from the bytes that follow), which must
// parse back to exactly those boxes and texts.
std::string checkPageText(const uint8_t* data, size_t size);

// Runs, a table rectangle, column lines and a zoom from the bytes, through grid building; the
// grid is compared with one worked out directly from the rules of rows and columns.
std::string checkGrid(const uint8_t* data, size_t size);

} // namespace FuzzChecks
