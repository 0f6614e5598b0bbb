// The converter's output folder: page file names, text.xml written and read back, and the
// folders and files the program must refuse.
#include "protocol/converter.h"
#include "protocol/pagefiles.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

bool writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

} // namespace

TEST(PageFiles, NamesCountsAndImageSizes)
{
    EXPECT_EQ(PageFiles::baseName(1), "text_pg_0001");
    EXPECT_EQ(PageFiles::baseName(1999), "text_pg_1999");
    EXPECT_EQ(PageFiles::imagePath("/f", 12), "/f/text_pg_0012.png");
    EXPECT_EQ(PageFiles::textPath("/f", 12), "/f/text_pg_0012.htm");
    EXPECT_EQ(PageFiles::documentInfoPath("/f"), "/f/text.xml");

    QTemporaryDir dir;
    const QString folder = dir.path();
    // The first 24 bytes of a PNG file of 3 × 2 pixels: all its size is read from.
    const QByteArray png = QByteArray("\x89PNG\r\n\x1a\n\0\0\0\x0dIHDR\0\0\0\x03\0\0\0\x02", 24);
    for (int page : {1, 2, 4})
        ASSERT_TRUE(writeFile(PageFiles::imagePath(folder, page), png));
    EXPECT_EQ(PageFiles::countPageImages(folder), 2); // stops at the gap before page 4
    EXPECT_EQ(PageFiles::countPageImages(folder, 1), 1);
    EXPECT_EQ(PageFiles::countPageImages(folder + "/missing"), 0);
    EXPECT_EQ(PageFiles::pngSize(PageFiles::imagePath(folder, 1)), QSize(3, 2));

    const struct {
        const char* what;
        QByteArray bytes;
    } notPng[] = {
        {"empty", ""},
        {"truncated", png.left(23)},
        {"other signature", QByteArray(png).replace(1, 3, "GIF")},
        {"no IHDR first", QByteArray(png).replace(12, 4, "IDAT")},
        {"zero width", QByteArray(png).replace(16, 4, QByteArray(4, '\0'))},
        {"width beyond int", QByteArray(png).replace(16, 4, QByteArray("\x80\0\0\0", 4))},
    };
    for (const auto& c : notPng) {
        const QString path = folder + "/bad.png";
        ASSERT_TRUE(writeFile(path, c.bytes));
        EXPECT_FALSE(PageFiles::pngSize(path).isValid()) << c.what;
    }
    EXPECT_FALSE(PageFiles::pngSize(folder + "/missing.png").isValid());
}

TEST(DocumentInfo, WrittenAndReadBack)
{
    QTemporaryDir dir;
    const QString path = PageFiles::documentInfoPath(dir.path());
    DocumentInfo info;
    info.pageCount = 2;
    info.pages = {{1, 612, 792, 816, 1056}, {2, 841.8897638, 595.2755906, 1123, 794}};
    ASSERT_TRUE(info.write(path));
    const auto back = DocumentInfo::read(path);
    ASSERT_TRUE(back);
    ASSERT_EQ(back->pageCount, 2);
    ASSERT_EQ(back->pages.size(), 2);
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(back->pages[i].number, info.pages[i].number);
        EXPECT_DOUBLE_EQ(back->pages[i].widthPt, info.pages[i].widthPt);
        EXPECT_DOUBLE_EQ(back->pages[i].heightPt, info.pages[i].heightPt);
        EXPECT_EQ(back->pages[i].imageWidth, info.pages[i].imageWidth);
        EXPECT_EQ(back->pages[i].imageHeight, info.pages[i].imageHeight);
    }
    EXPECT_DOUBLE_EQ(back->pages[0].pixelsPerPoint(), 816.0 / 612);
    EXPECT_FALSE(info.write(dir.path() + "/missing/text.xml"));
}

TEST(DocumentInfo, MalformedDescriptionsAreRefused)
{
    QTemporaryDir dir;
    const QString path = PageFiles::documentInfoPath(dir.path());
    const char* page = R"(<page number="1" width="612" height="792" imageWidth="816" imageHeight="1056"/>)";
    const struct {
        const char* what;
        QByteArray text;
    } cases[] = {
        {"empty", ""},
        {"no markup", "pages 1"},
        {"other root", QByteArray("<pages pages=\"1\">") + page + "</pages>"},
        {"fewer pages than said", QByteArray("<document pages=\"2\">") + page + "</document>"},
        {"more pages than said", QByteArray("<document pages=\"0\">") + page + "</document>"},
        {"no end tag", QByteArray("<document pages=\"1\">") + page},
        {"broken element", "<document pages=\"1\"><page number=\"1\"</document>"},
    };
    for (const auto& c : cases) {
        ASSERT_TRUE(writeFile(path, c.text));
        EXPECT_FALSE(DocumentInfo::read(path)) << c.what;
    }
    EXPECT_FALSE(DocumentInfo::read(dir.path() + "/missing.xml"));
    ASSERT_TRUE(writeFile(path, QByteArray("<document pages=\"1\">") + page + "</document>"));
    EXPECT_TRUE(DocumentInfo::read(path));
}

TEST(ConverterCommand, StartedBesideTheProgramWithTheDescriptionPath)
{
    const ConverterCommand plain = ConverterCommand::make("/opt/zq", "/d/a b.pdf", "/tmp/f");
    EXPECT_EQ(plain.program, "/opt/zq/Qtmingw.dll");
    EXPECT_EQ(plain.arguments, QStringList({"-htmlformat", "/d/a b.pdf", "/tmp/f/text.xml"}));
    EXPECT_EQ(plain.commandLine(), R"("/opt/zq/Qtmingw.dll" -htmlformat "/d/a b.pdf" "/tmp/f/text.xml")");
    const ConverterCommand timed = ConverterCommand::make("/opt/zq", "/d/a.pdf", "/tmp/f", 5);
    EXPECT_EQ(timed.commandLine(),
              R"("/opt/zq/Qtmingw.dll" -htmlformat "/d/a.pdf" "/tmp/f/text.xml" --page-timeout 5)");
    EXPECT_EQ(converterExitMessage(int(ConverterExit::Locked)), "the document is protected by a password");
    EXPECT_EQ(converterExitMessage(42), "the converter failed (exit code 42)");
}
