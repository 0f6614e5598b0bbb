// zq-tsv2xls: a tab-separated table turned into a spreadsheet, read back by xlrd.
#include "biffbytes.h"
#include "spreadsheet/spreadsheet.h"
#include "spreadsheetreadback.h"

#include "testsupport.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QProcess>

#include <filesystem>
#include <fstream>

using namespace xls;

using namespace BiffTest;

namespace {
QString pathIn(const QString& name)
{
    return TestSupport::workDir() + "/" + name;
}

void writeFile(const QString& path, const std::string& content)
{
    std::ofstream out(path.toStdString(), std::ios::binary);
    out << content;
}

struct ToolRun {
    int exitCode = -1;
    QString errors;
};

ToolRun convert(const QString& input, const QString& output)
{
    QProcess tool;
    tool.start(TestSupport::binDir() + "/zq-tsv2xls", {input, output});
    ToolRun run;
    if (tool.waitForFinished(60000) && tool.exitStatus() == QProcess::NormalExit)
        run.exitCode = tool.exitCode();
    run.errors = QString::fromUtf8(tool.readAllStandardError());
    return run;
}

// The document the tool should make: each line a row, each tab-separated field a wide text.
void fillExpected(SpreadsheetFile& file, const std::vector<std::vector<std::u16string>>& rows)
{
    file.createSheets(1);
    for (uint32_t row = 0; row < rows.size(); ++row)
        for (uint32_t column = 0; column < rows[row].size(); ++column)
            file.sheetAt(0)->cellAt(row, column)->setText(rows[row][column]);
}

std::string utf8(const std::u16string& text)
{
    return QString::fromStdU16String(text).toStdString();
}

Bytes fileBytes(const QString& path)
{
    std::ifstream in(path.toStdString(), std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}
} // namespace

TEST(Tsv2Xls, LinesFieldsAndLineEnds)
{
    // CR LF and LF line ends, a CR inside a line, empty fields and lines, and a last line
    // without a line end.
    const QString input = pathIn("table.tsv"), output = pathIn("table.xls");
    writeFile(input, "Name\tCity\tNote\r\nJos\xC3\xA9\t\xE5\x8C\x97\xE4\xBA\xAC\t\xF0\x9F\x98\x80\n"
                     "\tempty first\t\n\nmid\rcr\tx\r\r\nlast");
    const ToolRun run = convert(input, output);
    ASSERT_EQ(run.exitCode, 0) << run.errors.toStdString();
    SpreadsheetFile expected;
    fillExpected(expected, {{u"Name", u"City", u"Note"},
                            {u"José", u"北京", u"😀"},
                            {u"", u"empty first", u""},
                            {u""},
                            {u"mid\rcr", u"x\r"},
                            {u"last"}});
    EXPECT_TRUE(readsBackEqual(expected, output));

    // The same table as an .xlsx workbook; openpyxl leaves a cell without text out (None).
    const QString workbook = pathIn("table.xlsx");
    ASSERT_EQ(convert(input, workbook).exitCode, 0);
    const SpreadsheetReadback read = readBackSpreadsheet(workbook);
    ASSERT_TRUE(read.error.isEmpty()) << read.error.toStdString();
    ASSERT_EQ(read.sheets.size(), 1);
    EXPECT_EQ(read.sheets[0].name, "Sheet1");
    const QVector<QStringList> rows = read.sheets[0].shownRows();
    ASSERT_GE(rows.size(), 6);
    EXPECT_EQ(rows[1].mid(0, 3), QStringList({"José", "北京", "😀"}));
    EXPECT_EQ(rows[4].mid(0, 2), QStringList({"mid\rcr", "x\r"}));
    EXPECT_EQ(rows[5].value(0), "last");
}

TEST(Tsv2Xls, EmptyFileGivesASheetWithoutCells)
{
    const QString input = pathIn("empty.tsv"), output = pathIn("empty.xls");
    writeFile(input, "");
    ASSERT_EQ(convert(input, output).exitCode, 0);
    QVector<ReadSheet> sheets;
    ASSERT_TRUE(readWithXlrd(output, sheets));
    ASSERT_EQ(sheets.size(), 1);
    EXPECT_EQ(sheets[0].name, "Sheet1");
    EXPECT_EQ(sheets[0].rows, 0);
}

TEST(Tsv2Xls, BadInputIsRefused)
{
    struct Case {
        const char* name;
        std::string content;
        const char* message;
    };
    std::string tooManyRows;
    for (int i = 0; i < 65537; ++i)
        tooManyRows += "r\n";
    const std::string tooManyColumns(256, '\t');
    // Files over 4 MB are read in two halves at once: a problem in either is still reported
    // with its line as read in order.
    std::string largeRows, lateBadText;
    for (int i = 0; i < 65537; ++i)
        largeRows += std::string(70, 'r') + "\n";
    for (int i = 0; i < 60000; ++i)
        lateBadText += std::string(40, 'a') + "\t" + std::string(40, 'b') + "\n";
    lateBadText += "fine\tbad \xC3(\n";
    const Case cases[] = {
        {"invalid UTF-8", "ok\nfine\tbad \xC3(\n", "line 2, column 2: not valid UTF-8"},
        {"surrogate in UTF-8", "\xED\xA0\x80", "not valid UTF-8"},
        {"overlong UTF-8", "\xC0\xAF", "not valid UTF-8"},
        {"rows", tooManyRows, "more than 65536 rows"},
        {"columns", tooManyColumns, "more than 256 columns"},
        {"long cell", std::string(32768, 'x'), "more than 32767 characters"},
        {"rows of a large file", largeRows, "more than 65536 rows"},
        {"invalid UTF-8 late in a large file", lateBadText, "line 60001, column 2: not valid UTF-8"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QString input = pathIn("bad.tsv"), output = pathIn("bad.xls");
        writeFile(input, c.content);
        const ToolRun run = convert(input, output);
        EXPECT_EQ(run.exitCode, 1);
        EXPECT_TRUE(run.errors.contains(c.message)) << run.errors.toStdString();
        EXPECT_FALSE(QFile::exists(output));
    }
    // Exactly at the limits is fine.
    const QString input = pathIn("limits.tsv");
    writeFile(input, std::string(255, '\t') + "\n" + std::string(32767, 'x'));
    EXPECT_EQ(convert(input, pathIn("limits.xls")).exitCode, 0);

    const ToolRun unwritable = convert(input, pathIn("no/such/folder.xls"));
    EXPECT_EQ(unwritable.exitCode, 1);
    EXPECT_TRUE(unwritable.errors.contains("cannot write")) << unwritable.errors.toStdString();
    const ToolRun missing = convert(pathIn("missing.tsv"), pathIn("x.xls"));
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_TRUE(missing.errors.contains("cannot read"));
    EXPECT_EQ(convert(input, "").exitCode, 1);
    // A folder is not a table, and the output may not be the input.
    QDir().mkpath(pathIn("folder.tsv"));
    const ToolRun folder = convert(pathIn("folder.tsv"), pathIn("folder.xls"));
    EXPECT_EQ(folder.exitCode, 1);
    EXPECT_TRUE(folder.errors.contains("is a folder")) << folder.errors.toStdString();
    EXPECT_FALSE(QFile::exists(pathIn("folder.xls")));
    const auto contents = [&] {
        QFile file(input);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    };
    const QByteArray before = contents();
    ASSERT_TRUE(QFile::link(input, pathIn("link.xls")));
    for (const QString& same : {input, pathIn("link.xls")}) {
        const ToolRun onInput = convert(input, same);
        EXPECT_EQ(onInput.exitCode, 1);
        EXPECT_TRUE(onInput.errors.contains("is the input file")) << onInput.errors.toStdString();
        EXPECT_EQ(contents(), before);
    }
    QProcess usage;
    usage.start(TestSupport::binDir() + "/zq-tsv2xls", {input});
    ASSERT_TRUE(usage.waitForFinished());
    EXPECT_EQ(usage.exitCode(), 2);
}

// A disk that fills during the save (file size limited, as on a nearly full disk; the device
// that is always full): the failure is reported with its reason, an existing file keeps its
// bytes and no temporary file is left beside it.
TEST(Tsv2Xls, FullDiskIsReportedAndKeepsTheOldFile)
{
    std::string tsv;
    for (int row = 0; row < 20000; ++row)
        tsv += "cell " + std::to_string(row) + "\tsecond " + std::to_string(row) + "\n";
    const QString folder = pathIn("fulldisk");
    QDir().mkpath(folder);
    const QString input = pathIn("fulldisk.tsv"), output = folder + "/kept.xls";
    writeFile(input, tsv);
    writeFile(output, "the old file");

    QProcess tool;
    tool.start("/bin/sh", {"-c", "trap '' XFSZ; ulimit -f 256; exec \"$0\" \"$1\" \"$2\"",
                           TestSupport::binDir() + "/zq-tsv2xls", input, output});
    ASSERT_TRUE(tool.waitForFinished(60000));
    EXPECT_EQ(tool.exitCode(), 1);
    const QString errors = QString::fromUtf8(tool.readAllStandardError());
    EXPECT_TRUE(errors.contains("cannot write " + output + ": File too large")) << errors.toStdString();
    EXPECT_EQ(fileBytes(output), Bytes({'t', 'h', 'e', ' ', 'o', 'l', 'd', ' ', 'f', 'i', 'l', 'e'}));
    EXPECT_EQ(QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
              QStringList{"kept.xls"});

    const ToolRun full = convert(input, "/dev/full");
    EXPECT_EQ(full.exitCode, 1);
    EXPECT_TRUE(full.errors.contains("cannot write /dev/full: No space left on device"))
        << full.errors.toStdString();
}

// A full sheet of 65536 rows, over 7 MB (its container needs DIFAT sectors), whose string
// table crosses a thousand CONTINUE records with texts of emoji, CJK and accents and one text
// longer than a CONTINUE record. The tool's file equals the interface's own save, and xlrd
// reads every cell of it.
TEST(Tsv2Xls, FullSheetOverSevenMegabytes)
{
    std::vector<std::vector<std::u16string>> rows(65536);
    std::string tsv;
    for (uint32_t row = 0; row < rows.size(); ++row) {
        const std::u16string number = QString::number(row).toStdU16String();
        std::u16string first = u"Zeile " + number + u" — Größe 北京市 😀";
        first += std::u16string(row % 23, u'é') + std::u16string(row % 7, u'ж') + u"👍🏽";
        rows[row] = {first, number + u".25", row % 3 == 0 ? u"" : u"same text"};
        if (row == 40000)
            rows[row][2] = std::u16string(12000, u'长') + u"😀";
        tsv += utf8(rows[row][0]) + "\t" + utf8(rows[row][1]) + "\t" + utf8(rows[row][2]) + "\n";
    }
    const QString input = pathIn("full.tsv"), output = pathIn("full.xls");
    writeFile(input, tsv);
    const ToolRun run = convert(input, output);
    ASSERT_EQ(run.exitCode, 0) << run.errors.toStdString();
    EXPECT_GT(QFile(output).size(), 7 * 1024 * 1024);

    SpreadsheetFile expected;
    fillExpected(expected, rows);
    const QString own = pathIn("own.xls");
    ASSERT_TRUE(expected.saveAs(own.toStdU16String().c_str()));
    EXPECT_TRUE(sameBytes(fileBytes(output), fileBytes(own)));
    Bytes inMemory;
    ASSERT_TRUE(expected.saveToMemory(inMemory));
    EXPECT_TRUE(sameBytes(fileBytes(output), inMemory));
    EXPECT_TRUE(readsBackEqual(expected, output));
}
