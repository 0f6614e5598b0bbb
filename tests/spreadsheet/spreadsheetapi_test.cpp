// The spreadsheet interface: sheets, the growing cell grid, typed values, and saving.
#include "biffbytes.h"
#include "spreadsheet/spreadsheet.h"
#include "spreadsheet/workbook.h"
#include "testing/compoundchecker.h"

#include "testsupport.h"

#include <gtest/gtest.h>

#include <sys/mman.h>

#include <QDir>
#include <QFile>

#include <filesystem>
#include <fstream>
#include <functional>
#include <thread>

using namespace xls;

using namespace BiffTest;

namespace {
std::string sheetName(SpreadsheetFile& file, int index)
{
    return file.workbook().sheets.at(size_t(index)).name.narrow();
}

std::string pathIn(const char* name)
{
    return (TestSupport::workDir() + "/" + name).toStdString();
}

Bytes fileBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}
} // namespace

TEST(SpreadsheetFile, CreateSheetsNamesThemInOrder)
{
    SpreadsheetFile file;
    file.createSheets(3);
    ASSERT_EQ(file.sheetCount(), 3);
    EXPECT_EQ(sheetName(file, 0), "Sheet1");
    EXPECT_EQ(sheetName(file, 1), "Sheet2");
    EXPECT_EQ(sheetName(file, 2), "Sheet3");
    EXPECT_EQ(file.sheetNamed("Sheet2"), file.sheetAt(1));
    EXPECT_EQ(file.sheetNamed(u"Sheet3"), file.sheetAt(2));
    EXPECT_EQ(file.sheetNamed("sheet2"), nullptr);
    EXPECT_EQ(file.sheetAt(3), nullptr);
    EXPECT_EQ(file.sheetAt(-1), nullptr);

    // Starting over discards the sheets and their cells.
    file.sheetAt(0)->cellAt(4, 4)->setIntValue(1);
    for (const int count : {0, -2, 1}) {
        file.createSheets(count);
        ASSERT_EQ(file.sheetCount(), 1);
        EXPECT_EQ(sheetName(file, 0), "Sheet1");
        EXPECT_EQ(file.sheetAt(0)->rowCount(), 0u);
        EXPECT_EQ(file.workbook().fonts.size(), 1u);
        EXPECT_EQ(file.workbook().xfs.size(), 21u);
        EXPECT_EQ(file.workbook().styles.size(), 6u);
    }
}

TEST(SpreadsheetFile, AddSheetByNameAndIndex)
{
    SpreadsheetFile file;
    file.createSheets(2);
    EXPECT_EQ(file.addSheet("Sheet2"), nullptr);
    EXPECT_EQ(file.addSheet("X", 5), nullptr);
    EXPECT_EQ(file.addSheet(std::string(256, 'n').c_str()), nullptr);
    SpreadsheetSheet* third = file.addSheet("Sheet3");
    ASSERT_NE(third, nullptr);
    // The next free number past the clash.
    SpreadsheetSheet* fourth = file.addSheet(-1);
    ASSERT_NE(fourth, nullptr);
    EXPECT_EQ(sheetName(file, 3), "Sheet4");
    SpreadsheetSheet* front = file.addSheet("Front", 0);
    ASSERT_EQ(file.sheetCount(), 5);
    EXPECT_EQ(file.sheetAt(0), front);
    EXPECT_EQ(file.sheetAt(3), third);
    EXPECT_EQ(sheetName(file, 0), "Front");
    EXPECT_EQ(sheetName(file, 4), "Sheet4");
    // A sheet inserted in front is written first, and selected.
    front->cellAt(0, 0)->setText(u"front");
    const Bytes stream = workbookStream(file);
    std::vector<RawRecord> windows;
    for (const RawRecord& record : splitRecords(stream))
        if (record.code == 0x023E)
            windows.push_back(record);
    ASSERT_EQ(windows.size(), 5u);
    EXPECT_EQ(u16At(windows[0].body, 0), 0x06B6);
    EXPECT_EQ(u16At(windows[1].body, 0), 0x04B6);
}

