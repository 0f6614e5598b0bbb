#pragma once

// The records of a worksheet's cell table, written straight into the stream: a sheet of a
// million cells gets no object per record. Each function returns the bytes it wrote.
//
// Numbers go in RK form where it keeps them exactly: an integer as value × 4 + 2 (30-bit
// signed range), a real with at most two decimals as the upper 30 bits of its double (bit 0
// set when the stored value is the number × 100) when those bits give back the very same
// double. Others are NUMBER records with the full double: 99999.99 would come back from the
// float form as 99999.68.

#include "spreadsheet/byteio.h"

#include <cstddef>
#include <cstdint>
#include <span>

namespace xls {

namespace CellRecords {
constexpr uint32_t rowSize = 20;
constexpr uint32_t blankSize = 10;
constexpr uint32_t rkSize = 14;
constexpr uint32_t numberSize = 18;
constexpr uint32_t labelSstSize = 14;
constexpr uint32_t mulRkSize(uint32_t cells)
{
    return 10 + 6 * cells;
}
constexpr uint32_t dbCellSize(uint32_t rows)
{
    return 8 + 2 * rows;
}

// Inline: a sheet's cell table is millions of these.
namespace Detail {
inline uint8_t* header(uint8_t* out, uint16_t code, uint16_t bodySize)
{
    ByteIo::putU16(out, code);
    ByteIo::putU16(out + 2, bodySize);
    return out + 4;
}

inline uint8_t* cellHeader(uint8_t* out, uint16_t code, uint16_t bodySize, uint16_t row, uint16_t column,
                           uint16_t xf)
{
    uint8_t* body = header(out, code, bodySize);
    ByteIo::putU16(body, row);
    ByteIo::putU16(body + 2, column);
    ByteIo::putU16(body + 4, xf);
    return body + 6;
}
} // namespace Detail

inline size_t writeRow(uint8_t* out, uint16_t row, uint16_t columnEnd)
{
    uint8_t* body = Detail::header(out, 0x0208, rowSize - 4);
    ByteIo::putU16(body, row);
    ByteIo::putU16(body + 2, 0);
    ByteIo::putU16(body + 4, columnEnd);
    ByteIo::putU16(body + 6, 255); // height
    ByteIo::putU16(body + 8, 0);
    ByteIo::putU16(body + 10, 0);
    ByteIo::putU32(body + 12, 0x00000100);
    return rowSize;
}

inline size_t writeBlank(uint8_t* out, uint16_t row, uint16_t column, uint16_t xf)
{
    Detail::cellHeader(out, 0x0201, blankSize - 4, row, column, xf);
    return blankSize;
}

inline size_t writeRk(uint8_t* out, uint16_t row, uint16_t column, uint16_t xf, uint32_t rk)
{
    ByteIo::putU32(Detail::cellHeader(out, 0x027E, rkSize - 4, row, column, xf), rk);
    return rkSize;
}

inline size_t writeNumber(uint8_t* out, uint16_t row, uint16_t column, uint16_t xf, double value)
{
    ByteIo::putDouble(Detail::cellHeader(out, 0x0203, numberSize - 4, row, column, xf), value);
    return numberSize;
}

inline size_t writeLabelSst(uint8_t* out, uint16_t row, uint16_t column, uint16_t xf, uint32_t sharedIndex)
{
    ByteIo::putU32(Detail::cellHeader(out, 0x00FD, labelSstSize - 4, row, column, xf), sharedIndex);
    return labelSstSize;
}

struct RkCell {
    uint16_t xf;
    uint32_t rk;
};
size_t writeMulRk(uint8_t* out, uint16_t row, uint16_t firstColumn, std::span<const RkCell> cells);

// `firstRowDistance`: from the block's first ROW to this DBCELL; `rowOffsets`: one per row.
size_t writeDbCell(uint8_t* out, uint32_t firstRowDistance, std::span<const uint16_t> rowOffsets);

// Whether an integer fits the 30-bit signed integer form of RK.
constexpr bool fitsRk(int32_t value)
{
    return value >= -(1 << 29) && value < (1 << 29);
}
constexpr uint32_t rkFromInteger(int32_t value)
{
    return (static_cast<uint32_t>(value) << 2) | 2;
}
// Whether a real has at most two decimals, to four places (trunc(x × 100) × 100 = trunc(x × 10000)).
// Such reals have a float form of RK, which keeps the upper 30 bits of the double (of x, or
// of x × 100): a value with more mantissa bits would be stored approximately.
bool isRkEligible(double value);
uint32_t rkFromReal(double value);
// Whether a real is written as RK: it has at most two decimals and its float form gives back
// exactly the same double (bit for bit); rkFromReal() is then its RK value.
bool isExactRk(double value);
// The number a float-form RK value stands for, as readers decode it.
double realFromRk(uint32_t rk);
} // namespace CellRecords

} // namespace xls
