#include "extraction/layoutfile.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

LayoutReadResult parse(const QByteArray& json, const LayoutLimits& limits = {})
{
    return parseLayout(json, limits);
}

TEST(LayoutFile, ReadsEntriesInFileOrder)
{
    const LayoutReadResult r =
        parse(R"({"pages": [{"page": 2, "area": [10, 20, 110, 220], "columns": [50, 90.5]},
                                                   {"page": 1, "area": [1, 2, 30, 40], "note": "ignored"}],
                                         "version": 7})");
    ASSERT_TRUE(r.ok()) << r.error.toStdString();
    const QVector<LayoutEntry> expected = {{2, 2, {10, 20, 110, 220, {50, 90.5}}},
                                           {1, 1, {1, 2, 30, 40, {}}}};
    EXPECT_EQ(r.entries, expected);
    EXPECT_TRUE(parse(R"({"pages": []})").ok());
}

// Each refusal names the entry and the key, and no entries come back.
TEST(LayoutFile, RefusalsNameTheEntryAndTheKey)
{
    const QByteArray ok = R"({"page": 1, "area": [1, 2, 30, 40]})";
    const struct {
        QByteArray json;
        const char* message;
    } cases[] = {
        {"{", "not valid JSON"},
        {R"([])", "no \"pages\" list"},
        {R"({"tables": []})", "no \"pages\" list"},
        {R"({"pages": {"page": 1}})", "no \"pages\" list"},
        {R"({"pages": [3]})", "entry 1: not an object"},
        {R"({"pages": [{"area": [1,2,3,4]}]})", "entry 1: \"page\" must be a whole number from 1 to 1999"},
        {R"({"pages": [{"page": 0, "area": [1,2,3,4]}]})", "entry 1: \"page\""},
        {R"({"pages": [{"page": -3, "area": [1,2,3,4]}]})", "entry 1: \"page\""},
        {R"({"pages": [{"page": 1.5, "area": [1,2,3,4]}]})", "entry 1: \"page\""},
        {R"({"pages": [{"page": 1e10, "area": [1,2,3,4]}]})", "entry 1: \"page\""},
        {R"({"pages": [{"page": 1e400, "area": [1,2,3,4]}]})", "not valid JSON"},
        {R"({"pages": [{"page": 2000, "area": [1,2,3,4]}]})", "entry 1: \"page\""},
        {R"({"pages": [{"page": "1", "area": [1,2,3,4]}]})", "entry 1: \"page\""},
        {"{\"pages\": [" + ok + R"(, {"page": 1, "area": [1,2,3]}]})",
         "entry 2: \"area\" must be [top, left, bottom, right]"},
        {"{\"pages\": [" + ok + R"(, {"page": 2, "area": "1,2,3,4"}]})", "entry 2: \"area\" must be"},
        {"{\"pages\": [" + ok + R"(, {"page": 2}]})", "entry 2: \"area\" must be"},
        {"{\"pages\": [" + ok + R"(, {"page": 2, "area": [1,2,3,"4"]}]})", "entry 2: \"area\" must be"},
        {"{\"pages\": [" + ok + R"(, {"page": 2, "area": [1,2,1e300,4]}]})", "entry 2: \"area\" must be"},
        {"{\"pages\": [" + ok + R"(, {"page": 2, "area": [5,2,3,4]}]})",
         "entry 2: \"area\": the area is empty or reversed"},
        {"{\"pages\": [" + ok + R"(, {"page": 2, "area": [-1,2,3,4]}]})",
         "entry 2: \"area\": the area starts outside"},
        {"{\"pages\": [" + ok + R"(, {"page": 2, "area": [1,2,3,4], "columns": 5}]})",
         "entry 2: \"columns\" must be a list of numbers"},
        {"{\"pages\": [" + ok + R"(, {"page": 2, "area": [1,2,3,4], "columns": "5"}]})",
         "entry 2: \"columns\" must be a list"},
        {"{\"pages\": [" + ok + R"(, {"page": 2, "area": [1,2,3,4], "columns": null}]})",
         "entry 2: \"columns\" must be a list"},
        {"{\"pages\": [" + ok + R"(, {"page": 2, "area": [1,2,3,4], "columns": ["a"]}]})",
         "entry 2: \"columns\" must be a list of numbers"},
        {"{\"pages\": [" + ok + R"(, {"page": 2, "area": [1,2,3,4], "columns": [1, 2e9]}]})",
         "entry 2: \"columns\" must be a list of numbers"},
        {"{\"pages\": [" + ok + R"(, {"page": 2, "area": [1,2,3,4], "columns": [3, 4.5]}]})",
         "entry 2: \"columns\": 4.5 lies outside the area (left 2, right 4)"},
        {"{\"pages\": [" + ok + R"(, {"page": 2, "area": [1,2,3,4], "columns": [1.5]}]})",
         "entry 2: \"columns\": 1.5 lies outside"},
        {"{\"pages\": [" + ok + R"(, {"pages": "3-1", "area": [1,2,3,4]}]})", "entry 2: \"pages\" must be"},
        {"{\"pages\": [" + ok + R"(, {"pages": "0-2", "area": [1,2,3,4]}]})", "entry 2: \"pages\" must be"},
        {"{\"pages\": [" + ok + R"(, {"pages": "2-2000", "area": [1,2,3,4]}]})",
         "entry 2: \"pages\" must be"},
        {"{\"pages\": [" + ok + R"(, {"pages": "2-99999999999", "area": [1,2,3,4]}]})",
         "entry 2: \"pages\" must be"},
        {"{\"pages\": [" + ok + R"(, {"pages": "2-", "area": [1,2,3,4]}]})", "entry 2: \"pages\" must be"},
        {"{\"pages\": [" + ok + R"(, {"pages": "1-2-3", "area": [1,2,3,4]}]})", "entry 2: \"pages\" must be"},
        {"{\"pages\": [" + ok + R"(, {"pages": "All", "area": [1,2,3,4]}]})", "entry 2: \"pages\" must be"},
        {"{\"pages\": [" + ok + R"(, {"pages": 2, "area": [1,2,3,4]}]})", "entry 2: \"pages\" must be"},
        {"{\"pages\": [" + ok + R"(, {"pages": ["all"], "area": [1,2,3,4]}]})", "entry 2: \"pages\" must be"},
        {"{\"pages\": [" + ok + R"(, {"page": 2, "pages": "all", "area": [1,2,3,4]}]})",
         "entry 2: \"pages\": give either \"page\" or \"pages\""},
        {"{\"pages\": [" + ok + R"(, {"pages": "all", "area": [1,2,3,4], "join_lines": 1}]})",
         "entry 2: \"join_lines\" must be true or false"},
        {"{\"pages\": [" + ok + R"(, {"pages": "all", "area": [1,2,3,4], "join_lines": "true"}]})",
         "entry 2: \"join_lines\" must be true or false"},
    };
    for (const auto& c : cases) {
        const LayoutReadResult r = parse(c.json);
        EXPECT_TRUE(r.error.contains(QLatin1String(c.message)))
            << c.json.toStdString() << " gave \"" << r.error.toStdString() << "\"";
        EXPECT_TRUE(r.entries.isEmpty()) << c.json.toStdString();
    }
}