TEST(SpreadsheetSheet, GridGrowsToCoverEveryCell)
{
    SpreadsheetFile file;
    file.createSheets(1);
    SpreadsheetSheet& sheet = *file.sheetAt(0);
    sheet.cellAt(2, 1)->setIntValue(7);
    EXPECT_EQ(sheet.rowCount(), 3u);
    EXPECT_EQ(sheet.columnCount(), 2u);
    sheet.cellAt(0, 4)->setText(u"wide");
    EXPECT_EQ(sheet.columnCount(), 5u);
    // Existing rows were widened, and kept their cells.
    ASSERT_NE(std::as_const(sheet).cellAt(2, 4), nullptr);
    EXPECT_EQ(std::as_const(sheet).cellAt(2, 1)->intValue(), 7);
    EXPECT_EQ(std::as_const(sheet).cellAt(0, 4)->textLength(), 4u);
    EXPECT_EQ(std::as_const(sheet).cellAt(3, 0), nullptr);
    EXPECT_EQ(std::as_const(sheet).cellAt(0, 5), nullptr);

    EXPECT_EQ(sheet.cellAt(65536, 0), nullptr);
    EXPECT_EQ(sheet.cellAt(0, 256), nullptr);
    EXPECT_EQ(sheet.rowCount(), 3u);
    EXPECT_EQ(sheet.columnCount(), 5u);

    SpreadsheetCell* merged = sheet.cellAt(1, 1, 2, 3);
    ASSERT_NE(merged, nullptr);
    EXPECT_EQ(merged->mergeRows(), 2);
    EXPECT_EQ(merged->mergeColumns(), 3);

    EXPECT_TRUE(sheet.clearCell(2, 1));
    EXPECT_EQ(std::as_const(sheet).cellAt(2, 1)->type(), EMPTY);
    EXPECT_FALSE(sheet.clearCell(3, 0));
    EXPECT_FALSE(sheet.clearCell(0, 5));
}

TEST(SpreadsheetSheet, LastCellOfASheet)
{
    SpreadsheetFile file;
    file.createSheets(1);
    SpreadsheetSheet& sheet = *file.sheetAt(0);
    ASSERT_NE(sheet.cellAt(65535, 255), nullptr);
    EXPECT_EQ(sheet.rowCount(), 65536u);
    EXPECT_EQ(sheet.columnCount(), 256u);
}

// Rows of another sheet go below the last row, both widened to the wider; past the last row
// a sheet holds nothing moves.
TEST(SpreadsheetSheet, AppendRowsOfAnotherSheet)
{
    SpreadsheetFile file;
    file.createSheets(2);
    SpreadsheetSheet& top = *file.sheetAt(0);
    SpreadsheetSheet& bottom = *file.sheetAt(1);
    top.cellAt(0, 0)->setText(u"top");
    bottom.cellAt(1, 2)->setText(u"Größe 北京");
    ASSERT_TRUE(top.appendRows(bottom));
    EXPECT_EQ(top.rowCount(), 3u);
    EXPECT_EQ(top.columnCount(), 3u);
    EXPECT_EQ(bottom.rowCount(), 0u);
    char16_t text[16];
    std::as_const(top).cellAt(2, 2)->text(text);
    EXPECT_EQ(std::u16string(text), u"Größe 北京");
    EXPECT_EQ(std::as_const(top).cellAt(0, 2)->type(), EMPTY);

    bottom.cellAt(65533, 0)->setIntValue(1);
    EXPECT_FALSE(top.appendRows(bottom));
    EXPECT_EQ(top.rowCount(), 3u);
    EXPECT_EQ(bottom.rowCount(), 65534u);
}

