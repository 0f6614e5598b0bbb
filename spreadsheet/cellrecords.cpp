#include "spreadsheet/cellrecords.h"

#include "spreadsheet/byteio.h"

#include <cmath>
#include <cstring>

namespace xls {

using namespace ByteIo;

namespace CellRecords {
namespace {
using Detail::header;

uint32_t upperHalf(double value)
{
    uint64_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    return static_cast<uint32_t>(bits >> 32);
}
} // namespace

size_t writeMulRk(uint8_t* out, uint16_t row, uint16_t firstColumn, std::span<const RkCell> cells)
{
    const uint32_t size = mulRkSize(static_cast<uint32_t>(cells.size()));
    uint8_t* body = header(out, 0x00BD, static_cast<uint16_t>(size - 4));
    putU16(body, row);
    putU16(body + 2, firstColumn);
    uint8_t* at = body + 4;
    for (const RkCell& cell : cells) {
        putU16(at, cell.xf);
        putU32(at + 2, cell.rk);
        at += 6;
    }
    putU16(at, static_cast<uint16_t>(firstColumn + cells.size() - 1));
    return size;
}

size_t writeDbCell(uint8_t* out, uint32_t firstRowDistance, std::span<const uint16_t> rowOffsets)
{
    const uint32_t size = dbCellSize(static_cast<uint32_t>(rowOffsets.size()));
    uint8_t* body = header(out, 0x00D7, static_cast<uint16_t>(size - 4));
    putU32(body, firstRowDistance);
    for (size_t i = 0; i < rowOffsets.size(); ++i)
        putU16(body + 4 + 2 * i, rowOffsets[i]);
    return size;
}

// Truncations in floating point: a cast to an integer type would overflow for large values.
bool isRkEligible(double value)
{
    return std::trunc(value * 100) * 100 == std::trunc(value * 10000);
}

double realFromRk(uint32_t rk)
{
    const uint64_t bits = static_cast<uint64_t>(rk & ~3u) << 32;
    double value;
    std::memcpy(&value, &bits, sizeof value);
    return rk & 1 ? value / 100 : value;
}

uint32_t rkFromReal(double value)
{
    if (std::trunc(value) * 100 == std::trunc(value * 100))
        return upperHalf(value) & ~3u;
    return (upperHalf(value * 100) & ~3u) | 1;
}
} // namespace CellRecords

namespace CellRecords {
bool isExactRk(double value)
{
    if (!isRkEligible(value))
        return false;
    const double stored = realFromRk(rkFromReal(value));
    return std::memcmp(&stored, &value, sizeof value) == 0;
}
} // namespace CellRecords

} // namespace xls
