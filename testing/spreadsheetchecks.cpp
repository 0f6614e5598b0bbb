#include "testing/spreadsheetchecks.h"

#include "fuzz/fuzzinput.h"
#include "spreadsheet/spreadsheet.h"
#include "testing/biffreader.h"
#include "testing/compoundchecker.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <iterator>
#include <limits>
#include <map>
#include <optional>
#include <set>

namespace FuzzChecks {

namespace {

constexpr int maxSheets = 8;
constexpr size_t longestText = 0xFFFF;

// What the interface was told, kept beside it.
struct ModelCell {
    xls::SpreadsheetCellType type = xls::EMPTY;
    int32_t integer = 0;
    double real = 0;
    std::u16string text; // a narrow text's bytes as U+0000 … U+00FF
    uint16_t xf = 0;
    uint16_t mergeRows = 1;
    uint16_t mergeColumns = 1;
};

struct ModelSheet {
    explicit ModelSheet(std::string sheetName) : name(std::move(sheetName)) {}

    std::string name;
    uint32_t rows = 0;
    uint32_t columns = 0;
    std::map<std::pair<uint32_t, uint32_t>, ModelCell> cells;
    std::vector<std::pair<uint16_t, uint16_t>> widths; // (column, width) in first-set order
};

std::u16string widened(const std::string& bytes)
{
    std::u16string text;
    for (const char byte : bytes)
        text.push_back(char16_t(uint8_t(byte)));
    return text;
}

std::string where(size_t sheet, uint32_t row, uint32_t column)
{
    return "sheet " + std::to_string(sheet) + " cell (" + std::to_string(row) + ", " +
           std::to_string(column) + ")";
}

bool sameBits(double a, double b)
{
    return std::memcmp(&a, &b, sizeof a) == 0;
}

std::string showNumber(double value)
{
    char text[64];
    std::snprintf(text, sizeof text, "%.17g", value);
    return text;
}

// Whether the file must hold a number in RK form, worked out from the file format's rules
// rather than by the writer's code. An integer: when it fits the 30-bit integer form. A real:
// when it has at most two decimals (to four places) and the float form gives it back exactly;
// that form keeps the upper 30 bits of the double (the low 34 bits must be zero), of the real
// itself when it has no decimals, else of the real times 100, which is divided back.
bool expectedInRk(const ModelCell& cell)
{
    if (cell.type == xls::INTEGER)
        return cell.integer >= -(1 << 29) && cell.integer < (1 << 29);
    const auto low34BitsZero = [](double value) {
        uint64_t bits;
        std::memcpy(&bits, &value, sizeof bits);
        return (bits & ((uint64_t(1) << 34) - 1)) == 0;
    };
    const double real = cell.real;
    if (std::trunc(real * 100) * 100 != std::trunc(real * 10000))
        return false;
    if (std::trunc(real) * 100 == std::trunc(real * 100))
        return low34BitsZero(real);
    const double scaled = real * 100;
    return low34BitsZero(scaled) && sameBits(scaled / 100, real);
}

// Numbers worth having on every run: zeros, infinities, NaN, a subnormal, the RK limits and
// values whose RK form would need more bits than it has.
double specialReal(uint8_t choice)
{
    static const double values[] = {0.0,
                                    -0.0,
                                    std::numeric_limits<double>::infinity(),
                                    -std::numeric_limits<double>::infinity(),
                                    std::numeric_limits<double>::quiet_NaN(),
                                    1e-310,
                                    std::numeric_limits<double>::max(),
                                    262145.0,
                                    1234567.89,
                                    0.1,
                                    -0.01,
                                    536870911.5,
                                    1e15,
                                    2.5e-5,
                                    123456.78,
                                    -99999999.99};
    return values[choice % std::size(values)];
}

class Driver {
public:
    Driver(FuzzInput& in, const SpreadsheetCheck& check)
        : in_(in), maxCells_(check.maxCells), maxTextUnits_(check.maxTextUnits)
    {
    }

    // Runs the operations the bytes describe; an error text when the interface misbehaved.
    std::string run(int sheetCount)
    {
        file_.createSheets(sheetCount);
        for (int i = 1; i <= std::max(sheetCount, 1); ++i)
            sheets_.emplace_back("Sheet" + std::to_string(i));
        while (in_.remaining() > 0 && error_.empty())
            step(in_.take<uint8_t>());
        if (error_.empty())
            compareWithInterface();
        return error_;
    }

