#include "app/settings.h"

#include <QDir>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

// Each test stands in a fresh working directory of its own.
class SettingsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(folder.isValid());
        previous = QDir::currentPath();
        ASSERT_TRUE(QDir::setCurrent(folder.path()));
    }
    void TearDown() override { QDir::setCurrent(previous); }

    QTemporaryDir folder;
    QString previous;
};

TEST_F(SettingsTest, MissingFileReadsAsTheWorkingDirectoryAndWritesNothing)
{
    EXPECT_EQ(AppSettings::inputFolder(), ".");
    EXPECT_EQ(AppSettings::outputPath(), ".");
    EXPECT_FALSE(QFile::exists(folder.filePath("setting.ini")));
}

TEST_F(SettingsTest, ValuesLandInSettingIniOfTheWorkingDirectory)
{
    AppSettings::setInputFolder("/data/pdfs");
    AppSettings::setOutputPath("/data/out/tables #1.xls");
    EXPECT_EQ(AppSettings::inputFolder(), "/data/pdfs");
    EXPECT_EQ(AppSettings::outputPath(), "/data/out/tables #1.xls");

    QSettings ini(folder.filePath("setting.ini"), QSettings::IniFormat);
    EXPECT_EQ(ini.value("dir/input").toString(), "/data/pdfs");
    EXPECT_EQ(ini.value("output/output").toString(), "/data/out/tables #1.xls");
}

TEST_F(SettingsTest, EveryReadSeesTheFileAsItIsNow)
{
    AppSettings::setOutputPath("/first.csv");
    {
        // Another copy of the program writes in between.
        QSettings other(folder.filePath("setting.ini"), QSettings::IniFormat);
        other.setValue("output/output", "/second.csv");
    }
    EXPECT_EQ(AppSettings::outputPath(), "/second.csv");
    QFile::remove(folder.filePath("setting.ini"));
    EXPECT_EQ(AppSettings::outputPath(), ".");
}

} // namespace
