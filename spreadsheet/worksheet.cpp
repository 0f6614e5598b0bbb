#include "spreadsheet/worksheet.h"

#include "spreadsheet/byteio.h"
#include "spreadsheet/cellrecords.h"
#include "spreadsheet/celltext.h"
#include "spreadsheet/sharedstringtable.h"

#include <algorithm>
#include <array>
#include <cassert>

namespace xls {

using namespace ByteIo;

void Worksheet::Index::writeFields(FieldWriter& fields) const
{
    fields.putU32(0);
    fields.putU32(firstUsedRow);
    fields.putU32(firstUnusedRow);
    fields.putU32(0);
    for (const uint32_t position : dbCellPositions)
        fields.putU32(position);
}

void Worksheet::ColInfo::writeFields(FieldWriter& fields) const
{
    fields.putU16(firstColumn);
    fields.putU16(lastColumn);
    fields.putU16(width);
    fields.putU16(xfIndex);
    fields.putU16(options);
    fields.putU16(0);
}

void Worksheet::Dimensions::writeFields(FieldWriter& fields) const
{
    fields.putU32(firstUsedRow);
    fields.putU32(rowEnd);
    fields.putU16(firstUsedColumn);
    fields.putU16(columnEnd);
    fields.putU16(0);
}

void Worksheet::Window2::writeFields(FieldWriter& fields) const
{
    fields.putU16(options);
    fields.putU16(firstVisibleRow);
    fields.putU16(firstVisibleColumn);
    fields.putU16(gridLineColour);
    fields.putU16(0);
    fields.putU16(pageBreakZoom);
    fields.putU16(normalZoom);
    fields.putU32(0);
}

size_t Worksheet::MergedCell::write(uint8_t* out) const
{
    putU16(out, firstRow);
    putU16(out + 2, lastRow);
    putU16(out + 4, firstColumn);
    putU16(out + 6, lastColumn);
    return 8;
}

namespace {
constexpr uint32_t longestText = 0xFFFF; // characters a shared string can count

// First pass: sizes of the records and the texts' shared string indices.
struct SizingSink {
    SharedStringTable& sharedStrings;
    std::vector<uint32_t, HugePageAllocator<uint32_t>>& sharedIndices;
    uint32_t bytes = 0;
    bool textTooLong = false;

    void blank(uint16_t, uint16_t, uint16_t) { bytes += CellRecords::blankSize; }
    void rk(uint16_t, uint16_t, uint16_t, uint32_t) { bytes += CellRecords::rkSize; }
    void number(uint16_t, uint16_t, uint16_t, double) { bytes += CellRecords::numberSize; }
    void mulRk(uint16_t, uint16_t, const SpreadsheetCell*, size_t count)
    {
        bytes += CellRecords::mulRkSize(static_cast<uint32_t>(count));
    }
    void labelSst(uint16_t, uint16_t, uint16_t, CellText& text)
    {
        if (text.length() > longestText)
            textTooLong = true;
        sharedIndices.push_back(sharedStrings.addCell(text));
        bytes += CellRecords::labelSstSize;
    }
};
} // namespace

// Second pass: the records themselves, exactly as sized.
struct WritingSink {
    uint8_t* at;
    const uint32_t* sharedIndex; // the next text cell's

