// Inputs kept from fuzzing page text parsing and grid building, replayed through the fuzz
// targets' own checks, and the faults they found written out as plain cases.
#include "../../fuzz/extractionchecks.h"
#include "extraction/pagegrid.h"
#include "gridnotation.h"

#include "testsupport.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

namespace {

using Check = std::string (*)(const uint8_t*, size_t);

// Every file of tests/extraction/fuzz-regressions/<target> must pass the check.
void replay(const QString& target, Check check)
{
    const QDir folder(TestSupport::sourceDir() + "/tests/extraction/fuzz-regressions/" + target);
    const QStringList names = folder.entryList(QDir::Files, QDir::Name);
    ASSERT_FALSE(names.isEmpty()) << folder.path().toStdString();
    for (const QString& name : names) {
        QFile file(folder.filePath(name));
        ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << name.toStdString();
        const QByteArray bytes = file.readAll();
        EXPECT_EQ(check(reinterpret_cast<const uint8_t*>(bytes.constData()), size_t(bytes.size())), "")
            << name.toStdString();
    }
}

} // namespace

TEST(FuzzRegressions, PageTextInputs)
{
    replay("pagetext", FuzzChecks::checkPageText);
}

TEST(FuzzRegressions, GridInputs)
{
    replay("grid", FuzzChecks::checkGrid);
}

// Past 2^24 pixels floats skip whole pixels: a run's bottom must be rounded like its band's
// end, or the run misses the very row it forms.
TEST(FuzzRegressions, RunBeyondFloatPrecisionKeepsItsRow)
{
    const QRectF table(538976000, 538976000, 1000, 1000);
    EXPECT_EQ(describe(buildPageGrid(runs("538976378 538976288 10 32 far\n"), table, {}, 1.0f).grid),
              "1x1\n\"far \"\n");
}
