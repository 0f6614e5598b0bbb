// Worksheet records: the bytes each kind of cell becomes, row blocks with INDEX and DBCELL,
// window and merged ranges, and the globals in front of them.
#include "biffbytes.h"
#include "spreadsheet/spreadsheet.h"
#include "spreadsheet/workbook.h"

#include <gtest/gtest.h>

#include <cstring>
#include <limits>

using namespace xls;

using namespace BiffTest;

namespace {
// Where the globals end: just after their EOF record.
size_t globalsEnd(const Bytes& stream)
{
    for (const RawRecord& record : splitRecords(stream))
        if (record.code == 0x000A)
            return record.offset + 4;
    return 0;
}

// The records of sheet `index`: from its BOUNDSHEET position to its EOF.
std::vector<RawRecord> sheetRecords(const Bytes& stream, size_t index)
{
    const std::vector<RawRecord> all = splitRecords(stream);
    std::vector<uint32_t> starts;
    for (const RawRecord& record : all)
        if (record.code == 0x0085)
            starts.push_back(u32At(record.body, 0));
    std::vector<RawRecord> sheet;
    if (index >= starts.size()) {
        ADD_FAILURE() << "no sheet " << index;
        return sheet;
    }
    bool inside = false;
    for (const RawRecord& record : all) {
        if (record.offset == starts[index])
            inside = true;
        if (inside)
            sheet.push_back(record);
        if (inside && record.code == 0x000A)
            break;
    }
    EXPECT_FALSE(sheet.empty()) << "no record starts at sheet " << index << "'s position " << starts[index];
    return sheet;
}

std::vector<RawRecord> withCode(const std::vector<RawRecord>& records, uint16_t code)
{
    std::vector<RawRecord> found;
    for (const RawRecord& record : records)
        if (record.code == code)
            found.push_back(record);
    return found;
}

bool isCellCode(uint16_t code)
{
    return code == 0x0201 || code == 0x027E || code == 0x00BD || code == 0x0203 || code == 0x00FD;
}

// Follows INDEX to every DBCELL, each DBCELL back to its block's first ROW, and its row
// offsets to the first cell of every row, as a reader seeking a row would.
void checkRowBlocks(const Bytes& stream, const std::vector<RawRecord>& sheet, uint32_t rows)
{
    ASSERT_GE(sheet.size(), 2u);
    const RawRecord& index = sheet[1];
    ASSERT_EQ(index.code, 0x020B);
    EXPECT_EQ(u32At(index.body, 8), rows);
    const uint32_t blocks = (index.body.size() - 16) / 4;
    EXPECT_EQ(blocks, std::max(1u, (rows + 31) / 32));
    auto recordAt = [&](size_t offset) -> const RawRecord* {
        for (const RawRecord& record : sheet)
            if (record.offset == offset)
                return &record;
        return nullptr;
    };
    for (uint32_t block = 0; block < (rows + 31) / 32; ++block) {
        SCOPED_TRACE("block " + std::to_string(block));
        const uint32_t position = u32At(index.body, 16 + 4 * block);
        const RawRecord* dbCell = recordAt(position);
        ASSERT_TRUE(dbCell && dbCell->code == 0x00D7) << "INDEX points at " << position;
        const size_t firstRow = position - u32At(dbCell->body, 0);
        const RawRecord* row = recordAt(firstRow);
        ASSERT_TRUE(row && row->code == 0x0208);
        EXPECT_EQ(u16At(row->body, 0), block * 32);
        const uint32_t blockRows = std::min(32u, rows - block * 32);
        ASSERT_EQ(dbCell->body.size(), 4 + 2 * blockRows);
        size_t cell = firstRow + 20;
        for (uint32_t i = 0; i < blockRows; ++i) {
            cell += u16At(dbCell->body, 4 + 2 * i);
            const RawRecord* first = recordAt(cell);
            ASSERT_TRUE(first && isCellCode(first->code)) << "row " << i << " offset leads to " << cell;
            EXPECT_EQ(u16At(first->body, 0), block * 32 + i);
            EXPECT_EQ(u16At(first->body, 2), 0);
        }
    }
    (void)stream;
}

Bytes cellRecord(uint16_t code, std::initializer_list<uint16_t> fields, Bytes tail = {})
{
    Bytes body;
    for (const uint16_t field : fields)
        body.insert(body.end(), {static_cast<uint8_t>(field), static_cast<uint8_t>(field >> 8)});
    body.insert(body.end(), tail.begin(), tail.end());
    return RawRecord{code, body, 0}.bytes();
}

Bytes u32Bytes(uint32_t value)
{
    return {static_cast<uint8_t>(value), static_cast<uint8_t>(value >> 8), static_cast<uint8_t>(value >> 16),
            static_cast<uint8_t>(value >> 24)};
}

Bytes doubleBytes(double value)
{
    uint64_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    return concat({u32Bytes(static_cast<uint32_t>(bits)), u32Bytes(static_cast<uint32_t>(bits >> 32))});
}

// The cell records of row 0 of a one-sheet document.
std::vector<RawRecord> firstRowCells(SpreadsheetFile& file)
{
    std::vector<RawRecord> cells;
    for (const RawRecord& record : sheetRecords(workbookStream(file), 0))
        if (isCellCode(record.code) && u16At(record.body, 0) == 0)
            cells.push_back(record);
    return cells;
}

const Bytes window2Selected = hex("3E 02 12 00  B6 06 00 00 00 00 40 00 00 00 00 00 00 00 00 00 00 00");
const Bytes worksheetBof = hex("09 08 10 00  00 06 10 00 A0 19 CD 07 C9 C0 00 00 06 03 00 00");
} // namespace

