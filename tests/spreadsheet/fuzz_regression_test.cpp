// Inputs kept from fuzzing the spreadsheet interface, replayed through the fuzz target's own
// check (save, compound document check, BIFF read-back, every cell compared), and the faults
// they found written out as plain cases.
#include "../../fuzz/biffreader.h"
#include "../../fuzz/spreadsheetchecks.h"
#include "compoundchecker.h"
#include "spreadsheet.h"

#include "testsupport.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

#include <cstring>

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

// Two-decimal reals are stored in the float form of RK, which keeps only the upper 30 bits of
// the double; the others whole. The expected bits are worked out by hand from that rule.
TEST(FuzzRegressions, RealsComeBackAsTheirStoredForm)
{
    const struct {
        double set;
        uint64_t storedBits;
    } reals[] = {
        {1.1165883596012172e-321, 0x0000000000000000}, // a subnormal: its upper bits are all zero
        {262145.0, 0x4110000400000000},                // 2^18 + 1 fits in 30 bits
        {1234567.89, 0x4132d687e3d70a3d},              // not two decimals in binary: whole
        {1e15, 0x430c6bf400000000},                    // needs more than 30 bits: 999999383011328
        {0.1, 0x3fb999999999999a},                     // 10 / 100
        {1.5, 0x3ff8000000000000},
        {-0.0, 0x8000000000000000},
        {1.005, 0x3ff0147ae147ae14}, // whole
    };
    SpreadsheetFile file;
    file.createSheets(1);
    for (uint32_t i = 0; i < std::size(reals); ++i)
        file.sheetAt(0)->cellAt(0, i)->setRealValue(reals[i].set);
    const std::string path = (TestSupport::workDir() + "/reals.xls").toStdString();
    ASSERT_TRUE(file.saveAs(path.c_str()));
    const BiffReader::Workbook book = BiffReader::read(*CompoundChecker::fromFile(path).stream(u"Workbook"));
    ASSERT_EQ(book.error, "");
    for (uint16_t i = 0; i < std::size(reals); ++i) {
        const double read = book.sheets.at(0).cells.at({0, i}).number;
        uint64_t bits = 0;
        std::memcpy(&bits, &read, sizeof bits);
        EXPECT_EQ(bits, reals[i].storedBits) << reals[i].set << " came back as " << read;
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
