#include "export/documentrows.h"
#include "export/spreadsheetexport.h"
#include "export/tableexport.h"
#include "exporttestsupport.h"
#include "spreadsheet/spreadsheet.h"
#include "testsupport.h"

#include <QFile>
#include <gtest/gtest.h>

#include <vector>

using namespace xls;

namespace {
// The cells of a sheet in memory: a wide text as its text, an empty cell as "".
CellRows sheetContent(const SpreadsheetSheet& sheet)
{
    CellRows rows;
    for (uint32_t r = 0; r < sheet.rowCount(); ++r) {
        QStringList row;
        for (uint32_t c = 0; c < sheet.columnCount(); ++c) {
            const SpreadsheetCell* cell = sheet.cellAt(r, c);
            if (cell->type() == EMPTY) {
                row += QString();
            } else if (cell->type() == WSTRING) {
                std::vector<char16_t> text(cell->textLength() + 1);
                cell->text(text.data());
                row += QString::fromUtf16(text.data(), qsizetype(cell->textLength()));
            } else {
                row += QStringLiteral("<type %1>").arg(int(cell->type()));
            }
        }
        rows += row;
    }
    return rows;
}

QString savedPath(const QString& name)
{
    return TestSupport::workDir() + u'/' + name;
}

// Saves the pages as a spreadsheet and reads them back through xlrd.
QVector<SheetReadback> saveAndRead(const QString& name, const QVector<PageGrid>& pages)
{
    const SaveResult result = saveTables(savedPath(name), pages);
    EXPECT_TRUE(result.ok) << result.error.toStdString();
    QString error;
    const QVector<SheetReadback> sheets = readSpreadsheet(savedPath(name), &error);
    EXPECT_TRUE(error.isEmpty()) << error.toStdString();
    return sheets;
}

CellRows onlySheetRows(const QVector<SheetReadback>& sheets)
{
    EXPECT_EQ(sheets.size(), 1);
    if (sheets.isEmpty())
        return {};
    EXPECT_EQ(sheets.first().name, "Sheet1");
    return sheets.first().rows;
}
} // namespace

TEST(SpreadsheetLayout, MatchesTheSplitDocumentTextForTablesWithoutQuotes)
{
    for (const QVector<PageGrid>& pages : documentsWithoutQuotes(300)) {
        const DocumentRows rows(pages);
        SpreadsheetFile file;
        ASSERT_TRUE(fillSpreadsheet(file, rows));
        ASSERT_EQ(file.sheetCount(), 1);
        ASSERT_EQ(sheetContent(*file.sheetAt(0)), TextLayout::sheetCells(TextLayout::documentText(pages)))
            << "document: " << TextLayout::documentText(pages).toStdString();
    }
}

TEST(SpreadsheetFile, RowsPagesAndPaddingReadBack)
{
    // Two pages of two and one rows: the empty row between the pages and the one closing the
    // document are kept, the one-column row is padded to two cells, final blanks stay.
    const CellRows fiveRows = {{"a ", "b "}, {"c ", ""}, {"", ""}, {"e ", ""}, {"", ""}};
    EXPECT_EQ(onlySheetRows(saveAndRead("five.xls", {grid({{"a ", "b "}, {"c ", ""}}), grid({{"e "}})})),
              fiveRows);

    EXPECT_EQ(onlySheetRows(saveAndRead("empty.xls", {})), CellRows({{""}}));
    EXPECT_EQ(onlySheetRows(saveAndRead("blank.xls", {PageGrid{}, PageGrid{}})), CellRows({{""}, {""}}));

    // A table over a blank area adds no columns.
    PageGrid noRowsWide;
    noRowsWide.columns = 4;
    EXPECT_EQ(onlySheetRows(saveAndRead("narrow.xls", {noRowsWide, grid({{"x "}})})),
              CellRows({{""}, {"x "}, {""}}));
}

TEST(SpreadsheetFile, CellsKeepQuotesCommasAndNonLatinText)
{
    const CellRows cells = {{"say \"hi\" ", "a\",\"b ", "c,d ", "Grüße 中文 😀 "}};
    EXPECT_EQ(onlySheetRows(saveAndRead("quotes.xls", {grid(cells)})), cells + CellRows({{"", "", "", ""}}));

    // The name reaches the writer with every character intact.
    const QString name = QStringLiteral("Tabellen-表-ü.xls");
    ASSERT_TRUE(saveTables(savedPath(name), {grid(cells)}).ok);
    EXPECT_TRUE(QFile::exists(savedPath(name)));
}

TEST(SpreadsheetFile, LongDocumentsContinueOnFurtherSheetsOfTheSameWidth)
{
    // 69998 + 1 + 1 + 1 = 70001 rows: 65536 on "Sheet1", the rest on "Sheet2".
    CellRows longTable;
    for (int row = 0; row < 69998; ++row)
        longTable += QStringList{QString::number(row)};
    const QVector<SheetReadback> sheets =
        saveAndRead("long.xls", {grid(longTable), grid({{"p2 ", "wide "}})});

    ASSERT_EQ(sheets.size(), 2);
    EXPECT_EQ(sheets[0].name, "Sheet1");
    EXPECT_EQ(sheets[1].name, "Sheet2");
    ASSERT_EQ(sheets[0].rows.size(), 65536);
    ASSERT_EQ(sheets[1].rows.size(), 70001 - 65536);
    EXPECT_EQ(sheets[0].rows[0], QStringList({"0", ""}));
    EXPECT_EQ(sheets[0].rows[65535], QStringList({"65535", ""}));
    EXPECT_EQ(sheets[1].rows[0], QStringList({"65536", ""}));
    EXPECT_EQ(sheets[1].rows[69997 - 65536], QStringList({"69997", ""}));
    EXPECT_EQ(sheets[1].rows[69998 - 65536], QStringList({"", ""}));
    EXPECT_EQ(sheets[1].rows[69999 - 65536], QStringList({"p2 ", "wide "}));
    EXPECT_EQ(sheets[1].rows[70000 - 65536], QStringList({"", ""}));
}

TEST(SpreadsheetFile, WhatDoesNotFitIsRefusedNotCut)
{
    const QString longest(SpreadsheetLimits::cellCharacters, u'x');
    const QVector<SheetReadback> sheets = saveAndRead("longcell.xls", {grid({{longest, "b "}})});
    ASSERT_EQ(sheets.size(), 1);
    ASSERT_FALSE(sheets[0].rows.isEmpty());
    EXPECT_EQ(sheets[0].rows[0].first().size(), SpreadsheetLimits::cellCharacters);
    EXPECT_EQ(sheets[0].rows[0].first(), longest);

    const QString target = savedPath("refused.xls");
    writeFileBytes(target, "earlier file");

    const SaveResult tooLong = saveTables(target, {PageGrid{}, grid({{"a ", longest + u'x'}})});
    EXPECT_FALSE(tooLong.ok);
    EXPECT_TRUE(tooLong.error.contains("32767")) << tooLong.error.toStdString();
    EXPECT_TRUE(tooLong.error.contains("page 2")) << tooLong.error.toStdString();

    const SaveResult tooWide = saveTables(target, {grid({QStringList(257, QStringLiteral("c "))})});
    EXPECT_FALSE(tooWide.ok);
    EXPECT_TRUE(tooWide.error.contains("256")) << tooWide.error.toStdString();

    EXPECT_EQ(readFileBytes(target), "earlier file");
}