TEST(Globals, NewDocumentWithoutText)
{
    SpreadsheetFile file;
    file.createSheets(1);
    const Bytes stream = workbookStream(file);
    const std::vector<RawRecord> records = splitRecords(stream);
    std::vector<uint16_t> expected{0x0809, 0x003D, 0x0031};
    expected.insert(expected.end(), 21, 0x00E0);
    expected.insert(expected.end(), 6, 0x0293);
    expected.insert(expected.end(), {0x0085, 0x00FC, 0x000A});
    const std::vector<uint16_t> codes = codesOf(records);
    ASSERT_GE(codes.size(), expected.size());
    EXPECT_EQ(std::vector<uint16_t>(codes.begin(), codes.begin() + expected.size()), expected);

    EXPECT_TRUE(
        sameBytes(records[0].bytes(), hex("09 08 10 00  00 06 05 00 A0 19 CD 07 C9 C0 00 00 06 03 00 00")));
    EXPECT_TRUE(sameBytes(records[1].bytes(),
                          hex("3D 00 12 00  78 00 78 00 1F 3B 54 24 38 00 00 00 00 00 01 00 58 02")));
    EXPECT_TRUE(sameBytes(records[2].bytes(), hex("31 00 1A 00  C8 00 00 00 FF 7F 90 01 00 00 00 00 00 00"
                                                  "05 01 41 00 72 00 69 00 61 00 6C 00")));
    for (size_t i = 3; i < 24; ++i)
        EXPECT_TRUE(
            sameBytes(records[i].bytes(), hex("E0 00 14 00  00 00 00 00 F5 FF 20 00 00 00 00 00 00 00 00 00"
                                              "00 00 C0 20")));
    for (size_t i = 24; i < 30; ++i)
        EXPECT_TRUE(sameBytes(records[i].bytes(), hex("93 02 04 00  00 80 00 FF")));
    const size_t globalsSize = 20 + 22 + 30 + 21 * 24 + 6 * 8 + 18 + 12 + 4;
    EXPECT_TRUE(sameBytes(records[30].bytes(), concat({hex("85 00 0E 00"), u32Bytes(globalsSize),
                                                       hex("00 00 06 00 53 68 65 65 74 31")})));
    EXPECT_TRUE(sameBytes(records[31].bytes(), hex("FC 00 08 00  00 00 00 00 00 00 00 00")));
    EXPECT_EQ(globalsEnd(stream), globalsSize);
}

TEST(Globals, SheetPositionsFollowEachOther)
{
    SpreadsheetFile file;
    file.createSheets(2);
    file.sheetAt(0)->cellAt(40, 3)->setText(u"x");
    file.sheetAt(1)->cellAt(0, 0)->setIntValue(1);
    const Bytes stream = workbookStream(file);
    const std::vector<RawRecord> boundSheets = withCode(splitRecords(stream), 0x0085);
    ASSERT_EQ(boundSheets.size(), 2u);
    const uint32_t first = u32At(boundSheets[0].body, 0);
    const uint32_t second = u32At(boundSheets[1].body, 0);
    EXPECT_EQ(first, globalsEnd(stream));
    const std::vector<RawRecord> sheet = sheetRecords(stream, 0);
    EXPECT_EQ(second, sheet.back().offset + 4);
    EXPECT_EQ(u16At(stream, second), 0x0809);
    EXPECT_EQ(sheetRecords(stream, 1).back().offset + 4, stream.size());
}

