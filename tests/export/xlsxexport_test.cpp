#include "export/tableexport.h"
#include "export/xlsxexport.h"
#include "exporttestsupport.h"
#include "testsupport.h"

#include <gtest/gtest.h>

namespace {
QString savedPath(const QString& name)
{
    return TestSupport::workDir() + u'/' + name;
}

QVector<SheetReadback> saveAndRead(const QString& name, const QVector<PageGrid>& pages,
                                   const ExportOptions& options = {}, int fullFrom = 1)
{
    const SaveResult result = saveTables(savedPath(name), pages, options);
    EXPECT_TRUE(result.ok) << result.error.toStdString();
    QString error;
    const QVector<SheetReadback> sheets = readSpreadsheet(savedPath(name), &error, fullFrom);
    EXPECT_TRUE(error.isEmpty()) << error.toStdString();
    return sheets;
}
} // namespace

TEST(XlsxFile, GivesTheSameSheetsAsTheExcel97File)
{
    // The pages of many varied documents in one, read once by each reader; and no pages at all.
    QVector<PageGrid> manyPages = {grid({{"say \"hi\" ", " lead", "A & B <c> ", "tab\there", "bell\x07 "}}),
                                   PageGrid{}, grid({{"Grüße 中文 😀 "}})};
    for (const QVector<PageGrid>& pages : documentsWithoutQuotes(60))
        manyPages += pages;
    const QVector<QVector<PageGrid>> documents = {manyPages, {}};
    for (int index = 0; index < documents.size(); ++index) {
        SCOPED_TRACE(index);
        const QVector<SheetReadback> xls = saveAndRead("same.xls", documents[index]);
        const QVector<SheetReadback> xlsx = saveAndRead("same.xlsx", documents[index]);
        ASSERT_EQ(xlsx.size(), xls.size());
        for (int sheet = 0; sheet < xls.size(); ++sheet) {
            EXPECT_EQ(xlsx[sheet].name, xls[sheet].name);
            EXPECT_EQ(xlsx[sheet].rows, xls[sheet].rows);
        }
    }
}

TEST(XlsxFile, TheSuffixInAnyCaseSelectsIt)
{
    for (const QString name : {"up.XLSX", "mixed.XlSx", "lower.xlsx"}) {
        ASSERT_TRUE(saveTables(savedPath(name), {grid({{"a "}})}).ok) << name.toStdString();
        EXPECT_TRUE(readFileBytes(savedPath(name)).startsWith("PK\x03\x04")) << name.toStdString();
    }
}

TEST(XlsxFile, MoreRowsThanASheetHoldsContinueOnSheet2)
{
    // 1 048 576 + 2 grid rows and the empty row closing the page.
    const QString cell = QStringLiteral("r ");
    PageGrid page;
    page.columns = 1;
    page.rows = XlsxLimits::rowsPerSheet + 2;
    page.cells = QVector<QString>(page.rows, cell);
    page.cells.last() = QStringLiteral("last ");
    const QVector<SheetReadback> sheets = saveAndRead("million.xlsx", {page}, {}, 2);
    ASSERT_EQ(sheets.size(), 2);
    EXPECT_EQ(sheets[0].name, "Sheet1");
    EXPECT_EQ(sheets[0].size, qMakePair(XlsxLimits::rowsPerSheet, 1));
    EXPECT_EQ(sheets[1].name, "Sheet2");
    EXPECT_EQ(sheets[1].rows, CellRows({{"r "}, {"last "}, {""}}));
}

TEST(XlsxFile, WhatDoesNotFitIsRefusedAndTheOldFileKept)
{
    const QString target = savedPath("refused.xlsx");
    writeFileBytes(target, "earlier file");
    const QString tooLong(XlsxLimits::cellCharacters + 1, u'x');
    const SaveResult longCell = saveTables(target, {PageGrid{}, grid({{"a ", tooLong}})});
    EXPECT_FALSE(longCell.ok);
    EXPECT_TRUE(longCell.error.contains("32767")) << longCell.error.toStdString();
    EXPECT_TRUE(longCell.error.contains("page 2")) << longCell.error.toStdString();

    const SaveResult wide =
        saveTables(target, {grid({QStringList(XlsxLimits::columns + 1, QStringLiteral("c"))})});
    EXPECT_FALSE(wide.ok);
    EXPECT_TRUE(wide.error.contains("16384")) << wide.error.toStdString();
    EXPECT_EQ(readFileBytes(target), "earlier file");

    // The widest and the longest that fit are written whole.
    const QVector<SheetReadback> sheets =
        saveAndRead("fits.xlsx", {grid({QStringList(XlsxLimits::columns - 1, QString())
                                        << QString(XlsxLimits::cellCharacters, u'y')})});
    ASSERT_EQ(sheets.size(), 1);
    ASSERT_EQ(sheets[0].rows.size(), 2);
    EXPECT_EQ(sheets[0].rows[0].size(), XlsxLimits::columns);
    EXPECT_EQ(sheets[0].rows[0].last(), QString(XlsxLimits::cellCharacters, u'y'));
}
