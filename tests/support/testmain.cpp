// Shared main of every test program. Each run gets a private HOME, XDG folders, TMPDIR and
// working directory, so tests never touch the real account's files nor see each other's,
// and pass under parallel ctest in any build folder.
#include "testsupport.h"

#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <clocale>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

#ifdef ZQ_TEST_GUI
#include <QApplication>
using TestApplication = QApplication;
#else
#include <QCoreApplication>
using TestApplication = QCoreApplication;
#endif

#if defined(__SANITIZE_ADDRESS__)
// The sanitizer build's defaults, so that a test program started on its own (test discovery,
// an IDE) reports as ctest's run does; the test presets pass the same to child processes.
extern "C" const char* __asan_default_options()
{
    return "detect_leaks=1:strict_string_checks=1";
}
extern "C" const char* __ubsan_default_options()
{
    return "print_stacktrace=1:halt_on_error=1";
}
extern "C" const char* __lsan_default_suppressions()
{
    // Leaks inside system libraries that the tests cannot influence (as in tests/lsan.supp).
    return "leak:libdbus-1.so\nleak:libfontconfig.so\nleak:libpoppler.so\n";
}
#endif

namespace {
std::string g_root;

void makePrivateEnvironment()
{
    std::string templ = (std::filesystem::temp_directory_path() / "zqtest-XXXXXX").string();
    if (!mkdtemp(templ.data()))
        std::abort();
    g_root = templ;
    auto sub = [](const char* name) {
        std::string path = g_root + "/" + name;
        std::filesystem::create_directories(path);
        std::filesystem::permissions(path, std::filesystem::perms::owner_all);
        return path;
    };
    setenv("HOME", sub("home").c_str(), 1);
    setenv("XDG_DATA_HOME", sub("home/.local/share").c_str(), 1);
    setenv("XDG_CONFIG_HOME", sub("home/.config").c_str(), 1);
    setenv("XDG_CACHE_HOME", sub("home/.cache").c_str(), 1);
    setenv("XDG_RUNTIME_DIR", sub("runtime").c_str(), 1);
    setenv("TMPDIR", sub("tmp").c_str(), 1);
    setenv("LC_ALL", "C.UTF-8", 1);
    setenv("LANG", "C.UTF-8", 1);
    if (!getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    const std::string work = sub("work");
    if (chdir(work.c_str()) != 0)
        std::abort();
    std::setlocale(LC_ALL, "");
}
} // namespace

namespace TestSupport {
QString rootDir()
{
    return QString::fromStdString(g_root);
}
QString workDir()
{
    return rootDir() + "/work";
}
QString binDir()
{
    return QStringLiteral(ZQ_BIN_DIR);
}
QString samplesDir()
{
    return QStringLiteral(ZQ_SAMPLES_DIR);
}
QString sourceDir()
{
    return QStringLiteral(ZQ_SOURCE_DIR);
}
QString systemPython()
{
    return QStringLiteral("/usr/bin/python3");
}
} // namespace TestSupport

int main(int argc, char** argv)
{
    makePrivateEnvironment();
    int rc;
    {
        TestApplication app(argc, argv);
        ::testing::InitGoogleTest(&argc, argv);
        rc = RUN_ALL_TESTS();
    }
    std::error_code ignored;
    std::filesystem::remove_all(g_root, ignored);
    return rc;
}
