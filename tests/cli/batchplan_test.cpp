#include "cli/batchplan.h"
#include "cli/extractoptions.h"

#include <QDir>
#include <QFile>
#include <QSet>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

TEST(BatchArguments, SeveralInputsOrAnyBatchOptionMakeABatch)
{
    struct Case {
        QStringList args;
        QStringList inputs;
        QString folder;
        QString format;
        int jobs, shardIndex, shardCount;
        double timeout;
    };
    const QStringList geometry{"-a", "10,20,110,220", "-o", "out"};
    const Case cases[] = {
        {{"a.pdf", "b.pdf"}, {"a.pdf", "b.pdf"}, "", "xls", 0, 0, 1, 0},
        {{"-b", "in", "--format", "csv", "-j", "3"}, {}, "in", "csv", 3, 0, 1, 0},
        {{"--batch=in", "--shard", "2/5", "--timeout", "1.5"}, {}, "in", "xls", 0, 2, 5, 1.5},
        {{"a.pdf", "--format=xls"}, {"a.pdf"}, "", "xls", 0, 0, 1, 0},
        {{"--jobs", "1", "a.pdf"}, {"a.pdf"}, "", "xls", 1, 0, 1, 0},
    };
    for (const Case& c : cases) {
        const ParsedArguments p = parseExtractArguments(c.args + geometry);
        const std::string what = c.args.join(' ').toStdString();
        ASSERT_TRUE(p.error.isEmpty()) << what << ": " << p.error.toStdString();
        ASSERT_TRUE(p.options.batch) << what;
        const BatchOptions& b = *p.options.batch;
        EXPECT_EQ(b.inputs, c.inputs) << what;
        EXPECT_EQ(b.folder, c.folder) << what;
        EXPECT_EQ(b.format, c.format) << what;
        EXPECT_EQ(b.jobs, c.jobs) << what;
        EXPECT_EQ(b.shardIndex, c.shardIndex) << what;
        EXPECT_EQ(b.shardCount, c.shardCount) << what;
        EXPECT_EQ(b.timeoutSeconds, c.timeout) << what;
    }
    const ParsedArguments single = parseExtractArguments(QStringList{"a.pdf"} + geometry);
    EXPECT_FALSE(single.options.batch);
    EXPECT_EQ(single.options.input, "a.pdf");

    const QStringList bad[] = {
        {"-b", "in", "--format", "xlsb"},
        {"-b", "in", "--format", "CSV"},
        {"-b", "in", "-j", "0"},
        {"-b", "in", "-j", "two"},
        {"-b", "in", "--shard", "2/2"},
        {"-b", "in", "--shard", "-1/2"},
        {"-b", "in", "--shard", "0/0"},
        {"-b", "in", "--shard", "1"},
        {"-b", "in", "--timeout", "0"},
        {"-b", "in", "--timeout", "x"},
        {"-b", ""},
        {"--format", "csv"},
    };
    for (const QStringList& args : bad)
        EXPECT_FALSE(parseExtractArguments(args + geometry).error.isEmpty()) << args.join(' ').toStdString();
    EXPECT_TRUE(parseExtractArguments({"-b", "in", "-a", "10,20,110,220"}).error.contains("folder"));
}

TEST(BatchPlan, OutputNames)
{
    const std::pair<QString, QString> cases[] = {
        {"statement-2026-11.pdf", "statement-2026-11.xls"},
        {"/data/in/a.b.PDF", "a.b.xls"},
        {"scan", "scan.xls"},
        {".pdf", ".pdf.xls"},
        {"dir.pdf/x.Pdf", "x.xls"},
    };
    for (const auto& [input, output] : cases)
        EXPECT_EQ(batchOutputName(input, ".xls"), output) << input.toStdString();
}

TEST(BatchPlan, NameOrderClashesAndShardsCoverEveryInputOnce)
{
    QString error;
    const auto plan = planBatch({"z/b.pdf", "a.pdf", "y/C.pdf", "x/B.pdf"}, ".csv", 0, 1, &error);
    ASSERT_TRUE(plan) << error.toStdString();
    QStringList order;
    for (const BatchItem& item : *plan)
        order.append(item.input + '>' + item.outputName);
    EXPECT_EQ(order, (QStringList{"x/B.pdf>B.csv", "y/C.pdf>C.csv", "a.pdf>a.csv", "z/b.pdf>b.csv"}));

    for (const QStringList& clash :
         {QStringList{"a/x.pdf", "b/x.pdf"}, QStringList{"x.pdf", "x.PDF"}, QStringList{"x.pdf", "x.pdf"}}) {
        EXPECT_FALSE(planBatch(clash, ".xls", 0, 1, &error)) << clash.join(' ').toStdString();
        EXPECT_TRUE(error.contains("x.xls")) << error.toStdString();
    }

    QStringList inputs;
    for (int i = 0; i < 23; ++i)
        inputs.append(QStringLiteral("f%1.pdf").arg(i));
    for (int count : {1, 2, 5, 23, 40}) {
        QStringList seen;
        for (int index = 0; index < count; ++index) {
            const auto share = planBatch(inputs, ".xls", index, count, &error);
            for (const BatchItem& item : *share)
                seen.append(item.input);
        }
        EXPECT_EQ(seen.size(), inputs.size()) << count;
        EXPECT_EQ(QSet<QString>(seen.begin(), seen.end()), QSet<QString>(inputs.begin(), inputs.end()))
            << count;
    }
}

TEST(BatchPlan, ListsOnlyThePdfsDirectlyInTheFolder)
{
    QTemporaryDir dir;
    for (const char* name : {"b.pdf", "A.PDF", "notes.txt", "pdf", "sub/c.pdf"}) {
        QDir(dir.path()).mkpath(QFileInfo(dir.filePath(name)).path());
        QFile f(dir.filePath(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }
    QDir(dir.path()).mkdir("folder.pdf");
    QString error;
    auto pdfs = listPdfs(dir.path(), &error);
    ASSERT_TRUE(pdfs) << error.toStdString();
    pdfs->sort();
    EXPECT_EQ(*pdfs, (QStringList{dir.filePath("A.PDF"), dir.filePath("b.pdf")}));
    EXPECT_FALSE(listPdfs(dir.filePath("missing"), &error));
    EXPECT_FALSE(listPdfs(dir.filePath("b.pdf"), &error));
}

} // namespace
