#pragma once

// One worksheet substream, laid out afresh from a sheet's cell grid at every save:
//   BOF, INDEX, COLINFO…, DIMENSIONS,
//   per block of 32 rows: its ROW records, its cell records, its DBCELL,
//   WINDOW2, MERGEDCELLS… (at most 1027 ranges each), EOF.
// Every grid position becomes a record: an empty cell a BLANK, a text a LABELSST into the
// shared string table, a number an RK, a NUMBER, or with its neighbours a MULRK.
//
// A save first lays out every sheet (layOut), then gives each its start in the stream
// (placeAt) once all sizes are known, then writes them; the sheet and the string table must
// stay unchanged in between.

#include "spreadsheet/hugepageallocator.h"
#include "spreadsheet/record.h"
#include "spreadsheet/sheetgrid.h"
#include "spreadsheet/streamoutput.h"

#include <cstdint>
#include <vector>

namespace xls {

class SharedStringTable;
class SpreadsheetCell;
class SpreadsheetSheet;

class Worksheet {
public:
    // Where the row blocks' DBCELL records stand in the stream.
    class Index : public Record {
    public:
        Index() : Record(0x020B) {}

        uint32_t firstUsedRow = 0;
        uint32_t firstUnusedRow = 0;
        std::vector<uint32_t> dbCellPositions;

    protected:
        void writeFields(FieldWriter& fields) const override;
    };

    class ColInfo : public Record {
    public:
        ColInfo() : Record(0x007D) {}

        uint16_t firstColumn = 0;
        uint16_t lastColumn = 255;
        uint16_t width = 2560; // 1/256 of a character
        uint16_t xfIndex = 0;
        uint16_t options = 0;

    protected:
        void writeFields(FieldWriter& fields) const override;
    };

    class Dimensions : public Record {
    public:
        Dimensions() : Record(0x0200) {}

        uint32_t firstUsedRow = 0;
        uint32_t rowEnd = 0; // last used row + 1
        uint16_t firstUsedColumn = 0;
        uint16_t columnEnd = 0; // last used column + 1

    protected:
        void writeFields(FieldWriter& fields) const override;
    };

    class Window2 : public Record {
    public:
        static constexpr uint16_t sheetSelected = 0x0200;
        Window2() : Record(0x023E) {}

        uint16_t options = 0x06B6;
        uint16_t firstVisibleRow = 0;
        uint16_t firstVisibleColumn = 0;
        uint16_t gridLineColour = 64;
        uint16_t pageBreakZoom = 0;
        uint16_t normalZoom = 0;

    protected:
        void writeFields(FieldWriter& fields) const override;
    };

    // A merged range, inclusive on both ends.
    struct MergedCell {
        uint16_t firstRow;
        uint16_t lastRow;
        uint16_t firstColumn;
        uint16_t lastColumn;
        size_t write(uint8_t* out) const;
        bool operator==(const MergedCell&) const = default;
    };

    static constexpr uint32_t rowsPerBlock = 32;
    static constexpr size_t rangesPerMergedCells = 1027;

    // Lays out `sheet` (which must outlive the write): counts its records and adds its texts
    // to `sharedStrings`. Every sheet but the first is shown unselected. False when a text
    // is longer than the file can hold (65535 characters).
    bool layOut(const SpreadsheetSheet& sheet, SharedStringTable& sharedStrings, bool firstSheet);
    // Adds the numbers of narrow and wide text cells of `sheet`.
    static void countTexts(const SpreadsheetSheet& sheet, size_t& narrow, size_t& wide);
    // Fixes the stream positions in INDEX and DBCELL for a substream starting at `start`.
    void placeAt(uint32_t start);
    uint32_t recordSize();
    size_t write(uint8_t* out);
    // The same, a row block or a record at a time.
    size_t write(StreamOutput& out);

    // The RK value of an INTEGER or REAL cell.
    static uint32_t rkValue(const SpreadsheetCell& cell);
    // Makes room for the shared string indices of that many text cells.
    void reserveTexts(size_t count) { sharedIndices_.reserve(count); }

    BOF bof{BOF::WorksheetType};
    Index index;
    std::vector<ColInfo> colInfos;
    Dimensions dimensions;
    Window2 window2;
    std::vector<MergedCell> mergedCells;
    EOFRecord eof;

private:
    uint32_t rowCount() const;
    uint32_t blockCount() const;
    uint32_t blockRowCount(uint32_t block) const;
    // ROW and cell records of one block: the DBCELL's distance back to the first ROW.
    uint32_t blockBodySize(uint32_t block) const;
    uint32_t mergedCellsSize() const;
    // `sharedIndex`: the block's first text cell's, moved past the block's texts.
    size_t writeBlock(uint8_t* out, uint32_t block, const uint32_t*& sharedIndex) const;

    // Hands each record the row's cells make to `sink`, in order (see worksheet.cpp).
    template <class Sink> static void walkRow(const SpreadsheetCellRow& cells, uint16_t row, Sink& sink);

    const SpreadsheetSheet* sheet_ = nullptr;
    std::vector<uint32_t> rowCellBytes_;                               // bytes of each row's cell records
    std::vector<uint32_t, HugePageAllocator<uint32_t>> sharedIndices_; // of the text cells in cell order
    uint32_t cellTableSize_ = 0;
};

} // namespace xls