// Texts and rows come from per-thread blocks of the cell pool: cells filled on a thread that
// has ended stay intact, are copied, replaced and freed on another.
TEST(SpreadsheetSheet, CellsOutliveTheThreadThatFilledThem)
{
    SpreadsheetFile file;
    file.createSheets(1);
    SpreadsheetSheet& sheet = *file.sheetAt(0);
    std::thread filler([&] {
        // More than one block of texts, and long texts from the heap between them.
        for (uint32_t row = 0; row < 30000; ++row) {
            std::u16string text(u"text ");
            text.append(row % 40, u'x');
            sheet.cellAt(row, row % 3)->setText(row % 1000 == 0 ? std::u16string(600, u'長') : text);
        }
    });
    filler.join();
    SpreadsheetFile copy;
    copy.createSheets(1);
    for (uint32_t row = 0; row < 30000; row += 2) {
        const SpreadsheetCell& cell = *sheet.cellAt(row, row % 3);
        ASSERT_EQ(cell.textLength(), row % 1000 == 0 ? 600u : 5 + row % 40) << row;
        *copy.sheetAt(0)->cellAt(row, 0) = cell;
        sheet.cellAt(row, row % 3)->setIntValue(int32_t(row));
    }
    char16_t text[8];
    copy.sheetAt(0)->cellAt(2, 0)->text(text);
    EXPECT_EQ(std::u16string(text), u"text xx");
}

TEST(SpreadsheetCell, TypedValues)
{
    SpreadsheetCell cell;
    EXPECT_EQ(cell.type(), EMPTY);
    int32_t integer = 99;
    double real = 99;
    EXPECT_FALSE(cell.intValue(integer));
    EXPECT_FALSE(cell.realValue(real));
    EXPECT_EQ(cell.intValue(), 0);

    cell.setIntValue(-12);
    EXPECT_EQ(cell.type(), INTEGER);
    EXPECT_TRUE(cell.realValue(real));
    EXPECT_EQ(real, -12.0);

    cell.setRealValue(-2.9);
    EXPECT_EQ(cell.intValue(), -2);
    cell.setRealValue(2.9);
    EXPECT_EQ(cell.intValue(), 2);
    // No integer stands for a real outside the 32-bit range.
    cell.setRealValue(1e20);
    EXPECT_FALSE(cell.intValue(integer));
    cell.setRealValue(std::nan(""));
    EXPECT_FALSE(cell.intValue(integer));

    cell.setNarrowText("caf\xE9");
    EXPECT_EQ(cell.type(), STRING);
    ASSERT_EQ(cell.textLength(), 4u);
    char narrow[5];
    cell.narrowText(narrow);
    EXPECT_STREQ(narrow, "caf\xE9");
    EXPECT_FALSE(cell.intValue(integer));

    cell.setText(u"\U0001F600x");
    EXPECT_EQ(cell.type(), WSTRING);
    ASSERT_EQ(cell.textLength(), 3u);
    char16_t wide[4];
    cell.text(wide);
    EXPECT_EQ(std::u16string(wide), u"\U0001F600x");

    cell.setText(u"");
    EXPECT_EQ(cell.type(), EMPTY);
    cell.setNarrowText("x");
    cell.clear();
    EXPECT_EQ(cell.type(), EMPTY);

    cell.setXfIndex(3);
    EXPECT_EQ(cell.xfIndex(), 3);
    // A copy owns its own text.
    cell.setText(u"own");
    SpreadsheetCell copy = cell;
    cell.setText(u"changed");
    char16_t copied[4];
    copy.text(copied);
    EXPECT_EQ(std::u16string(copied), u"own");
    EXPECT_EQ(copy.xfIndex(), 3);
}

