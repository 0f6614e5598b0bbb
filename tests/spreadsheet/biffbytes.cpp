#include "biffbytes.h"

#include "spreadsheet/spreadsheet.h"
#include "spreadsheet/workbook.h"
#include "spreadsheet/workbookstream.h"
#include "testsupport.h"

#include <cstdio>

using namespace xls;

namespace BiffTest {

Bytes hex(std::string_view text)
{
    Bytes bytes;
    int pending = -1;
    for (const char c : text) {
        int value;
        if (c >= '0' && c <= '9')
            value = c - '0';
        else if (c >= 'a' && c <= 'f')
            value = c - 'a' + 10;
        else if (c >= 'A' && c <= 'F')
            value = c - 'A' + 10;
        else
            continue;
        if (pending < 0) {
            pending = value;
        } else {
            bytes.push_back(static_cast<uint8_t>(pending * 16 + value));
            pending = -1;
        }
    }
    return bytes;
}

namespace {
std::string hexAround(const Bytes& bytes, size_t at)
{
    std::string text;
    const size_t from = at >= 8 ? at - 8 : 0;
    for (size_t i = from; i < std::min(bytes.size(), at + 8); ++i) {
        char cell[8];
        std::snprintf(cell, sizeof cell, i == at ? "[%02X] " : "%02X ", bytes[i]);
        text += cell;
    }
    return text;
}
} // namespace

::testing::AssertionResult sameBytes(const Bytes& actual, const Bytes& expected)
{
    const size_t common = std::min(actual.size(), expected.size());
    for (size_t i = 0; i < common; ++i) {
        if (actual[i] != expected[i])
            return ::testing::AssertionFailure()
                   << "first difference at offset " << i << "\n  actual:   " << hexAround(actual, i)
                   << "\n  expected: " << hexAround(expected, i);
    }
    if (actual.size() != expected.size())
        return ::testing::AssertionFailure() << "sizes differ: actual " << actual.size() << ", expected "
                                             << expected.size() << " (equal up to " << common << ")";
    return ::testing::AssertionSuccess();
}

Bytes concat(std::initializer_list<Bytes> parts)
{
    Bytes all;
    for (const Bytes& part : parts)
        all.insert(all.end(), part.begin(), part.end());
    return all;
}

Bytes RawRecord::bytes() const
{
    Bytes all(4 + body.size());
    all[0] = static_cast<uint8_t>(code);
    all[1] = static_cast<uint8_t>(code >> 8);
    all[2] = static_cast<uint8_t>(body.size());
    all[3] = static_cast<uint8_t>(body.size() >> 8);
    std::copy(body.begin(), body.end(), all.begin() + 4);
    return all;
}

uint16_t u16At(const Bytes& bytes, size_t offset)
{
    return static_cast<uint16_t>(bytes.at(offset) | (bytes.at(offset + 1) << 8));
}

uint32_t u32At(const Bytes& bytes, size_t offset)
{
    return u16At(bytes, offset) | (uint32_t(u16At(bytes, offset + 2)) << 16);
}

std::vector<RawRecord> splitRecords(const Bytes& stream)
{
    std::vector<RawRecord> records;
    size_t at = 0;
    while (at + 4 <= stream.size()) {
        const uint16_t length = u16At(stream, at + 2);
        if (at + 4 + length > stream.size()) {
            ADD_FAILURE() << "record at " << at << " runs past the stream's end";
            break;
        }
        records.push_back(
            {u16At(stream, at), Bytes(stream.begin() + at + 4, stream.begin() + at + 4 + length), at});
        at += 4 + length;
    }
    if (at != stream.size())
        ADD_FAILURE() << "stream ends inside a record header at " << at;
    return records;
}

std::vector<uint16_t> codesOf(const std::vector<RawRecord>& records)
{
    std::vector<uint16_t> codes;
    for (const RawRecord& record : records)
        codes.push_back(record.code);
    return codes;
}

Bytes workbookStream(SpreadsheetFile& file)
{
    StreamBuffer stream;
    SheetList sheets;
    for (int i = 0; i < file.sheetCount(); ++i)
        sheets.push_back(file.sheetAt(i));
    EXPECT_TRUE(buildWorkbookStream(file.workbook(), sheets, stream));
    return Bytes(stream.data(), stream.data() + stream.size());
}

::testing::AssertionResult readWithXlrd(const QString& path, QVector<ReadSheet>& sheets)
{
    SpreadsheetReadback read = readBackSpreadsheet(path);
    if (!read.error.isEmpty())
        return ::testing::AssertionFailure() << read.error.toStdString();
    sheets = std::move(read.sheets);
    return ::testing::AssertionSuccess();
}

namespace {

QString textOf(const SpreadsheetCell& cell)
{
    if (cell.type() == WSTRING) {
        std::vector<char16_t> buffer(cell.textLength() + 1);
        cell.text(buffer.data());
        return QString::fromUtf16(buffer.data(), qsizetype(cell.textLength()));
    }
    std::vector<char> buffer(cell.textLength() + 1);
    cell.narrowText(buffer.data());
    return QString::fromLatin1(buffer.data(), qsizetype(cell.textLength()));
}
} // namespace

::testing::AssertionResult sameCells(const SpreadsheetSheet& sheet, const ReadSheet& read)
{
    if (read.rows != int(sheet.rowCount()) || read.columns != int(sheet.columnCount()))
        return ::testing::AssertionFailure()
               << "xlrd sees " << read.rows << " x " << read.columns << " cells, the sheet has "
               << sheet.rowCount() << " x " << sheet.columnCount();
    for (uint32_t row = 0; row < sheet.rowCount(); ++row) {
        for (uint32_t column = 0; column < sheet.columnCount(); ++column) {
            const SpreadsheetCell& cell = *sheet.cellAt(row, column);
            const ReadCell seen = read.cells.value(int(row)).value(int(column));
            auto failure = [&]() {
                return ::testing::AssertionFailure() << "cell (" << row << ", " << column << "): xlrd reads "
                                                     << seen.shown().toStdString() << "; ";
            };
            switch (cell.type()) {
            case STRING:
            case WSTRING:
                if (seen.type != u"text" || seen.value.toString() != textOf(cell))
                    return failure() << "expected text " << textOf(cell).toStdString();
                break;
            case INTEGER:
            case REAL:
                if (seen.type != u"number" || seen.value.toDouble() != cell.realValue())
                    return failure() << "expected number " << cell.realValue();
                break;
            default:
                if (seen.type != u"blank")
                    return failure() << "expected a blank";
            }
        }
    }
    return ::testing::AssertionSuccess();
}

::testing::AssertionResult readsBackEqual(SpreadsheetFile& file, const QString& path)
{
    QVector<ReadSheet> sheets;
    if (auto read = readWithXlrd(path, sheets); !read)
        return read;
    if (int(sheets.size()) != file.sheetCount())
        return ::testing::AssertionFailure()
               << "xlrd sees " << sheets.size() << " sheets, the document has " << file.sheetCount();
    for (int i = 0; i < file.sheetCount(); ++i) {
        const QString name = QString::fromStdU16String(file.workbook().sheets[i].name.toWide());
        if (sheets[i].name != name)
            return ::testing::AssertionFailure()
                   << "sheet " << i << " is named " << sheets[i].name.toStdString();
        if (auto same = sameCells(*file.sheetAt(i), sheets[i]); !same)
            return same << " (sheet " << i << ")";
    }
    return ::testing::AssertionSuccess();
}

} // namespace BiffTest
