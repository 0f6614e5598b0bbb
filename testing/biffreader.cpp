#include "testing/biffreader.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <set>

namespace BiffReader {

namespace {

enum Code : uint16_t {
    Eof = 0x000A,
    Continue = 0x003C,
    ColInfo = 0x007D,
    BoundSheet = 0x0085,
    MulRk = 0x00BD,
    DbCell = 0x00D7,
    MergedCells = 0x00E5,
    Sst = 0x00FC,
    LabelSst = 0x00FD,
    Dimensions = 0x0200,
    Blank = 0x0201,
    Number = 0x0203,
    Row = 0x0208,
    Index = 0x020B,
    Window2 = 0x023E,
    Rk = 0x027E,
    Bof = 0x0809,
};

constexpr size_t maxBody = 8224;

// The reader stops at the first problem; the message travels up to read().
struct Failure {
    std::string message;
};

[[noreturn]] void fail(const std::string& message)
{
    throw Failure{message};
}

std::string hex(uint32_t value)
{
    char text[16];
    std::snprintf(text, sizeof text, "0x%04X", value);
    return text;
}

uint16_t u16At(const std::vector<uint8_t>& bytes, size_t at)
{
    if (at + 2 > bytes.size())
        fail("read past the end at " + std::to_string(at));
    return uint16_t(bytes[at] | bytes[at + 1] << 8);
}

uint32_t u32At(const std::vector<uint8_t>& bytes, size_t at)
{
    return u16At(bytes, at) | uint32_t(u16At(bytes, at + 2)) << 16;
}

double doubleAt(const std::vector<uint8_t>& bytes, size_t at)
{
    const uint64_t bits = u32At(bytes, at) | uint64_t(u32At(bytes, at + 4)) << 32;
    double value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

bool isHighSurrogate(char16_t unit)
{
    return unit >= 0xD800 && unit <= 0xDBFF;
}

bool isLowSurrogate(char16_t unit)
{
    return unit >= 0xDC00 && unit <= 0xDFFF;
}

// One record with the bodies of the CONTINUE records that follow it appended.
struct Record {
    uint16_t code = 0;
    uint32_t position = 0; // stream offset of its header
    std::vector<uint8_t> body;
    std::vector<size_t> continues; // body offsets at which each CONTINUE's bytes begin
};

Record readRecord(const std::vector<uint8_t>& stream, size_t& position)
{
    Record record;
    record.position = uint32_t(position);
    bool first = true;
    do {
        const uint16_t code = u16At(stream, position);
        const uint16_t length = u16At(stream, position + 2);
        if (length > maxBody)
            fail("record " + hex(code) + " at " + std::to_string(position) + " has a body of " +
                 std::to_string(length) + " bytes");
        if (position + 4 + length > stream.size())
            fail("record " + hex(code) + " at " + std::to_string(position) + " runs past the stream");
        if (first) {
            if (code == Continue)
                fail("CONTINUE without a record before it at " + std::to_string(position));
            record.code = code;
        } else {
            record.continues.push_back(record.body.size());
        }
        record.body.insert(record.body.end(), stream.begin() + long(position) + 4,
                           stream.begin() + long(position) + 4 + length);
        position += 4 + length;
        first = false;
    } while (position + 2 <= stream.size() && u16At(stream, position) == Continue);
    return record;
}

// The records of one substream: a BOF of the given type up to its EOF.
std::vector<Record> readSubstream(const std::vector<uint8_t>& stream, size_t& position, uint16_t type)
{
    std::vector<Record> records;
    records.push_back(readRecord(stream, position));
    const Record& bof = records.front();
    if (bof.code != Bof || bof.body.size() != 16 || u16At(bof.body, 0) != 0x0600 ||
        u16At(bof.body, 2) != type)
        fail("no BOF of type " + hex(type) + " at " + std::to_string(bof.position));
    while (records.back().code != Eof)
        records.push_back(readRecord(stream, position));
    return records;
}

// Walks a gathered body piece by piece: no value may straddle a CONTINUE boundary.
class Pieces {
public:
    explicit Pieces(const Record& record) : record_(record) {}

    bool atBoundary() const { return next_ < record_.continues.size() && at_ == record_.continues[next_]; }
    void crossBoundary() { ++next_; }
    size_t room() const
    {
        return (next_ < record_.continues.size() ? record_.continues[next_] : record_.body.size()) - at_;
    }
    bool finished() const { return at_ == record_.body.size() && next_ == record_.continues.size(); }

    uint8_t u8() { return uint8_t(take(1)); }
    uint16_t u16() { return uint16_t(take(2)); }
    uint32_t u32() { return take(4); }

private:
    uint32_t take(size_t bytes)
    {
        if (room() < bytes)
            fail("SST value split by a CONTINUE boundary or past the end, at body offset " +
                 std::to_string(at_));
        uint32_t value = 0;
        for (size_t i = 0; i < bytes; ++i)
            value |= uint32_t(record_.body[at_ + i]) << (8 * i);
        at_ += bytes;
        return value;
    }

    const Record& record_;
    size_t at_ = 0;
    size_t next_ = 0;
};

uint8_t stringFlags(Pieces& in)
{
    const uint8_t flags = in.u8();
    if (flags > 1)
        fail("unexpected string flags " + hex(flags));
    return flags;
}

// The shared strings: each CONTINUE that cuts a string's characters starts with the string's
// flags byte again; a string that starts at a CONTINUE starts with its character count.
void readSharedStrings(const Record& record, Workbook& book)
{
    Pieces in(record);
    book.textCellCount = in.u32();
    const uint32_t uniqueCount = in.u32();
    for (uint32_t i = 0; i < uniqueCount; ++i) {
        if (in.atBoundary())
            in.crossBoundary();
        const uint16_t count = in.u16();
        const bool wide = stringFlags(in) == 1;
        bool chunkWide = wide;
        std::u16string text;
        while (text.size() < count) {
            bool pairOpen = false;
            if (in.room() == 0) {
                if (!in.atBoundary())
                    fail("string " + std::to_string(i) + " runs past the end of the SST");
                pairOpen = chunkWide && !text.empty() && isHighSurrogate(text.back());
                in.crossBoundary();
                chunkWide = stringFlags(in) == 1;
            }
            const size_t unit = chunkWide ? 2 : 1;
            const size_t n = std::min(size_t(count) - text.size(), in.room() / unit);
            if (n == 0)
                fail("string " + std::to_string(i) + " has a character cut by a CONTINUE boundary");
            for (size_t k = 0; k < n; ++k)
                text.push_back(chunkWide ? in.u16() : in.u8());
            if (pairOpen && isLowSurrogate(text[text.size() - n]))
                fail("string " + std::to_string(i) + " has a surrogate pair cut by a CONTINUE boundary");
        }
        book.sharedStrings.emplace_back(std::move(text), wide);
    }
    if (!in.finished())
        fail("the SST holds more than its " + std::to_string(uniqueCount) + " strings");
}

// The globals: sheet names and positions from BOUNDSHEET, the shared strings from SST.
std::vector<uint32_t> readGlobals(const std::vector<Record>& records, Workbook& book)
{
    std::vector<uint32_t> positions;
    bool sstSeen = false;
    for (const Record& record : records) {
        if (!record.continues.empty() && record.code != Sst)
            fail("record " + hex(record.code) + " has CONTINUE records");
        if (record.code == BoundSheet) {
            positions.push_back(u32At(record.body, 0));
            const size_t length = record.body.size() >= 8 ? record.body[6] : 0;
            if (record.body.size() != 8 + length || record.body[7] != 0)
                fail("BOUNDSHEET body does not hold one 8-bit name");
            book.sheets.emplace_back();
            book.sheets.back().name.assign(record.body.begin() + 8, record.body.end());
        } else if (record.code == Sst) {
            if (sstSeen)
                fail("two SST records");
            sstSeen = true;
            readSharedStrings(record, book);
        }
    }
    if (!sstSeen)
        fail("no SST record");
    return positions;
}

size_t expectedBodySize(const Record& record)
{
    const size_t size = record.body.size();
    switch (record.code) {
    case Index:
        return size >= 16 && size % 4 == 0 ? size : 0;
    case ColInfo:
        return 12;
    case Dimensions:
        return 14;
    case Row:
        return 16;
    case Blank:
        return 6;
    case Rk:
        return 10;
    case Number:
        return 14;
    case LabelSst:
        return 10;
    case MulRk:
        return size >= 18 && size % 6 == 0 ? size : 0;
    case DbCell:
        return size >= 4 && size % 2 == 0 ? size : 0;
    case Window2:
        return 18;
    case MergedCells:
        return size >= 2 && (size - 2) % 8 == 0 ? size : 0;
    case Bof:
        return 16;
    case Eof:
        return 0;
    default:
        fail("unexpected record " + hex(record.code) + " in a worksheet");
    }
}

void addCell(Sheet& sheet, uint16_t row, uint16_t column, const Cell& cell)
{
    if (!sheet.cells.emplace(std::make_pair(row, column), cell).second)
        fail("two records for cell (" + std::to_string(row) + ", " + std::to_string(column) + ")");
}

Cell numberCell(uint16_t xf, double number, bool fromRk)
{
    Cell cell;
    cell.kind = Cell::Number;
    cell.xf = xf;
    cell.number = number;
    cell.fromRk = fromRk;
    return cell;
}

// One worksheet: its cells, widths and merged ranges, with the INDEX and DBCELL positions
// checked against where the records really are.
void readSheet(const std::vector<Record>& records, const Workbook& book, Sheet& sheet)
{
    std::vector<uint32_t> indexedDbCells;
    std::vector<uint32_t> dbCells;
    std::set<uint32_t> rowPositions;
    std::set<uint16_t> rows;
    for (const Record& record : records) {
        const std::vector<uint8_t>& body = record.body;
        if (!record.continues.empty() || expectedBodySize(record) != body.size())
            fail("record " + hex(record.code) + " at " + std::to_string(record.position) + " has a body of " +
                 std::to_string(body.size()) + " bytes");
        switch (record.code) {
        case Index:
            for (size_t at = 16; at < body.size(); at += 4)
                indexedDbCells.push_back(u32At(body, at));
            break;
        case ColInfo:
            if (u16At(body, 0) != u16At(body, 2))
                fail("COLINFO for more than one column");
            sheet.columnWidths.emplace_back(u16At(body, 0), u16At(body, 4));
            break;
        case Dimensions:
            sheet.rowEnd = u32At(body, 4);
            sheet.columnEnd = u16At(body, 10);
            break;
        case Row:
            if (!rows.insert(u16At(body, 0)).second || u16At(body, 4) != sheet.columnEnd)
                fail("ROW " + std::to_string(u16At(body, 0)) + " repeated or not as wide as the sheet");
            rowPositions.insert(record.position);
            break;
        case Blank: {
            Cell cell;
            cell.xf = u16At(body, 4);
            addCell(sheet, u16At(body, 0), u16At(body, 2), cell);
            break;
        }
        case Rk:
            addCell(sheet, u16At(body, 0), u16At(body, 2),
                    numberCell(u16At(body, 4), rkNumber(u32At(body, 6)), true));
            break;
        case Number:
            addCell(sheet, u16At(body, 0), u16At(body, 2),
                    numberCell(u16At(body, 4), doubleAt(body, 6), false));
            break;
        case MulRk: {
            const uint16_t firstColumn = u16At(body, 2);
            const size_t count = (body.size() - 6) / 6;
            if (u16At(body, body.size() - 2) != firstColumn + count - 1)
                fail("MULRK's last column does not match its cells");
            for (size_t i = 0; i < count; ++i)
                addCell(sheet, u16At(body, 0), uint16_t(firstColumn + i),
                        numberCell(u16At(body, 4 + 6 * i), rkNumber(u32At(body, 6 + 6 * i)), true));
            break;
        }
        case LabelSst: {
            const uint32_t index = u32At(body, 6);
            if (index >= book.sharedStrings.size())
                fail("LABELSST refers to shared string " + std::to_string(index));
            Cell cell;
            cell.kind = Cell::Text;
            cell.xf = u16At(body, 4);
            cell.text = book.sharedStrings[index].first;
            cell.wideText = book.sharedStrings[index].second;
            addCell(sheet, u16At(body, 0), u16At(body, 2), cell);
            break;
        }
        case DbCell:
            if (!rowPositions.count(record.position - u32At(body, 0)))
                fail("DBCELL at " + std::to_string(record.position) + " does not point back to a ROW");
            dbCells.push_back(record.position);
            break;
        case MergedCells:
            if (u16At(body, 0) != (body.size() - 2) / 8)
                fail("MERGEDCELLS count does not match its size");
            for (size_t at = 2; at < body.size(); at += 8)
                sheet.mergedRanges.push_back(
                    {u16At(body, at), u16At(body, at + 2), u16At(body, at + 4), u16At(body, at + 6)});
            break;
        default:
            break;
        }
    }
    // An empty sheet's INDEX still holds one position, of 0.
    if (dbCells.empty() && indexedDbCells == std::vector<uint32_t>{0})
        indexedDbCells.clear();
    if (indexedDbCells != dbCells)
        fail("INDEX positions differ from where the DBCELL records are");
    for (const auto& [position, cell] : sheet.cells) {
        if (!rows.count(position.first))
            fail("a cell in row " + std::to_string(position.first) + ", which has no ROW record");
    }
}

} // namespace

double rkNumber(uint32_t rk)
{
    double value;
    if (rk & 2) {
        value = double(int32_t(rk) >> 2);
    } else {
        const uint64_t bits = uint64_t(rk & ~3u) << 32;
        std::memcpy(&value, &bits, sizeof value);
    }
    return rk & 1 ? value / 100 : value;
}

Workbook read(const std::vector<uint8_t>& stream)
{
    Workbook book;
    try {
        size_t position = 0;
        const std::vector<uint32_t> positions = readGlobals(readSubstream(stream, position, 0x0005), book);
        // The worksheets follow the globals and each other without a gap, as BOUNDSHEET says.
        for (size_t i = 0; i < positions.size(); ++i) {
            if (positions[i] != position)
                fail("sheet " + std::to_string(i) + " is at " + std::to_string(position) +
                     ", BOUNDSHEET says " + std::to_string(positions[i]));
            readSheet(readSubstream(stream, position, 0x0010), book, book.sheets[i]);
        }
        if (position != stream.size())
            fail(std::to_string(stream.size() - position) + " bytes after the last worksheet");
    } catch (const Failure& failure) {
        book.error = failure.message;
    }
    return book;
}

} // namespace BiffReader