// A text longer than a cell can count is refused, and the cell keeps what it held. The
// characters are untouched pages: the text is refused by its length alone.
TEST(SpreadsheetCell, TextTooLongToCountIsRefused)
{
    const size_t units = size_t(1) << 29;
    void* pages = ::mmap(nullptr, units * sizeof(char16_t), PROT_READ,
                         MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
    ASSERT_NE(pages, MAP_FAILED);
    SpreadsheetCell cell;
    ASSERT_TRUE(cell.setText(u"kept"));
    EXPECT_FALSE(cell.setText(std::u16string_view(static_cast<const char16_t*>(pages), units)));
    ::munmap(pages, units * sizeof(char16_t));
    ASSERT_EQ(cell.type(), WSTRING);
    char16_t text[5];
    cell.text(text);
    EXPECT_EQ(std::u16string(text), u"kept");
}

TEST(SpreadsheetCellDeathTest, TypedTextGettersCheckTheType)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    SpreadsheetCell cell;
    EXPECT_DEATH(cell.textLength(), "type_==WSTRING");
    cell.setText(u"wide");
    char narrow[8];
    EXPECT_DEATH(cell.narrowText(narrow), "type_==STRING");
    cell.setNarrowText("narrow");
    char16_t wide[8];
    EXPECT_DEATH(cell.text(wide), "type_==WSTRING");
}

// The file holds one "Workbook" stream with exactly the bytes of the records, a valid
// compound document; saving again without changes gives the same file.
TEST(SpreadsheetFileSave, WritesTheWorkbookStream)
{
    SpreadsheetFile file;
    file.createSheets(2);
    file.sheetAt(0)->cellAt(0, 0)->setText(u"Total");
    file.sheetAt(1)->cellAt(3, 1)->setRealValue(2.5);
    const std::string first = pathIn("first.xls"), second = pathIn("second.xls");
    ASSERT_TRUE(file.saveAs(first.c_str()));
    ASSERT_TRUE(file.saveAs(second.c_str()));
    const Bytes bytes = fileBytes(first);
    EXPECT_TRUE(sameBytes(fileBytes(second), bytes));
    Bytes inMemory;
    ASSERT_TRUE(file.saveToMemory(inMemory));
    EXPECT_TRUE(sameBytes(inMemory, bytes));

    const CompoundChecker document{Bytes(bytes)};
    ASSERT_TRUE(document.valid()) << document.error();
    EXPECT_EQ(document.streamPaths(), std::vector<std::u16string>{u"Workbook"});
    const std::optional<Bytes> stream = document.stream(u"Workbook");
    ASSERT_TRUE(stream);
    EXPECT_TRUE(sameBytes(*stream, workbookStream(file)));
    EXPECT_TRUE(readsBackEqual(file, QString::fromStdString(first)));
}

// saveAs() writes the file as its records are produced; the bytes are those of the whole
// stream built in memory, for documents small and large: a mini stream, several sheets with
// merges, widths and numbers, texts crossing CONTINUE records, a stream of many FAT sectors.
TEST(SpreadsheetFileSave, StreamedFileEqualsTheSaveToMemory)
{
    const auto tiny = [](SpreadsheetFile& file) { file.sheetAt(0)->cellAt(0, 0)->setText(u"x"); };
    const auto mixed = [](SpreadsheetFile& file) {
        file.addSheet("Zahlen");
        for (uint32_t row = 0; row < 3000; ++row) {
            std::u16string text(u"Größe ");
            text.append(row % 50, u'ж');
            file.sheetAt(0)->cellAt(row, row % 7)->setText(text);
            file.sheetAt(1)->cellAt(row, 0)->setRealValue(row * 0.5);
            file.sheetAt(1)->cellAt(row, 1)->setIntValue(int32_t(row));
            file.sheetAt(1)->cellAt(row, 2)->setNarrowText("narrow");
        }
        file.sheetAt(0)->cellAt(5, 1, 3, 2);
        file.sheetAt(1)->setColumnWidth(0, 5000);
        std::u16string longText(20000, u'长');
        longText += u"😀";
        file.sheetAt(0)->cellAt(10, 3)->setText(longText);
    };
    const auto large = [](SpreadsheetFile& file) {
        for (uint32_t row = 0; row < 20000; ++row) {
            for (uint32_t column = 0; column < 8; ++column) {
                std::u16string text(column + 1, u'é');
                text.push_back(char16_t(u'A' + row % 26));
                text.append(row % 11, u'x');
                file.sheetAt(0)->cellAt(row, column)->setText(text);
            }
        }
    };
    const std::function<void(SpreadsheetFile&)> fills[] = {tiny, mixed, large};
    for (const auto& fill : fills) {
        SpreadsheetFile file;
        file.createSheets(1);
        fill(file);
        const std::string path = pathIn("streamed.xls");
        ASSERT_TRUE(file.saveAs(path.c_str()));
        Bytes inMemory;
        ASSERT_TRUE(file.saveToMemory(inMemory));
        EXPECT_TRUE(sameBytes(fileBytes(path), inMemory)) << inMemory.size() << " bytes";
    }
}

