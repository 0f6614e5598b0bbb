// Inputs kept from fuzzing the spreadsheet interface, replayed through the fuzz target's own
// check (save, compound document check, BIFF read-back, every cell compared), and the faults
// they found written out as plain cases.
#include "spreadsheet/cellrecords.h"
#include "spreadsheet/spreadsheet.h"
#include "testing/biffreader.h"
#include "testing/compoundchecker.h"
#include "testing/spreadsheetchecks.h"

#include "testsupport.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

#include <cstring>

using namespace xls;

TEST(FuzzRegressions, SpreadsheetInputs)
{
    const QDir folder(TestSupport::sourceDir() + "/tests/spreadsheet/fuzz-regressions");
    const QStringList names = folder.entryList(QDir::Files, QDir::Name);
    ASSERT_FALSE(names.isEmpty()) << folder.path().toStdString();
    FuzzChecks::SpreadsheetCheck throughFile;
    throughFile.path = (TestSupport::workDir() + "/fuzz-regression.xls").toStdString();
    const FuzzChecks::SpreadsheetCheck inMemory; // the same large limits
    for (const QString& name : names) {
        QFile file(folder.filePath(name));
        ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << name.toStdString();
        const QByteArray bytes = file.readAll();
        const auto* data = reinterpret_cast<const uint8_t*>(bytes.constData());
        EXPECT_EQ(FuzzChecks::checkSpreadsheet(data, size_t(bytes.size()), throughFile), "")
            << name.toStdString();
        EXPECT_EQ(FuzzChecks::checkSpreadsheet(data, size_t(bytes.size()), inMemory), "")
            << name.toStdString();
    }
}

// Every real comes back exactly as set, whichever record holds it. Two-decimal reals whose
// upper 30 bits are all they have go into RK; 1e15 and 99999.99 once came back changed from it.
TEST(FuzzRegressions, RealsComeBackExactly)
{
    const double reals[] = {1.1165883596012172e-321,
                            262145.0,
                            1234567.89,
                            1e15,
                            0.1,
                            1.5,
                            -0.0,
                            1.005,
                            99999.99,
                            0.01,
                            536870911.0,
                            536870912.0,
                            524289.0};
    SpreadsheetFile file;
    file.createSheets(1);
    for (uint32_t i = 0; i < std::size(reals); ++i)
        file.sheetAt(0)->cellAt(0, i)->setRealValue(reals[i]);
    const std::string path = (TestSupport::workDir() + "/reals.xls").toStdString();
    ASSERT_TRUE(file.saveAs(path.c_str()));
    const BiffReader::Workbook book = BiffReader::read(*CompoundChecker::fromFile(path).stream(u"Workbook"));
    ASSERT_EQ(book.error, "");
    // Worked out by hand: the float form of RK keeps 18 mantissa bits, enough for 2^18 + 1,
    // 0.1, 1.5 and 0.01 (as 10, 150 and 1, divided by 100), -0.0 and 2^29; 1234567.89 × 100,
    // 1e15, 99999.99 × 100, 2^29 - 1 and 2^19 + 1 need more; 1.005 has three decimals; the
    // subnormal number has no upper bits.
    const bool fromRk[] = {false, true,  false, false, true, true, true,
                           false, false, true,  false, true, false};
    for (uint16_t i = 0; i < std::size(reals); ++i) {
        const BiffReader::Cell& cell = book.sheets.at(0).cells.at({0, i});
        EXPECT_EQ(std::memcmp(&cell.number, &reals[i], sizeof cell.number), 0)
            << reals[i] << " came back as " << cell.number;
        EXPECT_EQ(cell.fromRk, fromRk[i]) << reals[i];
    }
}

// A merge span of 0 merges nothing in its direction; it once reached to the sheet's last row or
// column.
TEST(FuzzRegressions, ZeroMergeSpanMergesNothingThatWay)
{
    SpreadsheetFile file;
    file.createSheets(1);
    SpreadsheetSheet& sheet = *file.sheetAt(0);
    sheet.cellAt(2, 3, 0, 2);
    sheet.cellAt(4, 0, 3, 0);
    sheet.cellAt(8, 8, 0, 0);
    const std::string path = (TestSupport::workDir() + "/merges.xls").toStdString();
    ASSERT_TRUE(file.saveAs(path.c_str()));
    const BiffReader::Workbook book = BiffReader::read(*CompoundChecker::fromFile(path).stream(u"Workbook"));
    ASSERT_EQ(book.error, "");
    const std::vector<std::array<uint16_t, 4>> expected = {{2, 2, 3, 4}, {4, 6, 0, 0}};
    EXPECT_EQ(book.sheets.at(0).mergedRanges, expected);
}
