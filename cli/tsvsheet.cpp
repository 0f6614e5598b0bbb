#include "cli/tsvsheet.h"

#include "cli/tsvtable.h"
#include "spreadsheet/spreadsheet.h"

#include <cstring>
#include <future>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace {
// Below this a second thread costs more than it saves.
constexpr uint64_t smallestSplitFile = uint64_t(4) << 20;

CellSink cellsInto(xls::SpreadsheetSheet& sheet)
{
    return [&sheet](uint32_t row, uint32_t column, const TableField& text) {
        xls::SpreadsheetCell* cell = sheet.cellAt(row, column);
        return cell && (text.ascii ? cell->setLatin1Text(text.utf8) : cell->setText(text.utf16));
    };
}

// The offset just past the first line end at or after the middle of the file; 0 when there is
// none near it (a few very long lines are not worth splitting).
uint64_t middleLineStart(int fd, uint64_t size)
{
    char window[1 << 16];
    const uint64_t middle = size / 2;
    const ssize_t got = ::pread(fd, window, sizeof window, static_cast<off_t>(middle));
    if (got <= 0)
        return 0;
    const void* lineEnd = std::memchr(window, '\n', static_cast<size_t>(got));
    if (!lineEnd)
        return 0;
    return middle + static_cast<uint64_t>(static_cast<const char*>(lineEnd) - window) + 1;
}

// Both halves read at once; false when anything stood in the way.
bool readInHalves(int fd, uint64_t size, xls::SpreadsheetFile& file)
{
    const uint64_t split = middleLineStart(fd, size);
    if (split == 0 || split >= size)
        return false;
    xls::SpreadsheetFile secondHalf;
    secondHalf.createSheets(1);
    const CellSink intoFirst = cellsInto(*file.sheetAt(0));
    const CellSink intoSecond = cellsInto(*secondHalf.sheetAt(0));
    std::future<bool> second;
    try {
        second = std::async(std::launch::async, [&] {
            int readError = 0;
            return walkTableFileRange(fd, split, size, xlsLimits, intoSecond, readError).empty();
        });
    } catch (const std::system_error&) {
        return false; // no second thread to be had
    }
    int readError = 0;
    const bool firstRead = walkTableFileRange(fd, 0, split, xlsLimits, intoFirst, readError).empty();
    const bool secondRead = second.get();
    return firstRead && secondRead && file.sheetAt(0)->appendRows(*secondHalf.sheetAt(0));
}
} // namespace

std::string readTableIntoWorkbook(int fd, xls::SpreadsheetFile& file, int& readError)
{
    file.createSheets(1);
    struct stat info {};
    if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && uint64_t(info.st_size) >= smallestSplitFile &&
        ::lseek(fd, 0, SEEK_CUR) == 0) {
        if (readInHalves(fd, static_cast<uint64_t>(info.st_size), file))
            return {};
        file.createSheets(1);
    }
    return walkTableFile(fd, xlsLimits, cellsInto(*file.sheetAt(0)), readError);
}
