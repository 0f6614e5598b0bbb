#pragma once

#include <QString>

// Where a test finds things. All paths are absolute.
namespace TestSupport {
QString rootDir();      // this test program's private folder (HOME, TMPDIR … live below it)
QString workDir();      // the current working directory the test program started in
QString binDir();       // the build's bin/ folder (the program, the converter, the tools)
QString samplesDir();   // sample PDFs with their expected tables
QString sourceDir();    // the source checkout
QString systemPython(); // Debian's python3, which has python3-xlrd and python3-olefile
} // namespace TestSupport

#include <ostream>

// Lets GoogleTest print QStrings as text in failure messages.
inline void PrintTo(const QString& text, std::ostream* os)
{
    *os << '"' << text.toStdString() << '"';
}
