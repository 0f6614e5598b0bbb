// zq-tsv2xls: turns a tab-separated UTF-8 text table into an Excel 97 (.xls) file.
//
//   zq-tsv2xls INPUT.tsv OUTPUT.xls
//
// Each line is a row (lines end at LF; a CR before it is dropped; nothing after the last LF
// is a row), split at tabs into cells, every cell a text exactly as written. One sheet,
// "Sheet1". Bad input is refused with a message and exit status 1, nothing written.

#include "spreadsheet.h"
#include "textconversion.h"

#include <cstdio>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <string_view>

namespace {
constexpr size_t maxRows = 65536;
constexpr size_t maxColumns = 256;
constexpr size_t maxCellCharacters = 32767; // UTF-16 code units a spreadsheet cell holds

int fail(const std::string& message)
{
    std::fprintf(stderr, "zq-tsv2xls: %s\n", message.c_str());
    return 1;
}

bool readFile(const char* path, std::string& content)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    std::ostringstream buffer;
    buffer << in.rdbuf();
    if (in.bad())
        return false;
    content = std::move(buffer).str();
    return true;
}

// Fills the sheet from the table text; an empty string on success, else why not.
std::string fillSheet(std::string_view table, SpreadsheetSheet& sheet)
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
        if (row >= maxRows)
            return "more than " + std::to_string(maxRows) + " rows (a sheet holds at most that many)";

        size_t column = 0;
        size_t fieldStart = 0;
        while (true) {
            const size_t tab = line.find('\t', fieldStart);
            const std::string_view text = line.substr(
                fieldStart, tab == std::string_view::npos ? std::string_view::npos : tab - fieldStart);
            if (column >= maxColumns)
                return "line " + std::to_string(row + 1) + ": more than " + std::to_string(maxColumns) +
                       " columns (a sheet holds at most that many)";
            if (!utf8ToUtf16(text, field))
                return where(column) + ": not valid UTF-8";
            if (field.size() > maxCellCharacters)
                return where(column) + ": more than " + std::to_string(maxCellCharacters) +
                       " characters (a cell holds at most that many)";
            sheet.cellAt(static_cast<uint32_t>(row), static_cast<uint32_t>(column))->setText(field);
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
} // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: zq-tsv2xls INPUT.tsv OUTPUT.xls\n"
                             "Turns a tab-separated UTF-8 table into an Excel 97 spreadsheet.\n");
        return 2;
    }
    std::string table;
    if (!readFile(argv[1], table))
        return fail(std::string("cannot read ") + argv[1]);

    SpreadsheetFile file;
    file.createSheets(1);
    const std::string problem = fillSheet(table, *file.sheetAt(0));
    if (!problem.empty())
        return fail(std::string(argv[1]) + ": " + problem + "; nothing written");
    table = {};
    if (!file.saveAs(argv[2]))
        return fail(std::string("cannot write ") + argv[2]);
    return 0;
}
