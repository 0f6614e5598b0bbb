// Fonts, number formats and XFs found or added through the format manager.
#include "biffbytes.h"
#include "spreadsheet/formatmanager.h"
#include "spreadsheet/spreadsheet.h"
#include "spreadsheet/workbook.h"

#include <gtest/gtest.h>

using namespace xls;

using namespace BiffTest;

namespace {
FontSpec font(const char16_t* name, uint16_t weight = 400)
{
    FontSpec spec;
    spec.name = name;
    spec.weight = weight;
    return spec;
}

std::vector<RawRecord> globalsWithCode(SpreadsheetFile& file, uint16_t code)
{
    std::vector<RawRecord> found;
    for (const RawRecord& record : splitRecords(workbookStream(file))) {
        if (record.code == code)
            found.push_back(record);
        if (record.code == 0x000A)
            break;
    }
    return found;
}
} // namespace

TEST(FormatManager, BuiltInFormatsAreNeverWritten)
{
    SpreadsheetFile file;
    file.createSheets(1);
    FormatManager formats(file);
    EXPECT_EQ(formats.findOrAddFormat(u"0.00"), 2);
    EXPECT_EQ(formats.findOrAddFormat(u"@"), 49);
    EXPECT_EQ(formats.findOrAddFormat(u"# ?\?/?\?"), 13);
    EXPECT_EQ(formats.formatText(30), u"General");
    EXPECT_EQ(formats.formatText(7), u"\"$\"#,##0.00_);(\"$\"#,##0.00)");
    EXPECT_TRUE(file.workbook().formats.empty());
    EXPECT_TRUE(globalsWithCode(file, 0x041E).empty());
}

TEST(FormatManager, NewFormatsFrom164AreWrittenAfterTheFonts)
{
    SpreadsheetFile file;
    file.createSheets(1);
    FormatManager formats(file);
    EXPECT_EQ(formats.findOrAddFormat(u"0.000"), 164);
    EXPECT_EQ(formats.findOrAddFormat(u"0.0000"), 165);
    EXPECT_EQ(formats.findOrAddFormat(u"0.000"), 164);
    EXPECT_EQ(formats.formatText(165), u"0.0000");

    const std::vector<RawRecord> records = splitRecords(workbookStream(file));
    ASSERT_GT(records.size(), 5u);
    EXPECT_EQ(records[2].code, 0x0031);
    EXPECT_TRUE(
        sameBytes(records[3].bytes(), hex("1E 04 0F 00  A4 00 05 00 01 30 00 2E 00 30 00 30 00 30 00")));
    EXPECT_EQ(records[4].code, 0x041E);
    EXPECT_EQ(records[5].code, 0x00E0);

    // A second manager over the same workbook knows them and numbers on past them.
    FormatManager again(file);
    EXPECT_EQ(again.findOrAddFormat(u"0.0000"), 165);
    EXPECT_EQ(again.findOrAddFormat(u"0.00000"), 166);
}

TEST(FormatManager, FormatsAlreadyInTheWorkbook)
{
    SpreadsheetFile file;
    file.createSheets(1);
    Workbook::Format custom;
    custom.index = 170;
    custom.text = LongString(std::string("0.0%"));
    file.workbook().formats.push_back(custom);
    Workbook::Format replaced;
    replaced.index = 14;
    replaced.text = LongString(std::u16string(u"DD.MM.YYYY"));
    file.workbook().formats.push_back(replaced);
    FormatManager formats(file);
    EXPECT_EQ(formats.formatText(170), u"0.0%");
    EXPECT_EQ(formats.formatText(14), u"DD.MM.YYYY");
    EXPECT_EQ(formats.findOrAddFormat(u"0.0%"), 170);
    EXPECT_EQ(formats.findOrAddFormat(u"new"), 171);
}

TEST(FormatManager, FontsSkipIndexFour)
{
    SpreadsheetFile file;
    file.createSheets(1);
    FormatManager formats(file);
    // The export's bold Arial: a second font, index 1.
    EXPECT_EQ(formats.findOrAddFont(font(u"Arial", 700)), 1);
    EXPECT_EQ(formats.findOrAddFont(font(u"Arial", 700)), 1);
    EXPECT_EQ(formats.findOrAddFont(font(u"Arial")), 0);
    EXPECT_EQ(file.workbook().fonts.size(), 2u);
    EXPECT_EQ(globalsWithCode(file, 0x0031).size(), 2u);

    EXPECT_EQ(formats.findOrAddFont(font(u"Times")), 2);
    EXPECT_EQ(formats.findOrAddFont(font(u"Courier")), 3);
    EXPECT_EQ(formats.findOrAddFont(font(u"Symbol")), 5);
    EXPECT_EQ(formats.findOrAddFont(font(u"Symbol")), 5);
    EXPECT_EQ(formats.findOrAddFont(font(u"Wingdings")), 6);
    EXPECT_EQ(formats.fontAt(5).name, u"Symbol");
    EXPECT_EQ(formats.fontAt(3).name, u"Courier");
    EXPECT_EQ(formats.fontAt(1).weight, 700);
    EXPECT_EQ(formats.fontAt(99).name, u"Arial");

    FontSpec italic = font(u"Arial");
    italic.options = 2;
    EXPECT_EQ(formats.findOrAddFont(italic), 7);
}

TEST(FormatManager, XfsCompareEveryRequestedField)
{
    SpreadsheetFile file;
    file.createSheets(1);
    FormatManager formats(file);
    CellStyle style;
    // The default style XF differs from a plain request only in fields not compared.
    EXPECT_EQ(formats.findOrAddXf(style), 0);
    style.fontIndex = 1;
    EXPECT_EQ(formats.findOrAddXf(style), 21);
    style.borderLines = 0x1111;
    EXPECT_EQ(formats.findOrAddXf(style), 22);
    EXPECT_EQ(formats.findOrAddXf(style), 22);
    style.borderLines = 0;
    EXPECT_EQ(formats.findOrAddXf(style), 21);

    const std::vector<RawRecord> xfs = globalsWithCode(file, 0x00E0);
    ASSERT_EQ(xfs.size(), 23u);
    EXPECT_TRUE(sameBytes(xfs[22].bytes(),
                          hex("E0 00 14 00  01 00 00 00 78 00 20 00 00 00 11 11 00 00 00 00 00 00 C0 20")));
}
