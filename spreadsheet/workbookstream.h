#pragma once

// The "Workbook" stream of a document: the globals, then every sheet's worksheet records.

#include <cstdint>
#include <vector>

class SpreadsheetFile;

// Lays out every sheet, refills the shared string table, fixes the stream positions and
// writes the stream into `stream`. False when the document does not fit the file format
// (a text over 65535 characters, a stream over 2 GB); `stream` is then left empty.
bool buildWorkbookStream(SpreadsheetFile& file, std::vector<uint8_t>& stream);
