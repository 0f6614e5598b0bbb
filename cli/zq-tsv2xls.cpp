// zq-tsv2xls: turns a tab-separated UTF-8 text table into an Excel 97 (.xls) file, or into an
// Excel 2007+ workbook when OUTPUT ends in ".xlsx" (any case).
//
//   zq-tsv2xls INPUT.tsv OUTPUT.xls
//
// Each line is a row (lines end at LF; a CR before it is dropped; nothing after the last LF
// is a row), split at tabs into cells, every cell a text exactly as written. One sheet,
// "Sheet1". Bad input is refused with a message and exit status 1, nothing written.

#include "cli/tsvsheet.h"
#include "cli/tsvtable.h"
#include "spreadsheet/spreadsheet.h"

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>

namespace {
int fail(const std::string& message)
{
    std::fprintf(stderr, "zq-tsv2xls: %s\n", message.c_str());
    return 1;
}

// The whole file in one read into a string of its size.
bool readFile(const char* path, std::string& content)
{
    const int fd = ::open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    struct stat info;
    bool ok = ::fstat(fd, &info) == 0;
    content.clear();
    if (ok && S_ISREG(info.st_mode))
        content.reserve(static_cast<size_t>(info.st_size));
    char buffer[1 << 16];
    while (ok) {
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        ok = got >= 0;
        if (got <= 0)
            break;
        content.append(buffer, static_cast<size_t>(got));
    }
    ::close(fd);
    return ok;
}

// The table is read in blocks straight into the sheet's cells; the file is written as its
// records are produced.
int writeXls(const char* input, const char* output)
{
    const int fd = ::open(input, O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return fail(std::string("cannot read ") + input + ": " + std::strerror(errno));
    xls::SpreadsheetFile file;
    int readError = 0;
    const std::string problem = readTableIntoWorkbook(fd, file, readError);
    ::close(fd);
    if (readError != 0)
        return fail(std::string("cannot read ") + input + ": " + problem);
    if (!problem.empty())
        return fail(std::string(input) + ": " + problem + "; nothing written");
    if (!file.saveAs(output)) {
        const int error = file.saveError();
        const std::string reason = error != 0 ? std::string(": ") + std::strerror(error) : "";
        return fail(std::string("cannot write ") + output + reason);
    }
    // The file is complete and closed. The program ends here rather than take a full sheet's
    // million cells apart one by one: the system takes all its memory back at once.
    std::_Exit(0);
}

bool endsWithXlsx(const std::string& name)
{
    if (name.size() < 5)
        return false;
    std::string suffix = name.substr(name.size() - 5);
    for (char& c : suffix)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return suffix == ".xlsx";
}
} // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: zq-tsv2xls INPUT.tsv OUTPUT.xls\n"
                             "Turns a tab-separated UTF-8 table into an Excel 97 spreadsheet\n"
                             "(an Excel 2007+ workbook for an OUTPUT ending in .xlsx).\n");
        return 2;
    }
    struct stat input {};
    if (::stat(argv[1], &input) == 0 && S_ISDIR(input.st_mode))
        return fail(std::string(argv[1]) + " is a folder, not a text table; nothing written");
    struct stat output {};
    if (::stat(argv[2], &output) == 0 && output.st_dev == input.st_dev && output.st_ino == input.st_ino)
        return fail(std::string("the output ") + argv[2] + " is the input file; nothing written");
    if (!endsWithXlsx(argv[2]))
        return writeXls(argv[1], argv[2]);
    std::string table;
    if (!readFile(argv[1], table))
        return fail(std::string("cannot read ") + argv[1]);
    const std::string problem = writeTableAsXlsx(table, argv[2]);
    if (problem.empty())
        return 0;
    return fail(problem.rfind("cannot write", 0) == 0 ? problem : std::string(argv[1]) + ": " + problem);
}