    const std::vector<ModelSheet>& sheets() const { return sheets_; }
    xls::SpreadsheetFile& file() { return file_; }

private:
    struct Target {
        size_t sheet;
        uint32_t row;
        uint32_t column;
        xls::SpreadsheetCell* cell;
        ModelCell* model;
    };

    void fail(const std::string& message)
    {
        if (error_.empty())
            error_ = message;
    }

    uint64_t cellCount() const
    {
        uint64_t count = 0;
        for (const ModelSheet& sheet : sheets_)
            count += uint64_t(sheet.rows) * sheet.columns;
        return count;
    }

    // A sheet and a position: mostly a small corner, sometimes anywhere, past the limits too.
    std::optional<Target> pick(bool far)
    {
        const size_t sheetIndex = in_.take<uint8_t>() % sheets_.size();
        const uint32_t row = far ? in_.take<uint32_t>() % 70000 : in_.take<uint8_t>() % 48;
        const uint32_t column = far ? in_.take<uint16_t>() % 300 : in_.take<uint8_t>() % 12;
        ModelSheet& model = sheets_[sheetIndex];
        xls::SpreadsheetSheet* sheet = file_.sheetAt(int(sheetIndex));
        if (row > 65535 || column > 255) {
            if (sheet->cellAt(row, column) != nullptr)
                fail("cellAt past the limits gave a cell at " + where(sheetIndex, row, column));
            if (sheet->rowCount() != model.rows || sheet->columnCount() != model.columns)
                fail("cellAt past the limits grew the grid of sheet " + std::to_string(sheetIndex));
            return std::nullopt;
        }
        const uint64_t rows = std::max(model.rows, row + 1);
        const uint64_t columns = std::max(model.columns, column + 1);
        if (cellCount() - uint64_t(model.rows) * model.columns + rows * columns > maxCells_)
            return std::nullopt;
        xls::SpreadsheetCell* cell = sheet->cellAt(row, column);
        if (!cell) {
            fail("no cell at " + where(sheetIndex, row, column));
            return std::nullopt;
        }
        model.rows = uint32_t(rows);
        model.columns = uint32_t(columns);
        return Target{sheetIndex, row, column, cell, &model.cells[{row, column}]};
    }

    static void setValue(ModelCell& model, xls::SpreadsheetCellType type)
    {
        model.type = type;
        if (type != xls::STRING && type != xls::WSTRING)
            model.text.clear();
    }

    void setNarrow(Target& target, const std::string& bytes)
    {
        if (!target.cell->setNarrowText(bytes.c_str()))
            return fail("a narrow text was refused");
        target.model->text = widened(bytes);
        setValue(*target.model, bytes.empty() ? xls::EMPTY : xls::STRING);
    }

    void setWide(Target& target, const std::u16string& units, bool asPointer)
    {
        if (!(asPointer ? target.cell->setText(units.c_str())
                        : target.cell->setText(std::u16string_view(units))))
            return fail("a wide text was refused");
        target.model->text = units;
        setValue(*target.model, units.empty() ? xls::EMPTY : xls::WSTRING);
    }

    // A text of `length` characters repeating a short pattern, to cross CONTINUE records.
    std::u16string longText(uint8_t op)
    {
        size_t length = in_.take<uint16_t>();
        if (op & 0x20)
            length += 0xFF00; // often past the longest text a shared string can count
        length = size_t(std::min<uint64_t>(length, maxTextUnits_ - textUnits_));
        textUnits_ += length;
        std::u16string pattern;
        for (int n = 1 + in_.take<uint8_t>() % 4; n > 0; --n) {
            const char16_t unit = in_.take<uint16_t>();
            pattern.push_back(unit ? unit : u'a');
        }
        if (op & 0x40)
            pattern += u"\U0001F600";
        std::u16string text;
        text.reserve(length);
        while (text.size() < length)
            text.push_back(pattern[text.size() % pattern.size()]);
        return text;
    }

