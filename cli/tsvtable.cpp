#include "tsvtable.h"

#include "textconversion.h"

std::string walkTable(std::string_view table, SheetLimits limits, const CellSink& sink)
{
    size_t row = 0;
    size_t lineStart = 0;
    std::u16string field;
    while (lineStart < table.size()) {
        size_t lineEnd = table.find('\n', lineStart);
        if (lineEnd == std::string_view::npos)
            lineEnd = table.size();
        std::string_view line = table.substr(lineStart, lineEnd - lineStart);
        if (!line.empty() && line.back() == '\r' && lineEnd < table.size())
            line.remove_suffix(1);
        auto where = [&](size_t column) {
            return "line " + std::to_string(row + 1) + ", column " + std::to_string(column + 1);
        };
        if (row >= limits.rows)
            return "more than " + std::to_string(limits.rows) + " rows (a sheet holds at most that many)";

        size_t column = 0;
        size_t fieldStart = 0;
        while (true) {
            const size_t tab = line.find('\t', fieldStart);
            const std::string_view text = line.substr(
                fieldStart, tab == std::string_view::npos ? std::string_view::npos : tab - fieldStart);
            if (column >= limits.columns)
                return "line " + std::to_string(row + 1) + ": more than " + std::to_string(limits.columns) +
                       " columns (a sheet holds at most that many)";
            if (!utf8ToUtf16(text, field))
                return where(column) + ": not valid UTF-8";
            if (field.size() > maxCellCharacters)
                return where(column) + ": more than " + std::to_string(maxCellCharacters) +
                       " characters (a cell holds at most that many)";
            if (!sink(static_cast<uint32_t>(row), static_cast<uint32_t>(column), text, field))
                return where(column) + ": the cell could not be written";
            ++column;
            if (tab == std::string_view::npos)
                break;
            fieldStart = tab + 1;
        }
        ++row;
        lineStart = lineEnd + 1;
    }
    return {};
}
