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

#include "spreadsheet/sheetgrid.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace xls {

class CompoundDocument;
class Workbook;

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
    std::vector<const SpreadsheetSheet*> sheetList() const;

    std::unique_ptr<Workbook> workbook_;
    std::vector<std::unique_ptr<SpreadsheetSheet>> sheets_;
    int saveError_ = 0;
};

} // namespace xls