// The sheet's records byte for byte: 3 rows of 2 texts.
TEST(Worksheet, ThreeByTwoTexts)
{
    SpreadsheetFile file;
    file.createSheets(1);
    const char16_t* texts[3][2] = {{u"a", u"b"}, {u"c", u"d"}, {u"e", u"f"}};
    for (uint32_t row = 0; row < 3; ++row)
        for (uint32_t column = 0; column < 2; ++column)
            file.sheetAt(0)->cellAt(row, column)->setText(texts[row][column]);
    const Bytes stream = workbookStream(file);
    const size_t start = globalsEnd(stream);
    Bytes expected =
        concat({worksheetBof, hex("0B 02 14 00  00 00 00 00 00 00 00 00 03 00 00 00 00 00 00 00"),
                u32Bytes(start + 20 + 24 + 18 + 144),
                hex("00 02 0E 00  00 00 00 00 03 00 00 00 00 00 02 00 00 00")});
    for (uint16_t row = 0; row < 3; ++row)
        expected = concat({expected, cellRecord(0x0208, {row, 0, 2, 255, 0, 0, 0x0100, 0})});
    for (uint16_t row = 0; row < 3; ++row)
        for (uint16_t column = 0; column < 2; ++column)
            expected = concat({expected, cellRecord(0x00FD, {row, column, 0}, u32Bytes(2 * row + column))});
    expected = concat(
        {expected, hex("D7 00 0A 00  90 00 00 00 28 00 1C 00 1C 00"), window2Selected, hex("0A 00 00 00")});
    EXPECT_TRUE(sameBytes(Bytes(stream.begin() + start, stream.end()), expected));
}

TEST(Worksheet, EmptySheet)
{
    SpreadsheetFile file;
    file.createSheets(1);
    const Bytes stream = workbookStream(file);
    const size_t start = globalsEnd(stream);
    EXPECT_TRUE(sameBytes(
        Bytes(stream.begin() + start, stream.end()),
        concat({worksheetBof, hex("0B 02 14 00  00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00"),
                hex("00 02 0E 00  00 00 00 00 00 00 00 00 00 00 00 00 00 00"), window2Selected,
                hex("0A 00 00 00")})));
}

TEST(Worksheet, RowBlocksOfThirtyTwo)
{
    for (const uint32_t rows : {1u, 31u, 32u, 33u, 65u, 1000u}) {
        SCOPED_TRACE(rows);
        SpreadsheetFile file;
        file.createSheets(1);
        for (uint32_t row = 0; row < rows; ++row) {
            // Rows of different lengths in records: texts, a MULRK, a NUMBER, blanks.
            file.sheetAt(0)->cellAt(row, row % 4)->setIntValue(int32_t(row));
            file.sheetAt(0)->cellAt(row, 5)->setText(u"t");
            if (row % 3 == 0)
                file.sheetAt(0)->cellAt(row, 6)->setRealValue(0.001 * row);
        }
        const Bytes stream = workbookStream(file);
        const std::vector<RawRecord> sheet = sheetRecords(stream, 0);
        checkRowBlocks(stream, sheet, rows);
        EXPECT_EQ(withCode(sheet, 0x0208).size(), rows);
        EXPECT_EQ(withCode(sheet, 0x00D7).size(), (rows + 31) / 32);
        const RawRecord dimensions = withCode(sheet, 0x0200).at(0);
        EXPECT_EQ(u32At(dimensions.body, 4), rows);
        EXPECT_EQ(u16At(dimensions.body, 10), 7);
    }
}

