// Files read back by xlrd, an independent reader, and compared cell by cell.
#include "biffbytes.h"
#include "spreadsheet/spreadsheet.h"

#include "testsupport.h"

#include <gtest/gtest.h>

#include <QJsonArray>

using namespace xls;

using namespace BiffTest;

namespace {
QString pathIn(const char* name)
{
    return TestSupport::workDir() + "/" + name;
}

bool save(SpreadsheetFile& file, const QString& path)
{
    return file.saveAs(path.toStdU16String().c_str());
}
} // namespace

TEST(ReadBack, TextsNumbersBlanksAndMergedRanges)
{
    SpreadsheetFile file;
    file.createSheets(1);
    SpreadsheetSheet& sheet = *file.sheetAt(0);
    const char16_t* texts[] = {u"Crème brûlée",   u"北京市朝阳区",      u"😀 smile 👍🏽",
                               u"\U00020BB7野家", u"tab\tand\nnewline", u"\"quoted\", comma"};
    for (uint32_t i = 0; i < std::size(texts); ++i)
        sheet.cellAt(0, i)->setText(texts[i]);
    sheet.cellAt(1, 0)->setNarrowText("Gr\xFC\xDF"
                                      "e");
    sheet.cellAt(1, 1)->setNarrowText("plain");
    sheet.cellAt(1, 2)->setText(u"plain"); // the same characters, wide: a second entry
    const int32_t integers[] = {0, 5, -7, 536870911, 536870912, -536870913, 2147483647, -2147483647 - 1};
    for (uint32_t i = 0; i < std::size(integers); ++i)
        sheet.cellAt(2, i)->setIntValue(integers[i]);
    // Reals that the float form of RK keeps exactly, and ones written whole (NUMBER).
    const double reals[] = {1.5, 2.25, 0.01, -3.75, 1.005, 3.14159, 65535.0, 1024.5, -0.5, 0.1};
    for (uint32_t i = 0; i < std::size(reals); ++i)
        sheet.cellAt(3, i)->setRealValue(reals[i]);
    sheet.cellAt(4, 3)->setXfIndex(15); // a blank with a format of its own
    sheet.cellAt(5, 1, 2, 3)->setText(u"merged");
    sheet.cellAt(6, 8); // xlrd counts the merged rows as used
    file.addSheet("Zweite")->cellAt(2, 2)->setText(u"second sheet");

    const QString path = pathIn("mixed.xls");
    ASSERT_TRUE(save(file, path));
    EXPECT_TRUE(readsBackEqual(file, path));
    QVector<ReadSheet> sheets;
    ASSERT_TRUE(readWithXlrd(path, sheets));
    EXPECT_EQ(sheets[0].merged, QJsonArray({QJsonArray({5, 7, 1, 4})}));
}

// A text straddling a CONTINUE boundary exactly at an emoji: the pair is moved whole into the
// CONTINUE, or readers refuse the file.
TEST(ReadBack, EmojiOnAContinueBoundary)
{
    for (const int filler : {8200, 8199}) {
        SCOPED_TRACE(filler);
        SpreadsheetFile file;
        file.createSheets(1);
        file.sheetAt(0)->cellAt(0, 0)->setNarrowText(std::string(size_t(filler), 'f').c_str());
        file.sheetAt(0)->cellAt(0, 1)->setText(u"ABCD😀FGHIJ");
        file.sheetAt(0)->cellAt(0, 2)->setText(u"😀😀😀");
        const QString path = pathIn("emoji.xls");
        ASSERT_TRUE(save(file, path));
        EXPECT_TRUE(readsBackEqual(file, path));
    }
}

// Texts longer than a CONTINUE record, one of emoji only, so that record ends fall on pairs.
TEST(ReadBack, TextsLongerThanOneContinue)
{
    SpreadsheetFile file;
    file.createSheets(1);
    std::u16string letters, emoji;
    for (int i = 0; i < 12000; ++i)
        letters.push_back(char16_t(u'a' + i % 26));
    for (int i = 0; i < 9001; ++i)
        emoji += u"😀";
    file.sheetAt(0)->cellAt(0, 0)->setText(letters);
    file.sheetAt(0)->cellAt(1, 0)->setText(u"x");
    file.sheetAt(0)->cellAt(2, 0)->setText(emoji);
    file.sheetAt(0)->cellAt(3, 0)->setNarrowText(std::string(30000, 'n').c_str());
    file.sheetAt(0)->cellAt(4, 0)->setText(u"after");
    const QString path = pathIn("long.xls");
    ASSERT_TRUE(save(file, path));
    EXPECT_TRUE(readsBackEqual(file, path));
}
