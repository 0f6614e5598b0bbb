#pragma once

// Helpers of the spreadsheet writer's tests: expected bytes written as hex, the records of a
// stream, the stream a document saves, and cells read back by xlrd.

#include "spreadsheetreadback.h"

#include <gtest/gtest.h>

#include <QString>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace xls {
class SpreadsheetFile;
class SpreadsheetSheet;
} // namespace xls

namespace BiffTest {

using Bytes = std::vector<uint8_t>;

// "0A 00 00 00" → the four bytes; spaces and line breaks are ignored.
Bytes hex(std::string_view text);
// Equal, or a message naming the first differing offset with the bytes around it.
::testing::AssertionResult sameBytes(const Bytes& actual, const Bytes& expected);
Bytes concat(std::initializer_list<Bytes> parts);

// One record as it stands in the stream (CONTINUE records are records of their own here).
struct RawRecord {
    uint16_t code;
    Bytes body;
    size_t offset; // of its header in the stream
    size_t size() const { return body.size() + 4; }
    Bytes bytes() const; // header and body
};
std::vector<RawRecord> splitRecords(const Bytes& stream);
std::vector<uint16_t> codesOf(const std::vector<RawRecord>& records);
uint16_t u16At(const Bytes& bytes, size_t offset);
uint32_t u32At(const Bytes& bytes, size_t offset);

// The "Workbook" stream the document would save.
Bytes workbookStream(xls::SpreadsheetFile& file);

// Cells of a file as xlrd reads them.
::testing::AssertionResult readWithXlrd(const QString& path, QVector<ReadSheet>& sheets);
// Every cell of `sheet` against xlrd's reading of it: texts exactly, numbers by value,
// empty cells as blanks.
::testing::AssertionResult sameCells(const xls::SpreadsheetSheet& sheet, const ReadSheet& read);
// Both of the above for every sheet of a saved document, names included.
::testing::AssertionResult readsBackEqual(xls::SpreadsheetFile& file, const QString& path);

} // namespace BiffTest
