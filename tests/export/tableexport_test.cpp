#include "export/tableexport.h"
#include "exporttestsupport.h"
#include "testsupport.h"

#include <QStringList>
#include <gtest/gtest.h>

namespace {
const QString csvFilter = QStringLiteral("CSV File (*.csv)");
const QString excelFilter = QStringLiteral("Excel File (*.xls)");
const QString allFilter = QStringLiteral("All Files (*.*)");
const QString xlsxFilter = QStringLiteral("Excel 2007+ File (*.xlsx)");
} // namespace

TEST(SaveFormat, OnlyTheExactSuffixCsvWritesText)
{
    EXPECT_EQ(formatForFileName("x.csv"), SaveFormat::Csv);
    EXPECT_EQ(formatForFileName("/home/u/tables.v2.csv"), SaveFormat::Csv);
    EXPECT_EQ(formatForFileName(".csv"), SaveFormat::Csv);
    EXPECT_EQ(formatForFileName("x.CSV"), SaveFormat::Spreadsheet);
    EXPECT_EQ(formatForFileName("x.xls"), SaveFormat::Spreadsheet);
    EXPECT_EQ(formatForFileName("x"), SaveFormat::Spreadsheet);
    EXPECT_EQ(formatForFileName("x.csv.bak"), SaveFormat::Spreadsheet);
    // Only "xlsx" is matched in any case.
    EXPECT_EQ(formatForFileName("x.xlsx"), SaveFormat::Xlsx);
    EXPECT_EQ(formatForFileName("/t/x.XLSX"), SaveFormat::Xlsx);
    EXPECT_EQ(formatForFileName("x.xlsx.bak"), SaveFormat::Spreadsheet);
    EXPECT_EQ(formatForFileName("x.xlsm"), SaveFormat::Spreadsheet);
    EXPECT_EQ(formatForFileName("/t/a.xlsx/x"), SaveFormat::Spreadsheet);
    // The dot of a folder name is not the file's suffix.
    EXPECT_EQ(formatForFileName("/home/u/old.csv/x"), SaveFormat::Spreadsheet);
}

TEST(SaveFormat, ANameWithoutSuffixGetsTheChosenFiltersOne)
{
    EXPECT_EQ(saveDialogFilters().split(";;"), QStringList({csvFilter, excelFilter, allFilter, xlsxFilter}));

    EXPECT_EQ(completeFileName("/t/x", csvFilter), "/t/x.csv");
    EXPECT_EQ(completeFileName("/t/x", excelFilter), "/t/x.xls");
    EXPECT_EQ(completeFileName("/t/x", allFilter), "/t/x");
    EXPECT_EQ(completeFileName("/t/x", xlsxFilter), "/t/x.xlsx");
    EXPECT_EQ(formatForFileName(completeFileName("/t/x", xlsxFilter)), SaveFormat::Xlsx);
    EXPECT_EQ(completeFileName("/t/x", QString()), "/t/x");
    EXPECT_EQ(formatForFileName(completeFileName("/t/x", csvFilter)), SaveFormat::Csv);

    // A name with a suffix stands as typed, even when it differs from the filter's.
    EXPECT_EQ(completeFileName("/t/x.xls", csvFilter), "/t/x.xls");
    EXPECT_EQ(completeFileName("/t/x.CSV", csvFilter), "/t/x.CSV");
    EXPECT_EQ(completeFileName("/t/v1.0/x", excelFilter), "/t/v1.0/x.xls");
    EXPECT_EQ(completeFileName(QString(), csvFilter), QString());
}

TEST(SaveTables, WritesTheFormatTheNameSelects)
{
    const QVector<PageGrid> pages = {grid({{"a ", "b "}})};
    const QString dir = TestSupport::workDir();

    const SaveResult csv = saveTables(dir + "/t.csv", pages);
    ASSERT_TRUE(csv.ok) << csv.error.toStdString();
    EXPECT_EQ(readFileBytes(dir + "/t.csv"), utf16leWithBom("\"a \"\t\"b \"\n"));

    // "CSV" in capitals is not the text format: a compound document is written.
    const SaveResult capitals = saveTables(dir + "/t.CSV", pages);
    ASSERT_TRUE(capitals.ok) << capitals.error.toStdString();
    EXPECT_TRUE(readFileBytes(dir + "/t.CSV").startsWith(QByteArray::fromHex("d0cf11e0a1b11ae1")));
}
