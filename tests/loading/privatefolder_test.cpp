#include "loading/privatefolder.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

namespace {

TEST(PrivateFolder, OnlyAFolderOfOurOwnNameDirectlyInTheTemporaryFolderIsRemovable)
{
    struct Case {
        const char* path;
        const char* parent;
        bool removable;
    };
    const Case cases[] = {
        {"/tmp/zq-abcdef", "/tmp", false}, // another prefix
        {"/tmp/zq-test-abcdef", "/tmp", true},
        {"/tmp/zq-test-abcdefg", "/tmp", false}, // not six characters
        {"/tmp/sub/zq-test-abcdef", "/tmp", false},
        {"/zq-test-abcdef", "/", false}, // never at the root
        {"/zq-test-abcdef", "", false},
        {"", "", false},
        {"zq-test-abcdef", ".", false}, // relative
        {"/tmp/../zq-test-abcdef", "/tmp", false},
        {"/tmp/zq-test-abcdef/", "/tmp", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(PrivateFolder::isPrivateFolderPath(c.path, c.parent, "zq-test"), c.removable) << c.path;
}

TEST(PrivateFolder, MadeInTheTemporaryFolderAndRemovedWithItsFiles)
{
    QString error;
    auto folder = PrivateFolder::create("zq-test", &error);
    ASSERT_NE(folder, nullptr) << error.toStdString();
    const QString path = folder->path();
    EXPECT_EQ(QFileInfo(path).path(), QFileInfo(PrivateFolder::temporaryRoot()).canonicalFilePath());
    EXPECT_EQ(QFileInfo(path).permissions() & (QFile::ReadGroup | QFile::ReadOther | QFile::WriteOther), 0);
    QFile file(path + "/text_pg_0001.png");
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    // A folder of the right name made by someone else is not ours to remove with a wrong parent.
    EXPECT_FALSE(PrivateFolder::removeFolder(path, "/", "zq-test"));
    EXPECT_TRUE(QFile::exists(path));
    folder.reset();
    EXPECT_FALSE(QFile::exists(path));
}

} // namespace