TEST(LayoutFile, RangesAllAndJoinLines)
{
    const LayoutReadResult r = parse(R"({"pages": [{"pages": "all", "area": [1, 2, 30, 40]},
                                                   {"pages": " 2 - 9 ", "area": [5, 6, 70, 80], "columns": [7],
                                                    "join_lines": true},
                                                   {"pages": "4", "area": [1, 2, 3, 4], "join_lines": false}]})");
    ASSERT_TRUE(r.ok()) << r.error.toStdString();
    const QVector<LayoutEntry> expected = {{1, LayoutEntry::kThroughLastPage, {1, 2, 30, 40, {}}},
                                           {2, 9, {5, 6, 70, 80, {7}}, true},
                                           {4, 4, {1, 2, 3, 4, {}}}};
    EXPECT_EQ(r.entries, expected);
}

// Later entries override earlier ones on the pages they name; pages past the end are named once.
TEST(LayoutFile, ResolvingPutsTheLastEntryOfEachPageOnTheDocument)
{
    const TableGeometry a{1, 2, 30, 40, {}};
    const TableGeometry b{5, 6, 70, 80, {7}};
    const TableGeometry c{1, 2, 3, 4, {}};
    const QVector<LayoutEntry> entries = {
        {1, LayoutEntry::kThroughLastPage, a}, {2, 9, b, true}, {4, 4, c}, {8, 12, c}, {11, 11, a}};
    const ResolvedLayout five = resolveLayout(entries, 5);
    const QVector<std::optional<PageLayout>> expected = {
        PageLayout{a}, PageLayout{b, true}, PageLayout{b, true}, PageLayout{c}, PageLayout{b, true}};
    EXPECT_EQ(five.pages, expected);
    EXPECT_EQ(five.missingPages, (QVector<int>{6, 7, 8, 9, 10, 11, 12}));
    EXPECT_EQ(pageRangesText(five.missingPages), "6-12");
    EXPECT_EQ(pageRangesText({3, 7, 8, 9, 11}), "3, 7-9, 11");

    const ResolvedLayout sparse = resolveLayout({{3, 3, c}}, 4);
    EXPECT_EQ(sparse.pages,
              (QVector<std::optional<PageLayout>>{std::nullopt, std::nullopt, PageLayout{c}, std::nullopt}));
    EXPECT_TRUE(sparse.missingPages.isEmpty());
    EXPECT_EQ(resolveLayout(entries, 20).missingPages, QVector<int>{});
}