TEST(SpreadsheetFileSave, WidePathIsItsUtf8Name)
{
    SpreadsheetFile file;
    file.createSheets(1);
    file.sheetAt(0)->cellAt(0, 0)->setText(u"报表");
    const std::u16string path =
        (TestSupport::workDir() + QString::fromUtf16(u"/报表 é.xls")).toStdU16String();
    ASSERT_TRUE(file.saveAs(path.c_str()));
    EXPECT_TRUE(std::filesystem::is_regular_file(
        std::filesystem::path(pathIn("\xE6\x8A\xA5\xE8\xA1\xA8 \xC3\xA9.xls"))));
    // A name that is not valid UTF-16 has no file name.
    const std::u16string broken = (TestSupport::workDir() + "/").toStdU16String() + u"\xD800.xls";
    EXPECT_FALSE(file.saveAs(broken.c_str()));
}

TEST(SpreadsheetFileSave, FailuresReturnFalseAndKeepTheOldFile)
{
    SpreadsheetFile file;
    file.createSheets(1);
    file.sheetAt(0)->cellAt(0, 0)->setIntValue(1);
    EXPECT_FALSE(file.saveAs(pathIn("missing/folder/out.xls").c_str()));
    EXPECT_FALSE(file.saveAs(static_cast<const char*>(nullptr)));

    const std::string existing = pathIn("kept.xls");
    ASSERT_TRUE(file.saveAs(existing.c_str()));
    const Bytes before = fileBytes(existing);
    // More characters than a file can count in one text: nothing is written.
    file.sheetAt(0)->cellAt(1, 0)->setText(std::u16string(65536, u'x'));
    EXPECT_FALSE(file.saveAs(existing.c_str()));
    EXPECT_TRUE(sameBytes(fileBytes(existing), before));
    file.sheetAt(0)->cellAt(1, 0)->setText(std::u16string(65535, u'x'));
    EXPECT_TRUE(file.saveAs(existing.c_str()));
}

// Latin-1 bytes make the same wide text as their code units: the same file, byte for byte.
TEST(SpreadsheetCell, Latin1TextIsTheTextOfItsUnits)
{
    const std::string latin1 = "Gr\xF6\xDF"
                               "e 100 \xB5m, a text of more than sixteen units";
    std::u16string units;
    for (const char byte : latin1)
        units.push_back(static_cast<unsigned char>(byte));
    std::vector<uint8_t> images[2];
    for (int way = 0; way < 2; ++way) {
        SpreadsheetFile file;
        file.createSheets(1);
        SpreadsheetCell& cell = *file.sheetAt(0)->cellAt(0, 0);
        ASSERT_TRUE(way == 0 ? cell.setLatin1Text(latin1) : cell.setText(units));
        file.sheetAt(0)->cellAt(1, 0)->setText(units); // the same text once more: one entry
        ASSERT_TRUE(file.saveToMemory(images[way]));
    }
    EXPECT_EQ(images[0], images[1]);
}