    void step(uint8_t op)
    {
        const bool far = op & 0x10;
        switch (op & 0x0F) {
        case 0: { // narrow text
            auto target = pick(far);
            std::string bytes;
            for (int n = in_.take<uint8_t>() % 40; n > 0; --n)
                if (const char byte = char(in_.take<uint8_t>()))
                    bytes.push_back(byte);
            if (target)
                setNarrow(*target, bytes);
            lastText_ = {widened(bytes), false};
            break;
        }
        case 1: { // wide text, surrogates and all
            auto target = pick(far);
            std::u16string units;
            for (int n = in_.take<uint8_t>() % 40; n > 0; --n)
                if (const char16_t unit = in_.take<uint16_t>())
                    units.push_back(unit);
            if (target)
                setWide(*target, units, op & 0x20);
            lastText_ = {units, true};
            break;
        }
        case 2: { // long text, narrow or wide
            auto target = pick(far);
            std::u16string text = longText(op);
            if (op & 0x80) {
                std::string bytes;
                for (const char16_t unit : text)
                    bytes.push_back(char(unit & 0xFF ? unit & 0xFF : 'b'));
                if (target)
                    setNarrow(*target, bytes);
                lastText_ = {widened(bytes), false};
            } else {
                if (target)
                    setWide(*target, text, false);
                lastText_ = {text, true};
            }
            break;
        }
        case 3:
        case 4:
        case 5: { // integers: any, small (MULRK runs), around the 30-bit RK limits
            auto target = pick(far);
            int32_t value = (op & 0x0F) == 3 ? in_.take<int32_t>() : in_.take<int16_t>();
            if ((op & 0x0F) == 5)
                value = (op & 0x20 ? -(1 << 29) : (1 << 29)) + in_.take<int8_t>();
            if (target) {
                target->cell->setIntValue(value);
                target->model->integer = value;
                setValue(*target->model, xls::INTEGER);
            }
            break;
        }
        case 6:
        case 7:
        case 15: { // reals: any bits, hundredths, special values
            auto target = pick(far);
            const double value = (op & 0x0F) == 6   ? in_.take<double>()
                                 : (op & 0x0F) == 7 ? in_.take<int32_t>() / 100.0
                                                    : specialReal(in_.take<uint8_t>());
            if (target) {
                target->cell->setRealValue(value);
                target->model->real = value;
                setValue(*target->model, xls::REAL);
            }
            break;
        }
        case 8: { // emptied by an empty text, a null text or clear()
            auto target = pick(far);
            if (!target)
                break;
            switch ((op >> 5) & 3) {
            case 0:
                target->cell->setText(u"");
                break;
            case 1:
                target->cell->setNarrowText("");
                break;
            case 2:
                target->cell->setNarrowText(nullptr);
                break;
            default:
                target->cell->clear();
                break;
            }
            setValue(*target->model, xls::EMPTY);
            break;
        }
        case 9: { // merge spans, zero and past the sheet's end included
            const bool wide = op & 0x20;
            const bool throughCellAt = op & 0x40;
            const size_t sheetIndex = in_.take<uint8_t>() % sheets_.size();
            const uint32_t row = in_.take<uint8_t>() % 48;
            const uint32_t column = in_.take<uint8_t>() % 12;
            const uint16_t rows = wide ? in_.take<uint16_t>() : in_.take<uint8_t>() % 6;
            const uint16_t columns = wide ? in_.take<uint16_t>() : in_.take<uint8_t>() % 6;
            ModelSheet& model = sheets_[sheetIndex];
            if (cellCount() - uint64_t(model.rows) * model.columns +
                    uint64_t(std::max(model.rows, row + 1)) * std::max(model.columns, column + 1) >
                maxCells_)
                break;
            xls::SpreadsheetSheet* sheet = file_.sheetAt(int(sheetIndex));
            xls::SpreadsheetCell* cell =
                throughCellAt ? sheet->cellAt(row, column, rows, columns) : sheet->cellAt(row, column);
            if (!cell) {
                fail("no cell at " + where(sheetIndex, row, column));
                break;
            }
            if (!throughCellAt)
                cell->setMergeSpan(rows, columns);
            model.rows = std::max(model.rows, row + 1);
            model.columns = std::max(model.columns, column + 1);
            ModelCell& modelCell = model.cells[{row, column}];
            modelCell.mergeRows = rows;
            modelCell.mergeColumns = columns;
            break;
        }
        case 10: { // column width; columns past 255 are ignored, a second width replaces the first
            const size_t sheetIndex = in_.take<uint8_t>() % sheets_.size();
            const uint16_t column = far ? in_.take<uint16_t>() % 300 : in_.take<uint8_t>() % 12;
            const uint16_t width = in_.take<uint16_t>();
            file_.sheetAt(int(sheetIndex))->setColumnWidth(column, width);
            if (column > 255)
                break;
            auto& widths = sheets_[sheetIndex].widths;
            auto entry =
                std::find_if(widths.begin(), widths.end(), [&](const auto& w) { return w.first == column; });
            if (entry != widths.end())
                entry->second = width;
            else
                widths.emplace_back(column, width);
            break;
        }
        case 11: { // clearCell never grows the grid
            const size_t sheetIndex = in_.take<uint8_t>() % sheets_.size();
            const uint32_t row = far ? in_.take<uint32_t>() : in_.take<uint8_t>() % 48;
            const uint32_t column = far ? in_.take<uint32_t>() : in_.take<uint8_t>() % 12;
            ModelSheet& model = sheets_[sheetIndex];
            const bool inside = row < model.rows && column < model.columns;
            if (file_.sheetAt(int(sheetIndex))->clearCell(row, column) != inside)
                fail("clearCell answered wrongly for " + where(sheetIndex, row, column));
            if (inside)
                setValue(model.cells[{row, column}], xls::EMPTY);
            break;
        }
        case 12: { // cell format index
            auto target = pick(far);
            const uint16_t xf = in_.take<uint16_t>();
            if (target) {
                target->cell->setXfIndex(xf);
                target->model->xf = xf;
            }
            break;
        }
        case 13: { // the last text again, for the shared string table to find
            auto target = pick(far);
            if (!target)
                break;
            if (lastText_.second) {
                setWide(*target, lastText_.first, false);
            } else {
                std::string bytes;
                for (const char16_t unit : lastText_.first)
                    bytes.push_back(char(unit));
                setNarrow(*target, bytes);
            }
            break;
        }
        case 14:
            addSheet(op);
            break;
        }
    }

