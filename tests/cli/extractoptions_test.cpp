#include "cli/extractoptions.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

ParsedArguments parse(const QStringList& args)
{
    return parseExtractArguments(args);
}

TEST(ExtractArguments, OptionsAndInputInAnyOrder)
{
    for (const QStringList& args :
         {QStringList{"in.pdf", "-a", "10,20,110,220", "-c", "50,90", "-o", "out.csv"},
          QStringList{"-o", "out.csv", "--columns=50,90", "--area", "10,20,110,220", "in.pdf"},
          QStringList{"-c", "50,90", "in.pdf", "--output=out.csv", "-a", "10, 20, 110, 220"}}) {
        const ParsedArguments p = parse(args);
        ASSERT_TRUE(p.error.isEmpty()) << p.error.toStdString();
        EXPECT_EQ(p.options.input, "in.pdf");
        EXPECT_EQ(p.options.output, "out.csv");
        ASSERT_TRUE(p.options.geometry);
        EXPECT_EQ(p.options.geometry->top, 10);
        EXPECT_EQ(p.options.geometry->left, 20);
        EXPECT_EQ(p.options.geometry->bottom, 110);
        EXPECT_EQ(p.options.geometry->right, 220);
        EXPECT_EQ(p.options.geometry->columns, (QVector<double>{50, 90}));
        EXPECT_EQ(p.options.pages, "all");
        EXPECT_FALSE(p.options.exportOptions.numbersAsNumbers);
    }
    EXPECT_TRUE(parse({"in.pdf", "--numbers", "-a", "10,20,110,220", "-o", "x.xlsx"})
                    .options.exportOptions.numbersAsNumbers);
}

TEST(ExtractArguments, BadArgumentsAreRefusedWithAReason)
{
    const QStringList bad[] = {
        {"in.pdf", "-a", "10,20,110", "-o", "x.csv"},           // three numbers
        {"in.pdf", "-a", "10,20,1e,220", "-o", "x.csv"},        // malformed number
        {"in.pdf", "-a", "110,20,10,220", "-o", "x.csv"},       // reversed
        {"in.pdf", "-a", "10,20,10,220", "-o", "x.csv"},        // empty
        {"in.pdf", "-a", "10,20,110,220"},                      // no -o
        {"in.pdf", "-t", "t.json", "-a", "1,2,3,4", "-o", "x"}, // -t with -a
        {"in.pdf", "-t", "t.json", "-c", "5", "-o", "x"},       // -t with -c
        {"in.pdf", "-a", "10,20,110,220", "-c", "5,,6", "-o", "x"},
        {"-a", "10,20,110,220", "-o", "x.csv"},                         // no input
        {"a.pdf", "-b", "in", "-a", "10,20,110,220", "-o", "x"},        // -b with inputs
        {"in.pdf", "-a", "10,20,110,220", "-o", "x", "--timeout", "5"}, // a limit on one PDF
        {"in.pdf", "--frobnicate", "-o", "x"},
        {"in.pdf", "-o"},
        {"in.pdf", "-a", "nan,20,110,220", "-o", "x"},
        {"in.pdf", "-a", "10,20,110,220", "--numbers=yes", "-o", "x"},
    };
    for (const QStringList& args : bad)
        EXPECT_FALSE(parse(args).error.isEmpty()) << args.join(' ').toStdString();
}

TEST(ExtractArguments, HelpAndVersionNeedNothingElse)
{
    EXPECT_TRUE(parse({"--help"}).options.help);
    EXPECT_TRUE(parse({"-h"}).error.isEmpty());
    EXPECT_TRUE(parse({"--version"}).options.version);
    EXPECT_TRUE(extractUsage().contains("--template"));
}

TEST(ExtractGeometry, PointsBecomeCanvasPixelsUnrounded)
{
    const TableGeometry g{100, 50, 300, 450, {120.5, 200}};
    const double s = 4.0 / 3.0;
    EXPECT_EQ(g.canvasRect(s), QRectF(50 * s, 100 * s, 400 * s, 200 * s));
    const QVector<QRectF> lines = g.canvasLines(s);
    ASSERT_EQ(lines.size(), 2);
    EXPECT_EQ(lines[0], QRectF(120.5 * s, 100 * s, 0, 200 * s));
    EXPECT_EQ(lines[1], QRectF(200 * s, 100 * s, 0, 200 * s));
}