TEST(Worksheet, IntegerRunsBecomeMulRk)
{
    SpreadsheetFile file;
    file.createSheets(1);
    SpreadsheetSheet& sheet = *file.sheetAt(0);
    sheet.cellAt(0, 0)->setIntValue(5);
    sheet.cellAt(0, 1)->setIntValue(6);
    sheet.cellAt(0, 2)->setIntValue(7);
    sheet.cellAt(0, 3)->setText(u"x");
    sheet.cellAt(0, 4)->setIntValue(-1);
    const std::vector<RawRecord> cells = firstRowCells(file);
    ASSERT_EQ(cells.size(), 3u);
    EXPECT_TRUE(
        sameBytes(cells[0].bytes(), hex("BD 00 18 00  00 00 00 00  00 00 16 00 00 00  00 00 1A 00 00 00"
                                        "00 00 1E 00 00 00  02 00")));
    EXPECT_TRUE(sameBytes(cells[2].bytes(), hex("7E 02 0A 00  00 00 04 00 00 00 FE FF FF FF")));
}

// Integers outside the 30-bit RK range are NUMBER records with their exact value, and end
// the run they would have joined.
TEST(Worksheet, LargeIntegersAreNumbers)
{
    SpreadsheetFile file;
    file.createSheets(1);
    SpreadsheetSheet& sheet = *file.sheetAt(0);
    const int32_t values[] = {
        1, 1 << 29, 3, 4, -(1 << 29), std::numeric_limits<int32_t>::min(), (1 << 29) - 1};
    for (uint32_t i = 0; i < std::size(values); ++i)
        sheet.cellAt(0, i)->setIntValue(values[i]);
    const std::vector<RawRecord> cells = firstRowCells(file);
    ASSERT_EQ(cells.size(), 5u);
    EXPECT_TRUE(sameBytes(cells[0].bytes(), hex("7E 02 0A 00  00 00 00 00 00 00 06 00 00 00")));
    EXPECT_TRUE(sameBytes(cells[1].bytes(),
                          concat({hex("03 02 0E 00  00 00 01 00 00 00"), doubleBytes(536870912.0)})));
    EXPECT_TRUE(
        sameBytes(cells[2].bytes(), hex("BD 00 18 00  00 00 02 00  00 00 0E 00 00 00  00 00 12 00 00 00"
                                        "00 00 02 00 00 80  04 00")));
    EXPECT_TRUE(sameBytes(cells[3].bytes(),
                          concat({hex("03 02 0E 00  00 00 05 00 00 00"), doubleBytes(-2147483648.0)})));
    EXPECT_TRUE(sameBytes(cells[4].bytes(), hex("7E 02 0A 00  00 00 06 00 00 00 FE FF FF 7F")));
}

TEST(Worksheet, RealsWithTwoDecimalsBecomeRkWhenItKeepsThemExactly)
{
    SpreadsheetFile file;
    file.createSheets(1);
    SpreadsheetSheet& sheet = *file.sheetAt(0);
    sheet.cellAt(0, 0)->setRealValue(1.5);
    sheet.cellAt(0, 1)->setRealValue(2.25);
    sheet.cellAt(0, 2)->setRealValue(1.005);
    sheet.cellAt(0, 3)->setRealValue(1.005);
    sheet.cellAt(0, 4)->setRealValue(3.0);
    sheet.cellAt(0, 5)->setRealValue(1e15);
    sheet.cellAt(0, 6)->setRealValue(99999.99);
    sheet.cellAt(0, 7)->setRealValue(0.25);
    const std::vector<RawRecord> cells = firstRowCells(file);
    ASSERT_EQ(cells.size(), 7u);
    // 150.0 and 225.0 stand for 1.5 and 2.25 (bit 0: divided by 100).
    EXPECT_TRUE(sameBytes(cells[0].bytes(),
                          hex("BD 00 12 00  00 00 00 00  00 00 01 C0 62 40  00 00 01 20 6C 40  01 00")));
    EXPECT_TRUE(
        sameBytes(cells[1].bytes(), concat({hex("03 02 0E 00  00 00 02 00 00 00"), doubleBytes(1.005)})));
    EXPECT_TRUE(
        sameBytes(cells[2].bytes(), concat({hex("03 02 0E 00  00 00 03 00 00 00"), doubleBytes(1.005)})));
    // A whole number is stored unscaled. 1e15 and 99999.99 (9999999 × 100) have "two decimals"
    // but more mantissa bits than RK keeps: NUMBER records, or 99999.99 would read 99999.68.
    EXPECT_TRUE(sameBytes(cells[3].bytes(), hex("7E 02 0A 00  00 00 04 00 00 00 00 00 08 40")));
    EXPECT_TRUE(
        sameBytes(cells[4].bytes(), concat({hex("03 02 0E 00  00 00 05 00 00 00"), doubleBytes(1e15)})));
    EXPECT_TRUE(
        sameBytes(cells[5].bytes(), concat({hex("03 02 0E 00  00 00 06 00 00 00"), doubleBytes(99999.99)})));
    // 0.25 as 25 / 100.
    EXPECT_TRUE(sameBytes(cells[6].bytes(), hex("7E 02 0A 00  00 00 07 00 00 00 01 00 39 40")));
}

