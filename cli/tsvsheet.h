#pragma once

// Reads a tab-separated UTF-8 table file into the first sheet of a workbook for zq-tsv2xls.
// A large regular file is read as two halves at once, each on a thread of its own into a
// sheet of its own, and the second half's rows then go below the first's. When either half
// finds a problem the whole file is read again in one pass, so that the problem (and its line
// number) is reported exactly as reading the file in order finds it.

#include <string>

namespace xls {
class SpreadsheetFile;
} // namespace xls

// Makes `file` a workbook of one sheet holding the table. An empty string on success, else
// why not; a read that fails sets `readError` to its errno.
std::string readTableIntoWorkbook(int fd, xls::SpreadsheetFile& file, int& readError);
