#include "extractoptions.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

ParsedArguments parse(const QStringList& args) { return parseExtractArguments(args); }

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
        {"in.pdf", "-t", "t.json", "-a", "1,2,3,4", "-o", "x"},  // -t with -a
        {"in.pdf", "-t", "t.json", "-c", "5", "-o", "x"},        // -t with -c
        {"in.pdf", "-a", "10,20,110,220", "-c", "5,,6", "-o", "x"},
        {"-a", "10,20,110,220", "-o", "x.csv"},                 // no input
        {"a.pdf", "b.pdf", "-a", "10,20,110,220", "-o", "x"},   // two inputs
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
    for (const char* bad : {"0", "3-1", "1-", "x", "1,,2", "2-3-4", "10", "1-10", ""})
        EXPECT_FALSE(parsePageList(bad, 9, &error)) << bad;
    EXPECT_TRUE(error.contains("past the end") || !error.isEmpty());
    EXPECT_FALSE(parsePageList("12", 9, &error));
    EXPECT_TRUE(error.contains("past the end"));
}

TEST(ExtractTemplate, ReadsPagesAndRefusesBrokenOnes)
{
    QTemporaryDir dir;
    auto write = [&](const QByteArray& json) {
        QFile f(dir.filePath("t.json"));
        EXPECT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(json);
        return f.fileName();
    };
    QString error;
    const auto tables = readTemplate(
        write(R"({"pages": [{"page": 2, "area": [10, 20, 110, 220], "columns": [50, 90.5]},
                           {"page": 1, "area": [1, 2, 30, 40]}]})"),
        &error);
    ASSERT_TRUE(tables) << error.toStdString();
    ASSERT_EQ(tables->size(), 2);
    EXPECT_EQ(tables->at(0).page, 2);
    EXPECT_EQ(tables->at(0).geometry.columns, (QVector<double>{50, 90.5}));
    EXPECT_EQ(tables->at(1).geometry.bottom, 30);
    EXPECT_TRUE(tables->at(1).geometry.columns.isEmpty());

    for (const QByteArray& bad : {QByteArray("{"), QByteArray(R"({"tables": []})"),
                                 QByteArray(R"({"pages": [{"page": 0, "area": [1,2,3,4]}]})"),
                                 QByteArray(R"({"pages": [{"page": 1, "area": [1,2,3]}]})"),
                                 QByteArray(R"({"pages": [{"page": 1, "area": [5,2,3,4]}]})"),
                                 QByteArray(R"({"pages": [{"page": 1, "area": [1,2,3,4], "columns": ["a"]}]})"),
                                 QByteArray(R"({"pages": [{"page": 1, "area": [1,2,3,4]}, {"page": 1, "area": [1,2,3,4]}]})")})
        EXPECT_FALSE(readTemplate(write(bad), &error)) << bad.toStdString();
    EXPECT_FALSE(readTemplate(dir.filePath("missing.json"), &error));
}

} // namespace
