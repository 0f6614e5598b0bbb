#include "cli/tsvtable.h"

#include "spreadsheet/textconversion.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <unistd.h>

std::string walkTable(std::string_view table, SheetLimits limits, const CellSink& sink)
{
    return TableWalker(limits, sink).walk(table);
}

std::string TableWalker::walk(std::string_view table)
{
    size_t lineStart = 0;
    while (lineStart < table.size()) {
        size_t lineEnd = table.find('\n', lineStart);
        if (lineEnd == std::string_view::npos)
            lineEnd = table.size();
        std::string_view line = table.substr(lineStart, lineEnd - lineStart);
        if (!line.empty() && line.back() == '\r' && lineEnd < table.size())
            line.remove_suffix(1);
        auto where = [&](size_t column) {
            return "line " + std::to_string(row_ + 1) + ", column " + std::to_string(column + 1);
        };
        if (row_ >= limits_.rows)
            return "more than " + std::to_string(limits_.rows) + " rows (a sheet holds at most that many)";

        size_t column = 0;
        size_t fieldStart = 0;
        while (true) {
            const size_t tab = line.find('\t', fieldStart);
            const std::string_view text = line.substr(
                fieldStart, tab == std::string_view::npos ? std::string_view::npos : tab - fieldStart);
            if (column >= limits_.columns)
                return "line " + std::to_string(row_ + 1) + ": more than " + std::to_string(limits_.columns) +
                       " columns (a sheet holds at most that many)";
            TableField field{text, xls::isAscii(text), {}};
            size_t units = text.size();
            if (!field.ascii) {
                if (field_.size() < text.size())
                    field_.resize(text.size());
                units = xls::utf8ToUtf16(text, field_.data());
                if (units == xls::invalidUtf8)
                    return where(column) + ": not valid UTF-8";
                field.utf16 = std::u16string_view(field_.data(), units);
            }
            if (units > maxCellCharacters)
                return where(column) + ": more than " + std::to_string(maxCellCharacters) +
                       " characters (a cell holds at most that many)";
            if (!sink_(static_cast<uint32_t>(row_), static_cast<uint32_t>(column), field))
                return where(column) + ": the cell could not be written";
            ++column;
            if (tab == std::string_view::npos)
                break;
            fieldStart = tab + 1;
        }
        ++row_;
        lineStart = lineEnd + 1;
    }
    return {};
}

namespace {
// Walks the lines that `readAt(buffer, length)` hands over block by block (0 at the end).
template <class Read> std::string walkBlocks(TableWalker& walker, Read readAt, int& readError)
{
    readError = 0;
    // Blocks of 1 MB; a line longer than the buffer makes it grow.
    std::string buffer(size_t(1) << 20, '\0');
    size_t kept = 0; // bytes of an unfinished line at the buffer's start
    while (true) {
        if (kept == buffer.size())
            buffer.resize(2 * buffer.size());
        const ssize_t got = readAt(buffer.data() + kept, buffer.size() - kept);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0) {
            readError = errno;
            return std::strerror(readError);
        }
        const size_t filled = kept + static_cast<size_t>(got);
        if (got == 0)
            return walker.walk(std::string_view(buffer.data(), filled));
        const std::string_view text(buffer.data(), filled);
        const size_t lastLineEnd = text.rfind('\n');
        if (lastLineEnd == std::string_view::npos) {
            kept = filled;
            continue;
        }
        if (std::string problem = walker.walk(text.substr(0, lastLineEnd + 1)); !problem.empty())
            return problem;
        kept = filled - (lastLineEnd + 1);
        std::memmove(buffer.data(), buffer.data() + lastLineEnd + 1, kept);
    }
}
} // namespace

std::string walkTableFile(int fd, SheetLimits limits, const CellSink& sink, int& readError)
{
    TableWalker walker(limits, sink);
    return walkBlocks(
        walker, [fd](char* to, size_t length) { return ::read(fd, to, length); }, readError);
}

std::string walkTableFileRange(int fd, uint64_t begin, uint64_t end, SheetLimits limits, const CellSink& sink,
                               int& readError)
{
    TableWalker walker(limits, sink);
    uint64_t at = begin;
    const auto readAt = [&](char* to, size_t length) -> ssize_t {
        const ssize_t got = ::pread(fd, to, static_cast<size_t>(std::min<uint64_t>(length, end - at)),
                                    static_cast<off_t>(at));
        if (got > 0)
            at += static_cast<uint64_t>(got);
        return got;
    };
    return walkBlocks(walker, readAt, readError);
}