    // Sheets by number ("Sheet%d" past any clash) or by name, at the end or at an index.
    void addSheet(uint8_t op)
    {
        const int count = int(sheets_.size());
        const int index = in_.take<int8_t>() % (count + 3) - 1; // -1 … count + 1, the last one invalid
        std::optional<std::string> name;
        if (op & 0x20) {
            std::string bytes;
            for (int n = in_.take<uint8_t>() % 8; n > 0; --n)
                if (const char byte = char(in_.take<uint8_t>()))
                    bytes.push_back(byte);
            if (op & 0x40) // names past 255 bytes are refused
                bytes.resize(250 + in_.take<uint8_t>() % 10, 'n');
            name = bytes;
        }
        if (count >= maxSheets)
            return;
        auto clashes = [&](const std::string& candidate) {
            return std::any_of(sheets_.begin(), sheets_.end(),
                               [&](const ModelSheet& s) { return s.name == candidate; });
        };
        std::optional<std::string> expected;
        if (index >= -1 && index <= count) {
            if (name && name->size() <= 255 && !clashes(*name))
                expected = name;
            for (int number = count + 1; !name && !expected; ++number)
                if (!clashes("Sheet" + std::to_string(number)))
                    expected = "Sheet" + std::to_string(number);
        }
        xls::SpreadsheetSheet* added = name ? file_.addSheet(name->c_str(), index) : file_.addSheet(index);
        if (bool(added) != bool(expected)) {
            fail("addSheet(" + (name ? "\"" + *name + "\", " : std::string()) + std::to_string(index) + ") " +
                 (added ? "added a sheet" : "refused"));
            return;
        }
        if (!added)
            return;
        const size_t at = index == -1 ? size_t(count) : size_t(index);
        sheets_.insert(sheets_.begin() + long(at), ModelSheet(*expected));
        if (file_.sheetAt(int(at)) != added || file_.sheetCount() != int(sheets_.size()))
            fail("the added sheet is not at index " + std::to_string(at));
    }

