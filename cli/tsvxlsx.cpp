#include "cli/tsvtable.h"

#include <xlsxwriter.h>

#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

// Rows stream out through libxlsxwriter into a file beside the output, renamed over it once
// complete, so bad input found late leaves nothing behind.
std::string writeTableAsXlsx(std::string_view table, const std::string& output)
{
    const size_t slash = output.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : output.substr(0, slash == 0 ? 1 : slash);
    std::string temporary = folder + "/.zq-tsv2xls-XXXXXX";
    const int fd = ::mkstemp(temporary.data());
    if (fd < 0)
        return std::string("cannot write ") + output + ": " + std::strerror(errno);
    ::close(fd);
    lxw_workbook_options settings{};
    settings.constant_memory = LXW_TRUE;
    lxw_workbook* workbook = workbook_new_opt(temporary.c_str(), &settings);
    lxw_worksheet* sheet = workbook ? workbook_add_worksheet(workbook, "Sheet1") : nullptr;
    std::string cell;
    const std::string problem =
        !sheet ? std::string("the workbook could not be started")
               : walkTable(table, xlsxLimits, [&](uint32_t row, uint32_t column, const TableField& text) {
                     if (text.utf8.empty())
                         return true;
                     cell.assign(text.utf8);
                     return worksheet_write_string(sheet, row, lxw_col_t(column), cell.c_str(), nullptr) ==
                            LXW_NO_ERROR;
                 });
    const bool closed = workbook && workbook_close(workbook) == LXW_NO_ERROR;
    if (!problem.empty() || !closed) {
        ::unlink(temporary.c_str());
        return problem.empty() ? "cannot write " + output : problem + "; nothing written";
    }
    // mkstemp made the file for its owner alone; a new file gets what the umask leaves.
    const mode_t mask = ::umask(0);
    ::umask(mask);
    ::chmod(temporary.c_str(), 0666 & ~mask);
    if (::rename(temporary.c_str(), output.c_str()) != 0) {
        const int error = errno;
        ::unlink(temporary.c_str());
        return "cannot write " + output + ": " + std::strerror(error);
    }
    return {};
}