TEST(Worksheet, EmptyCellsAreBlanksWithTheirXf)
{
    SpreadsheetFile file;
    file.createSheets(1);
    SpreadsheetCell* cell = file.sheetAt(0)->cellAt(0, 1);
    cell->setXfIndex(15);
    cell->setText(u"");
    EXPECT_EQ(cell->type(), EMPTY);
    const std::vector<RawRecord> cells = firstRowCells(file);
    ASSERT_EQ(cells.size(), 2u);
    EXPECT_TRUE(sameBytes(cells[0].bytes(), hex("01 02 06 00  00 00 00 00 00 00")));
    EXPECT_TRUE(sameBytes(cells[1].bytes(), hex("01 02 06 00  00 00 01 00 0F 00")));
}

TEST(Worksheet, WindowSelectsOnlyTheFirstSheet)
{
    SpreadsheetFile file;
    file.createSheets(3);
    const Bytes stream = workbookStream(file);
    for (size_t sheet = 0; sheet < 3; ++sheet) {
        const std::vector<RawRecord> window = withCode(sheetRecords(stream, sheet), 0x023E);
        ASSERT_EQ(window.size(), 1u);
        EXPECT_EQ(u16At(window[0].body, 0), sheet == 0 ? 0x06B6 : 0x04B6);
    }
}

TEST(Worksheet, ColumnWidths)
{
    SpreadsheetFile file;
    file.createSheets(1);
    SpreadsheetSheet& sheet = *file.sheetAt(0);
    sheet.setColumnWidth(3, 5000);
    sheet.setColumnWidth(1, 1000);
    sheet.setColumnWidth(3, 6000); // replaces the first width
    sheet.setColumnWidth(300, 10); // no such column
    EXPECT_EQ(sheet.columnWidth(3), 6000);
    EXPECT_EQ(sheet.columnWidth(2), 0);
    const std::vector<RawRecord> sheetRecs = sheetRecords(workbookStream(file), 0);
    ASSERT_GE(sheetRecs.size(), 5u);
    EXPECT_TRUE(sameBytes(sheetRecs[2].bytes(), hex("7D 00 0C 00  03 00 03 00 70 17 00 00 00 00 00 00")));
    EXPECT_TRUE(sameBytes(sheetRecs[3].bytes(), hex("7D 00 0C 00  01 00 01 00 E8 03 00 00 00 00 00 00")));
    EXPECT_EQ(sheetRecs[4].code, 0x0200);
}

TEST(Worksheet, MergedRangesInGroupsOf1027)
{
    SpreadsheetFile file;
    file.createSheets(1);
    SpreadsheetSheet& sheet = *file.sheetAt(0);
    for (uint32_t row = 0; row < 1030; ++row)
        sheet.cellAt(row, 0, 1, 2);
    // Spans reaching past the sheet are cut at its last column and row.
    sheet.cellAt(5, 250, 1, 10);
    sheet.cellAt(1100, 0, 65535, 1);
    const std::vector<RawRecord> merged = withCode(sheetRecords(workbookStream(file), 0), 0x00E5);
    ASSERT_EQ(merged.size(), 2u);
    EXPECT_EQ(merged[0].body.size(), 2u + 8 * 1027);
    EXPECT_EQ(u16At(merged[0].body, 0), 1027);
    EXPECT_TRUE(sameBytes(Bytes(merged[0].body.begin() + 2, merged[0].body.begin() + 18),
                          hex("00 00 00 00 00 00 01 00  01 00 01 00 00 00 01 00")));
    EXPECT_TRUE(sameBytes(Bytes(merged[0].body.begin() + 50, merged[0].body.begin() + 58),
                          hex("05 00 05 00 FA 00 FF 00")));
    EXPECT_EQ(merged[1].body.size(), 2u + 8 * 5);
    EXPECT_EQ(u16At(merged[1].body, 0), 5);
    EXPECT_TRUE(
        sameBytes(Bytes(merged[1].body.end() - 8, merged[1].body.end()), hex("4C 04 FF FF 00 00 00 00")));
}