    // The interface's own getters agree with what was set.
    void compareWithInterface()
    {
        if (file_.sheetCount() != int(sheets_.size()))
            return fail("sheetCount " + std::to_string(file_.sheetCount()));
        for (size_t i = 0; i < sheets_.size(); ++i) {
            const ModelSheet& model = sheets_[i];
            const xls::SpreadsheetSheet& sheet = *file_.sheetAt(int(i));
            if (file_.sheetNamed(model.name.c_str()) != &sheet)
                return fail("sheetNamed does not find \"" + model.name + "\"");
            if (sheet.rowCount() != model.rows || sheet.columnCount() != model.columns)
                return fail("sheet " + std::to_string(i) + " has " + std::to_string(sheet.rowCount()) +
                            " x " + std::to_string(sheet.columnCount()) + " cells");
            for (const auto& [column, width] : model.widths)
                if (sheet.columnWidth(column) != width)
                    return fail("columnWidth of sheet " + std::to_string(i));
            for (const auto& [position, cell] : model.cells) {
                const xls::SpreadsheetCell* actual = sheet.cellAt(position.first, position.second);
                const std::string at = where(i, position.first, position.second);
                if (!actual || actual->type() != cell.type || actual->xfIndex() != cell.xf ||
                    actual->mergeRows() != cell.mergeRows || actual->mergeColumns() != cell.mergeColumns)
                    return fail(at + ": the interface reports another type, format or merge");
                int32_t integer = 0;
                double real = 0;
                if (cell.type == xls::INTEGER && (!actual->intValue(integer) || integer != cell.integer))
                    return fail(at + ": intValue " + std::to_string(integer));
                if (cell.type == xls::REAL && (!actual->realValue(real) || !sameBits(real, cell.real)))
                    return fail(at + ": realValue " + showNumber(real));
                if (cell.type == xls::STRING || cell.type == xls::WSTRING) {
                    if (actual->textLength() != cell.text.size())
                        return fail(at + ": textLength " + std::to_string(actual->textLength()));
                    std::u16string text;
                    if (cell.type == xls::STRING) {
                        std::string bytes(cell.text.size() + 1, 'x');
                        actual->narrowText(bytes.data());
                        bytes.pop_back();
                        text = widened(bytes);
                    } else {
                        text.assign(cell.text.size() + 1, u'x');
                        actual->text(text.data());
                        text.pop_back();
                    }
                    if (text != cell.text)
                        return fail(at + ": the interface gives back another text");
                }
            }
        }
    }

