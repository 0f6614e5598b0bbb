#include "spreadsheet/sheetgrid.h"

#include "spreadsheet/celltext.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>

namespace xls {

namespace {
// A misused typed getter ends the program, in release builds too: carrying on would copy
// garbage into the caller's buffer.
[[noreturn]] void failAssertion(const char* expression, const char* function)
{
    std::fprintf(stderr, "spreadsheet: %s: Assertion `%s' failed.\n", function, expression);
    std::abort();
}

// The typed getters' checks, with the text a failure reports.
#define REQUIRE_TYPE(condition, text)                                                                        \
    do {                                                                                                     \
        if (!(condition))                                                                                    \
            failAssertion(text, __func__);                                                                   \
    } while (false)

constexpr uint32_t maxRow = 65535;
constexpr uint32_t maxColumn = 255;
} // namespace

// ---- SpreadsheetCell

SpreadsheetCell::~SpreadsheetCell()
{
    releaseText();
}

SpreadsheetCell::SpreadsheetCell(const SpreadsheetCell& other)
    : value_(other.value_), xf_(other.xf_), mergeRows_(other.mergeRows_), mergeColumns_(other.mergeColumns_),
      type_(other.type_)
{
    if (other.hasText())
        value_.text = CellText::copy(*other.value_.text);
}

SpreadsheetCell& SpreadsheetCell::operator=(const SpreadsheetCell& other)
{
    if (this != &other) {
        SpreadsheetCell copy(other);
        *this = std::move(copy);
    }
    return *this;
}

SpreadsheetCell::SpreadsheetCell(SpreadsheetCell&& other) noexcept
    : value_(other.value_), xf_(other.xf_), mergeRows_(other.mergeRows_), mergeColumns_(other.mergeColumns_),
      type_(other.type_)
{
    other.type_ = EMPTY;
}

SpreadsheetCell& SpreadsheetCell::operator=(SpreadsheetCell&& other) noexcept
{
    if (this != &other) {
        releaseText();
        value_ = other.value_;
        xf_ = other.xf_;
        mergeRows_ = other.mergeRows_;
        mergeColumns_ = other.mergeColumns_;
        type_ = other.type_;
        other.type_ = EMPTY;
    }
    return *this;
}

void SpreadsheetCell::releaseText()
{
    if (hasText())
        CellText::destroy(value_.text);
    type_ = EMPTY;
}

SpreadsheetCellType SpreadsheetCell::type() const
{
    return static_cast<SpreadsheetCellType>(type_);
}

void SpreadsheetCell::setIntValue(int32_t value)
{
    releaseText();
    value_.integer = value;
    type_ = INTEGER;
}

void SpreadsheetCell::setRealValue(double value)
{
    releaseText();
    value_.real = value;
    type_ = REAL;
}

bool SpreadsheetCell::setNarrowText(const char* text)
{
    const size_t length = text ? std::strlen(text) : 0;
    return takeText(length > 0 ? CellText::create(text, length) : nullptr, length > 0 ? STRING : EMPTY);
}

bool SpreadsheetCell::setText(const char16_t* text)
{
    return setText(text ? std::u16string_view(text) : std::u16string_view());
}

bool SpreadsheetCell::setText(std::u16string_view text)
{
    const bool empty = text.empty();
    return takeText(empty ? nullptr : CellText::create(text.data(), text.size()), empty ? EMPTY : WSTRING);
}

bool SpreadsheetCell::setLatin1Text(std::string_view bytes)
{
    const bool empty = bytes.empty();
    return takeText(empty ? nullptr : CellText::createLatin1(bytes.data(), bytes.size()),
                    empty ? EMPTY : WSTRING);
}

bool SpreadsheetCell::takeText(CellText* text, SpreadsheetCellType type)
{
    if (type != EMPTY && !text)
        return false;
    releaseText();
    if (type != EMPTY) {
        value_.text = text;
        type_ = type;
    }
    return true;
}

void SpreadsheetCell::clear()
{
    releaseText();
}

bool SpreadsheetCell::intValue(int32_t& out) const
{
    if (type_ == INTEGER) {
        out = value_.integer;
        return true;
    }
    // A real that does not fit (or is not a number) has no integer value.
    if (type_ == REAL) {
        const double truncated = std::trunc(value_.real);
        if (!(truncated >= std::numeric_limits<int32_t>::min() &&
              truncated <= std::numeric_limits<int32_t>::max()))
            return false;
        out = static_cast<int32_t>(truncated);
        return true;
    }
    return false;
}

int32_t SpreadsheetCell::intValue() const
{
    int32_t value = 0;
    return intValue(value) ? value : 0;
}

bool SpreadsheetCell::realValue(double& out) const
{
    if (type_ == REAL) {
        out = value_.real;
        return true;
    }
    if (type_ == INTEGER) {
        out = value_.integer;
        return true;
    }
    return false;
}

double SpreadsheetCell::realValue() const
{
    double value = 0;
    return realValue(value) ? value : 0;
}

size_t SpreadsheetCell::textLength() const
{
    REQUIRE_TYPE(hasText(), "type_==WSTRING");
    return value_.text->length();
}

void SpreadsheetCell::narrowText(char* buffer) const
{
    REQUIRE_TYPE(type_ == STRING, "type_==STRING");
    std::memcpy(buffer, value_.text->narrow(), value_.text->length() + 1);
}

void SpreadsheetCell::text(char16_t* buffer) const
{
    REQUIRE_TYPE(type_ == WSTRING, "type_==WSTRING");
    const CellText& text = *value_.text;
    for (uint32_t i = 0; i < text.length(); ++i)
        buffer[i] = text.unit(i);
    buffer[text.length()] = 0;
}

void SpreadsheetCell::setMergeSpan(uint16_t rows, uint16_t columns)
{
    mergeRows_ = rows;
    mergeColumns_ = columns;
}

uint16_t SpreadsheetCell::mergeRows() const
{
    return mergeRows_;
}

uint16_t SpreadsheetCell::mergeColumns() const
{
    return mergeColumns_;
}

void SpreadsheetCell::setXfIndex(uint16_t index)
{
    xf_ = index;
}

uint16_t SpreadsheetCell::xfIndex() const
{
    return xf_;
}

// ---- SpreadsheetSheet

SpreadsheetCell* SpreadsheetSheet::growTo(uint32_t row, uint32_t column)
{
    if (row > maxRow || column > maxColumn)
        return nullptr;
    if (column >= columnCount_) {
        columnCount_ = column + 1;
        for (SpreadsheetCellRow& cells : rows_)
            cells.resize(columnCount_);
    }
    while (rows_.size() <= row)
        rows_.emplace_back(columnCount_);
    return &rows_[row][column];
}

bool SpreadsheetSheet::appendRows(SpreadsheetSheet& other)
{
    if (uint64_t(rows_.size()) + other.rows_.size() > uint64_t(maxRow) + 1)
        return false;
    const uint32_t columns = std::max(columnCount_, other.columnCount_);
    if (columns > columnCount_)
        for (SpreadsheetCellRow& cells : rows_)
            cells.resize(columns);
    columnCount_ = columns;
    rows_.reserve(rows_.size() + other.rows_.size());
    for (SpreadsheetCellRow& cells : other.rows_) {
        cells.resize(columns);
        rows_.push_back(std::move(cells));
    }
    other.rows_.clear();
    other.columnCount_ = 0;
    return true;
}

SpreadsheetCell* SpreadsheetSheet::cellAt(uint32_t row, uint32_t column, uint16_t rowSpan,
                                          uint16_t columnSpan)
{
    SpreadsheetCell* cell = cellAt(row, column);
    if (cell)
        cell->setMergeSpan(rowSpan, columnSpan);
    return cell;
}

const SpreadsheetCell* SpreadsheetSheet::cellAt(uint32_t row, uint32_t column) const
{
    if (row >= rows_.size() || column >= columnCount_)
        return nullptr;
    return &rows_[row][column];
}

uint32_t SpreadsheetSheet::rowCount() const
{
    return static_cast<uint32_t>(rows_.size());
}

uint32_t SpreadsheetSheet::columnCount() const
{
    return columnCount_;
}

bool SpreadsheetSheet::clearCell(uint32_t row, uint32_t column)
{
    if (row >= rows_.size() || column >= columnCount_)
        return false;
    rows_[row][column].clear();
    return true;
}

void SpreadsheetSheet::setColumnWidth(uint16_t column, uint16_t width)
{
    if (column > maxColumn)
        return;
    for (ColumnWidth& entry : columnWidths_) {
        if (entry.column == column) {
            entry.width = width;
            return;
        }
    }
    columnWidths_.push_back({column, width});
}

uint16_t SpreadsheetSheet::columnWidth(uint16_t column) const
{
    for (const ColumnWidth& entry : columnWidths_)
        if (entry.column == column)
            return entry.width;
    return 0;
}

} // namespace xls