TEST(ExtractPages, ListsAndRanges)
{
    QString error;
    EXPECT_EQ(*parsePageList("all", 3, &error), (QVector<int>{1, 2, 3}));
    EXPECT_EQ(*parsePageList("1-3,7", 9, &error), (QVector<int>{1, 2, 3, 7}));
    EXPECT_EQ(*parsePageList("7,2,2-3", 9, &error), (QVector<int>{2, 3, 7}));
    for (const char* bad : {"0", "3-1", "1-", "x", "1,,2", "2-3-4", ""}) {
        error.clear();
        EXPECT_FALSE(parsePageList(bad, 9, &error)) << bad;
        EXPECT_TRUE(error.startsWith("bad page list")) << bad << ": " << error.toStdString();
    }
    for (const char* past : {"10", "1-10"}) {
        EXPECT_FALSE(parsePageList(past, 9, &error)) << past;
        EXPECT_TRUE(error.contains("past the end")) << past;
    }
    EXPECT_FALSE(parsePageList("12", 9, &error));
    EXPECT_TRUE(error.contains("past the end"));
}

// The layout file's own rules are tested with its reader; here only what the tool adds.
TEST(ExtractTemplate, BecomesOneTablePerPageWithTheOutputsColumnLimit)
{
    QTemporaryDir dir;
    QFile f(dir.filePath("t.json"));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    QByteArray columns;
    for (int i = 0; i < 300; ++i)
        columns += (i ? "," : "") + QByteArray::number(10 + i);
    f.write(R"({"pages": [{"page": 2, "area": [10, 20, 110, 220], "columns": [50, 90.5]},
                          {"page": 1, "area": [1, 2, 30, 400], "columns": [)" +
            columns + "]}]}");
    f.close();
    QString error;
    const auto entries = readTemplate(f.fileName(), maxColumnSeparators("out.csv"), &error);
    ASSERT_TRUE(entries) << error.toStdString();
    const auto tables = templateTables(*entries, 2, &error);
    ASSERT_TRUE(tables) << error.toStdString();
    ASSERT_EQ(tables->size(), 2);
    EXPECT_EQ(tables->at(1).page, 2);
    EXPECT_EQ(tables->at(1).geometry, (TableGeometry{10, 20, 110, 220, {50, 90.5}}));
    EXPECT_EQ(tables->at(0).geometry.columns.size(), 300);

    EXPECT_EQ(maxColumnSeparators("out.xls"), 255);
    EXPECT_FALSE(readTemplate(f.fileName(), maxColumnSeparators("out.xls"), &error));
    EXPECT_TRUE(error.contains("entry 2: \"columns\" has 300 separators, more than the 255"))
        << error.toStdString();
    EXPECT_TRUE(error.startsWith("the template " + f.fileName())) << error.toStdString();
}

TEST(ExtractTemplate, RangesAndAllMeetTheDocumentLaterEntriesWin)
{
    const TableGeometry a{10, 20, 110, 220, {50}};
    const TableGeometry b{1, 2, 30, 40, {}};
    const QVector<LayoutEntry> entries = {{1, LayoutEntry::kThroughLastPage, a}, {2, 3, b, true}};
    QString error;
    const auto tables = templateTables(entries, 4, &error);
    ASSERT_TRUE(tables) << error.toStdString();
    ASSERT_EQ(tables->size(), 4);
    EXPECT_EQ(tables->at(0).geometry, a);
    EXPECT_EQ(tables->at(2).geometry, b);
    EXPECT_TRUE(tables->at(2).joinLines);
    EXPECT_EQ(tables->at(3).geometry, a);
    EXPECT_FALSE(templateTables(entries, 2, &error));
    EXPECT_EQ(error, "page 3 of the template is past the end of the document (2 pages)");
}

TEST(ExtractTemplate, PagesAndTooManyColumnsAreRefusedOnTheCommandLine)
{
    ParsedArguments p = parse({"in.pdf", "-t", "t.json", "-p", "2", "-o", "x.xls"});
    EXPECT_TRUE(p.error.contains("-t cannot be combined with -p")) << p.error.toStdString();
    EXPECT_TRUE(parse({"in.pdf", "-t", "t.json", "-o", "x.xls"}).error.isEmpty());
    EXPECT_TRUE(extractUsage().contains("cannot be combined with -p"));

    QStringList columns;
    for (int i = 0; i < 256; ++i)
        columns << QString::number(i + 11);
    p = parse({"in.pdf", "-a", "10,10,500,500", "-c", columns.join(','), "-o", "x.xls"});
    EXPECT_TRUE(p.error.contains("256 separators, more than the 255")) << p.error.toStdString();
    EXPECT_TRUE(
        parse({"in.pdf", "-a", "10,10,500,500", "-c", columns.join(','), "-o", "x.csv"}).error.isEmpty());
}

} // namespace