// Written, read back and resolved, a document's pages come back exactly, fractions included.
TEST(LayoutFile, RoundTripKeepsEveryPageExactly)
{
    const TableGeometry a{100.125, 36.0 / 7.0, 700.3333333333334, 576, {110.1, 300, 420.0000001}};
    const TableGeometry b{1e-9, 0, 14400, 0.5, {}};
    const QVector<std::optional<PageLayout>> pages = {PageLayout{a}, PageLayout{a},       PageLayout{a},
                                                      std::nullopt,  PageLayout{b, true}, PageLayout{a},
                                                      PageLayout{b}};
    const QVector<LayoutEntry> entries = layoutEntriesForPages(pages);
    EXPECT_EQ(entries, (QVector<LayoutEntry>{{1, 3, a}, {5, 5, b, true}, {6, 6, a}, {7, 7, b}}));

    QTemporaryDir dir;
    const QString path = dir.filePath("layout.json");
    ASSERT_EQ(writeLayoutFile(path, entries), "");
    const LayoutReadResult read = readLayoutFile(path);
    ASSERT_TRUE(read.ok()) << read.error.toStdString();
    EXPECT_EQ(read.entries, entries);
    EXPECT_EQ(resolveLayout(read.entries, 7).pages, pages);
    EXPECT_TRUE(layoutJson({{2, 4, b}, {1, LayoutEntry::kThroughLastPage, a}}).contains(R"("pages": "all")"));
    EXPECT_EQ(parse(layoutJson({{2, 4, b}, {1, LayoutEntry::kThroughLastPage, a}})).entries,
              (QVector<LayoutEntry>{{2, 4, b}, {1, LayoutEntry::kThroughLastPage, a}}));

    // A write that fails names why and keeps what was there.
    EXPECT_NE(writeLayoutFile(dir.filePath("no/such/folder/x.json"), entries), "");
    EXPECT_NE(writeLayoutFile("/proc/version", entries), "");
    EXPECT_EQ(readLayoutFile(path).entries, entries);
}

QByteArray manyEntries(int count, bool distinct)
{
    QByteArray json = R"({"pages": [)";
    for (int i = 0; i < count; ++i)
        json += (i ? "," : "") + QByteArray(R"({"page": )") + QByteArray::number(distinct ? i + 1 : 1) +
                R"(, "area": [1, 2, 30, 40]})";
    return json + "]}";
}

// Hostile sizes are refused by a count before any entry is read.
TEST(LayoutFile, LimitsFailEarlyWithTheirReason)
{
    LayoutLimits limits;
    limits.maxPage = 20;
    limits.maxColumns = 3;
    limits.maxBytes = 4000;
    EXPECT_TRUE(parse(manyEntries(20, true), limits).ok());
    EXPECT_TRUE(
        parse(manyEntries(21, true), limits).error.contains("\"pages\" has 21 entries, more than the 20"));
    EXPECT_TRUE(parse(manyEntries(200, false), limits).error.contains("larger than 4000 bytes"));
    EXPECT_TRUE(
        parse(R"({"pages": [{"page": 21, "area": [1,2,3,4]}]})", limits).error.contains("from 1 to 20"));
    EXPECT_TRUE(parse(R"({"pages": [{"page": 1, "area": [1,0,3,4], "columns": [1,2,3]}]})", limits).ok());
    EXPECT_TRUE(parse(R"({"pages": [{"page": 1, "area": [1,2,3,4], "columns": [1,2,3,4]}]})", limits)
                    .error.contains("entry 1: \"columns\" has 4 separators, more than the 3"));

    // A full-size file of duplicates: the count limit answers before the duplicate check.
    EXPECT_TRUE(parse(manyEntries(100000, false)).error.contains("100000 entries, more than the 1999"));
    const LayoutReadResult full = parse(manyEntries(1999, true));
    ASSERT_TRUE(full.ok()) << full.error.toStdString();
    EXPECT_EQ(full.entries.size(), 1999);
}

TEST(LayoutFile, FilesAreBoundedAndErrorsNameThePath)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("layout.json");
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(R"({"pages": [{"page": 3, "area": [1, 2, 30, 40], "columns": [5]}]})");
    file.close();
    const LayoutReadResult r = readLayoutFile(path);
    ASSERT_TRUE(r.ok()) << r.error.toStdString();
    EXPECT_EQ(r.entries, (QVector<LayoutEntry>{{3, 3, {1, 2, 30, 40, {5}}}}));

    LayoutLimits small;
    small.maxBytes = 10;
    EXPECT_TRUE(readLayoutFile(path, small).error.startsWith(path + ": the layout is larger than 10 bytes"));
    EXPECT_TRUE(readLayoutFile(dir.filePath("missing.json"))
                    .error.startsWith("cannot read " + dir.filePath("missing.json")));
    EXPECT_FALSE(readLayoutFile(dir.path()).ok());
}

} // namespace