    void blank(uint16_t row, uint16_t column, uint16_t xf)
    {
        at += CellRecords::writeBlank(at, row, column, xf);
    }
    void rk(uint16_t row, uint16_t column, uint16_t xf, uint32_t rk)
    {
        at += CellRecords::writeRk(at, row, column, xf, rk);
    }
    void number(uint16_t row, uint16_t column, uint16_t xf, double value)
    {
        at += CellRecords::writeNumber(at, row, column, xf, value);
    }
    void mulRk(uint16_t row, uint16_t column, const SpreadsheetCell* cells, size_t count)
    {
        std::array<CellRecords::RkCell, 256> rks;
        for (size_t i = 0; i < count; ++i)
            rks[i] = {cells[i].xfIndex(), Worksheet::rkValue(cells[i])};
        at += CellRecords::writeMulRk(at, row, column, std::span(rks.data(), count));
    }
    void labelSst(uint16_t row, uint16_t column, uint16_t xf, const CellText&)
    {
        at += CellRecords::writeLabelSst(at, row, column, xf, *sharedIndex++);
    }
};

uint32_t Worksheet::rkValue(const SpreadsheetCell& cell)
{
    return cell.type_ == INTEGER ? CellRecords::rkFromInteger(cell.value_.integer)
                                 : CellRecords::rkFromReal(cell.value_.real);
}

// Runs of two or more RK-able numbers of one kind share a MULRK: integers in the 30-bit RK
// range, or reals with at most two decimals that RK keeps exactly. An integer outside that
// range, or any other real, is a NUMBER of its own and ends the run.
template <class Sink> void Worksheet::walkRow(const SpreadsheetCellRow& cells, uint16_t row, Sink& sink)
{
    const size_t end = cells.size();
    size_t column = 0;
    while (column < end) {
        const SpreadsheetCell& cell = cells[column];
        const auto at = static_cast<uint16_t>(column);
        switch (cell.type_) {
        case INTEGER:
        case REAL: {
            const bool integer = cell.type_ == INTEGER;
            auto joinsRun = [&](const SpreadsheetCell& next) {
                if (next.type_ != cell.type_)
                    return false;
                return integer ? CellRecords::fitsRk(next.value_.integer)
                               : CellRecords::isExactRk(next.value_.real);
            };
            if (!joinsRun(cell)) {
                sink.number(row, at, cell.xf_, integer ? double(cell.value_.integer) : cell.value_.real);
                ++column;
                break;
            }
            size_t runEnd = column + 1;
            while (runEnd < end && joinsRun(cells[runEnd]))
                ++runEnd;
            if (runEnd - column >= 2)
                sink.mulRk(row, at, &cell, runEnd - column);
            else
                sink.rk(row, at, cell.xf_, rkValue(cell));
            column = runEnd;
            break;
        }
        case STRING:
        case WSTRING:
            sink.labelSst(row, at, cell.xf_, *cell.value_.text);
            ++column;
            break;
        default:
            sink.blank(row, at, cell.xf_);
            ++column;
            break;
        }
    }
}

uint32_t Worksheet::rowCount() const
{
    return static_cast<uint32_t>(rowCellBytes_.size());
}

uint32_t Worksheet::blockCount() const
{
    return (rowCount() + rowsPerBlock - 1) / rowsPerBlock;
}

uint32_t Worksheet::blockRowCount(uint32_t block) const
{
    return std::min(rowsPerBlock, rowCount() - block * rowsPerBlock);
}

uint32_t Worksheet::blockBodySize(uint32_t block) const
{
    const uint32_t first = block * rowsPerBlock;
    const uint32_t rows = blockRowCount(block);
    uint32_t size = rows * CellRecords::rowSize;
    for (uint32_t row = first; row < first + rows; ++row)
        size += rowCellBytes_[row];
    return size;
}

uint32_t Worksheet::mergedCellsSize() const
{
    const size_t records = (mergedCells.size() + rangesPerMergedCells - 1) / rangesPerMergedCells;
    return static_cast<uint32_t>(records * 6 + mergedCells.size() * 8);
}

bool Worksheet::layOut(const SpreadsheetSheet& sheet, SharedStringTable& sharedStrings, bool firstSheet)
{
    sheet_ = &sheet;
    const auto rows = static_cast<uint32_t>(sheet.rows_.size());
    const uint32_t columns = sheet.columnCount_;

    colInfos.clear();
    for (const SpreadsheetSheet::ColumnWidth& entry : sheet.columnWidths_) {
        ColInfo info;
        info.firstColumn = info.lastColumn = entry.column;
        info.width = entry.width;
        colInfos.push_back(info);
    }
    // Every grid position is written, so the first used cell is always (0, 0).
    index.firstUsedRow = 0;
    index.firstUnusedRow = rows;
    dimensions.firstUsedRow = 0;
    dimensions.rowEnd = rows;
    dimensions.firstUsedColumn = 0;
    dimensions.columnEnd = static_cast<uint16_t>(columns);
    if (!firstSheet)
        window2.options &= ~Window2::sheetSelected;

    rowCellBytes_.assign(rows, 0);
    index.dbCellPositions.assign(std::max(1u, blockCount()), 0);
    mergedCells.clear();
    sharedIndices_.clear();
    SizingSink sink{sharedStrings, sharedIndices_};
    const auto prefetchTexts = [&](uint32_t row) {
        if (row < rows)
            for (const SpreadsheetCell& cell : sheet.rows_[row])
                if (cell.hasText())
                    sharedStrings.prefetch(*cell.value_.text);
    };
    prefetchTexts(0);
    for (uint32_t row = 0; row < rows; ++row) {
        const SpreadsheetCellRow& cells = sheet.rows_[row];
        // The next row's lookups are fetched while this row's texts are added.
        prefetchTexts(row + 1);
        sink.bytes = 0;
        walkRow(cells, static_cast<uint16_t>(row), sink);
        rowCellBytes_[row] = sink.bytes;
        for (uint32_t column = 0; column < cells.size(); ++column) {
            const SpreadsheetCell& cell = cells[column];
            // A span of 0 merges nothing in its direction, like a span of 1.
            if (cell.mergeRows_ <= 1 && cell.mergeColumns_ <= 1)
                continue;
            const uint32_t lastRow = row + std::max<uint32_t>(cell.mergeRows_, 1) - 1;
            const uint32_t lastColumn = column + std::max<uint32_t>(cell.mergeColumns_, 1) - 1;
            mergedCells.push_back(
                {static_cast<uint16_t>(row), static_cast<uint16_t>(std::min(lastRow, 0xFFFFu)),
                 static_cast<uint16_t>(column), static_cast<uint16_t>(std::min(lastColumn, 0xFFu))});
        }
    }
    cellTableSize_ = 0;
    for (uint32_t block = 0; block < blockCount(); ++block)
        cellTableSize_ += blockBodySize(block) + CellRecords::dbCellSize(blockRowCount(block));
    return !sink.textTooLong;
}

void Worksheet::countTexts(const SpreadsheetSheet& sheet, size_t& narrow, size_t& wide)
{
    for (const SpreadsheetCellRow& cells : sheet.rows_) {
        for (const SpreadsheetCell& cell : cells) {
            narrow += cell.type_ == STRING;
            wide += cell.type_ == WSTRING;
        }
    }
}

void Worksheet::placeAt(uint32_t start)
{
    uint32_t position = start + bof.recordSize() + index.recordSize() + dimensions.recordSize();
    for (ColInfo& info : colInfos)
        position += info.recordSize();
    for (uint32_t block = 0; block < blockCount(); ++block) {
        position += blockBodySize(block);
        index.dbCellPositions[block] = position;
        position += CellRecords::dbCellSize(blockRowCount(block));
    }
}

uint32_t Worksheet::recordSize()
{
    uint32_t size = bof.recordSize() + index.recordSize() + dimensions.recordSize();
    for (ColInfo& info : colInfos)
        size += info.recordSize();
    return size + cellTableSize_ + window2.recordSize() + mergedCellsSize() + eof.recordSize();
}

size_t Worksheet::writeBlock(uint8_t* out, uint32_t block, const uint32_t*& sharedIndex) const
{
    const uint32_t first = block * rowsPerBlock;
    const uint32_t rows = blockRowCount(block);
    const auto columnEnd = static_cast<uint16_t>(sheet_->columnCount_);
    uint8_t* at = out;
    for (uint32_t row = first; row < first + rows; ++row)
        at += CellRecords::writeRow(at, static_cast<uint16_t>(row), columnEnd);
    WritingSink sink{at, sharedIndex};
    for (uint32_t row = first; row < first + rows; ++row) {
        walkRow(sheet_->rows_[row], static_cast<uint16_t>(row), sink);
        assert(sink.at == at + rowCellBytes_[row]);
        at = sink.at;
    }
    // Offsets from the second ROW to the first row's cells, then between consecutive rows' cells.
    std::array<uint16_t, rowsPerBlock> rowOffsets;
    rowOffsets[0] = static_cast<uint16_t>(rows * CellRecords::rowSize - 20);
    for (uint32_t i = 1; i < rows; ++i)
        rowOffsets[i] = static_cast<uint16_t>(rowCellBytes_[first + i - 1]);
    at += CellRecords::writeDbCell(at, blockBodySize(block), std::span(rowOffsets.data(), rows));
    sharedIndex = sink.sharedIndex;
    return static_cast<size_t>(at - out);
}

size_t Worksheet::write(uint8_t* out)
{
    BufferOutput buffer(out);
    return write(buffer);
}

size_t Worksheet::write(StreamOutput& out)
{
    size_t written = 0;
    auto put = [&](Record& record) {
        const size_t length = record.write(out.room(record.recordSize()));
        out.commit(length);
        written += length;
    };
    put(bof);
    put(index);
    for (ColInfo& info : colInfos)
        put(info);
    put(dimensions);
    const uint32_t* sharedIndex = sharedIndices_.data();
    for (uint32_t block = 0; block < blockCount(); ++block) {
        const uint32_t size = blockBodySize(block) + CellRecords::dbCellSize(blockRowCount(block));
        const size_t length = writeBlock(out.room(size), block, sharedIndex);
        assert(length == size);
        out.commit(length);
        written += length;
    }
    put(window2);
    for (size_t first = 0; first < mergedCells.size(); first += rangesPerMergedCells) {
        const size_t count = std::min(rangesPerMergedCells, mergedCells.size() - first);
        const auto bodySize = static_cast<uint16_t>(2 + 8 * count);
        uint8_t* at = out.room(4 + bodySize);
        putU16(at, 0x00E5);
        putU16(at + 2, bodySize);
        putU16(at + 4, static_cast<uint16_t>(count));
        at += 6;
        for (size_t i = first; i < first + count; ++i)
            at += mergedCells[i].write(at);
        out.commit(4 + bodySize);
        written += 4 + bodySize;
    }
    put(eof);
    return written;
}

} // namespace xls