    FuzzInput& in_;
    const uint64_t maxCells_;
    const uint64_t maxTextUnits_;
    uint64_t textUnits_ = 0;
    xls::SpreadsheetFile file_;
    std::vector<ModelSheet> sheets_;
    std::pair<std::u16string, bool> lastText_;
    std::string error_;
};

std::string describeRanges(const std::vector<std::array<uint16_t, 4>>& ranges)
{
    std::string text;
    for (const auto& range : ranges)
        text += "(rows " + std::to_string(range[0]) + "-" + std::to_string(range[1]) + ", columns " +
                std::to_string(range[2]) + "-" + std::to_string(range[3]) + ")";
    return text.empty() ? "none" : text;
}

// A number read back right but from the other record form; empty when the form is right too.
std::string storedForm(const ModelCell& expected, const BiffReader::Cell& read)
{
    if (read.fromRk == expectedInRk(expected))
        return {};
    return showNumber(read.number) +
           (read.fromRk ? " is in an RK value, not a NUMBER" : " is in a NUMBER, not an RK value");
}

// What differs between a cell as set and as read; empty when they agree.
std::string compareCell(const ModelCell& expected, const BiffReader::Cell& read)
{
    if (read.xf != expected.xf)
        return "format index " + std::to_string(read.xf) + ", set " + std::to_string(expected.xf);
    switch (expected.type) {
    case xls::EMPTY:
        return read.kind == BiffReader::Cell::Blank ? std::string() : "not a BLANK";
    case xls::INTEGER:
        if (read.kind != BiffReader::Cell::Number || read.number != double(expected.integer))
            return "read " + showNumber(read.number) + ", set the integer " +
                   std::to_string(expected.integer);
        return storedForm(expected, read);
    case xls::REAL:
        if (read.kind != BiffReader::Cell::Number || !sameBits(read.number, expected.real))
            return "read " + showNumber(read.number) + (read.fromRk ? " from an RK value" : "") + ", set " +
                   showNumber(expected.real);
        return storedForm(expected, read);
    case xls::STRING:
    case xls::WSTRING:
        if (read.kind != BiffReader::Cell::Text || read.text != expected.text ||
            read.wideText != (expected.type == xls::WSTRING))
            return "another text, or stored in another width";
        return {};
    default:
        return "unexpected type";
    }
}

// The file's sheets, cells, widths, merged ranges and shared string counts against the model.
std::string compareWithFile(const std::vector<ModelSheet>& sheets, const BiffReader::Workbook& book)
{
    if (book.sheets.size() != sheets.size())
        return "the file holds " + std::to_string(book.sheets.size()) + " sheets";
    uint32_t textCells = 0;
    std::set<std::pair<std::u16string, bool>> texts;
    const ModelCell emptyCell;
    for (size_t i = 0; i < sheets.size(); ++i) {
        const ModelSheet& model = sheets[i];
        const BiffReader::Sheet& sheet = book.sheets[i];
        if (sheet.name != model.name)
            return "sheet " + std::to_string(i) + " is named \"" + sheet.name + "\", not \"" + model.name +
                   "\"";
        if (sheet.rowEnd != model.rows || sheet.columnEnd != model.columns)
            return "sheet " + std::to_string(i) + " has the dimensions " + std::to_string(sheet.rowEnd) +
                   " x " + std::to_string(sheet.columnEnd);
        if (sheet.cells.size() != uint64_t(model.rows) * model.columns)
            return "sheet " + std::to_string(i) + " has " + std::to_string(sheet.cells.size()) +
                   " cell records for its grid of " + std::to_string(uint64_t(model.rows) * model.columns);
        std::vector<std::array<uint16_t, 4>> merges;
        // Both maps run in row-major order, and the file's covers the grid exactly.
        auto modelCell = model.cells.begin();
        for (const auto& [position, read] : sheet.cells) {
            const auto [row, column] = position;
            if (row >= model.rows || column >= model.columns)
                return where(i, row, column) + " lies outside the grid";
            const bool set = modelCell != model.cells.end() &&
                             modelCell->first == std::pair<uint32_t, uint32_t>(row, column);
            const ModelCell& expected = set ? (modelCell++)->second : emptyCell;
            if (std::string problem = compareCell(expected, read); !problem.empty())
                return where(i, row, column) + ": " + problem;
            if (expected.type == xls::STRING || expected.type == xls::WSTRING) {
                ++textCells;
                texts.emplace(expected.text, expected.type == xls::WSTRING);
            }
            // A span of 0 merges nothing in its direction, as a span of 1.
            const uint32_t rows = std::max<uint32_t>(expected.mergeRows, 1);
            const uint32_t columns = std::max<uint32_t>(expected.mergeColumns, 1);
            if (rows > 1 || columns > 1)
                merges.push_back({row, uint16_t(std::min(row + rows - 1, 0xFFFFu)), column,
                                  uint16_t(std::min(column + columns - 1, 0xFFu))});
        }
        if (sheet.columnWidths != model.widths)
            return "sheet " + std::to_string(i) + ": the column widths differ";
        if (sheet.mergedRanges != merges)
            return "sheet " + std::to_string(i) + ": merged ranges " + describeRanges(sheet.mergedRanges) +
                   ", expected " + describeRanges(merges);
    }
    if (book.textCellCount != textCells || book.sharedStrings.size() != texts.size())
        return "the SST counts " + std::to_string(book.textCellCount) + " text cells and " +
               std::to_string(book.sharedStrings.size()) + " strings, expected " + std::to_string(textCells) +
               " and " + std::to_string(texts.size());
    return {};
}

} // namespace

std::string checkSpreadsheet(const uint8_t* data, size_t size, const SpreadsheetCheck& check)
{
    FuzzInput in(data, size);
    const uint8_t setup = in.take<uint8_t>();
    Driver driver(in, check);
    if (std::string problem = driver.run(setup % 4); !problem.empty())
        return problem;

    // A text longer than a shared string can count makes the save fail and leaves no file.
    bool fits = true;
    for (const ModelSheet& sheet : driver.sheets())
        for (const auto& [position, cell] : sheet.cells)
            fits = fits && cell.text.size() <= longestText;
    std::vector<uint8_t> image;
    bool saved = false;
    const std::string& path = check.path;
    if (path.empty()) {
        saved = driver.file().saveToMemory(image);
    } else {
        std::error_code ignored;
        std::filesystem::remove(path, ignored);
        saved = setup & 0x80 ? driver.file().saveAs(std::u16string(path.begin(), path.end()).c_str())
                             : driver.file().saveAs(path.c_str());
    }
    if (saved != fits)
        return fits ? "the save failed" : "the save wrote a text longer than 65535 characters";
    if (!saved)
        return !path.empty() && std::filesystem::exists(path) ? "a failed save left a file behind"
                                                              : std::string();

    const CompoundChecker document =
        path.empty() ? CompoundChecker(std::move(image)) : CompoundChecker::fromFile(path);
    if (!document.valid())
        return "not a valid compound document: " + document.error();
    const std::optional<std::vector<uint8_t>> stream = document.stream(u"Workbook");
    if (!stream)
        return "no Workbook stream";
    const BiffReader::Workbook book = BiffReader::read(*stream);
    if (!book.error.empty())
        return "Workbook stream: " + book.error;
    return compareWithFile(driver.sheets(), book);
}

} // namespace FuzzChecks
