#pragma once

// Little-endian byte helpers for the file formats: every integer in a compound document and in
// a BIFF8 record is stored least significant byte first, whatever the machine's order.
//
//   std::vector<uint8_t> out;
//   ByteIo::appendU16(out, 0x000A);   // out = 0A 00
//   ByteIo::putU32(out.data(), 0x1234); // overwrites out[0..3] (needs 4 bytes there)

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

namespace xls {

namespace ByteIo {

// Writing at a position that already holds enough bytes.
inline void putU8(uint8_t* at, uint8_t value)
{
    at[0] = value;
}

inline void putU16(uint8_t* at, uint16_t value)
{
    at[0] = static_cast<uint8_t>(value);
    at[1] = static_cast<uint8_t>(value >> 8);
}

inline void putU32(uint8_t* at, uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        at[i] = static_cast<uint8_t>(value >> (8 * i));
}

inline void putU64(uint8_t* at, uint64_t value)
{
    for (int i = 0; i < 8; ++i)
        at[i] = static_cast<uint8_t>(value >> (8 * i));
}

// IEEE 754 double, bit pattern stored little-endian.
inline void putDouble(uint8_t* at, double value)
{
    uint64_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    putU64(at, bits);
}

// Appending to the end of a growing buffer.
inline void appendU8(std::vector<uint8_t>& out, uint8_t value)
{
    out.push_back(value);
}

inline void appendU16(std::vector<uint8_t>& out, uint16_t value)
{
    const size_t at = out.size();
    out.resize(at + 2);
    putU16(out.data() + at, value);
}

inline void appendU32(std::vector<uint8_t>& out, uint32_t value)
{
    const size_t at = out.size();
    out.resize(at + 4);
    putU32(out.data() + at, value);
}

inline void appendU64(std::vector<uint8_t>& out, uint64_t value)
{
    const size_t at = out.size();
    out.resize(at + 8);
    putU64(out.data() + at, value);
}

inline void appendDouble(std::vector<uint8_t>& out, double value)
{
    const size_t at = out.size();
    out.resize(at + 8);
    putDouble(out.data() + at, value);
}

inline void appendBytes(std::vector<uint8_t>& out, const uint8_t* data, size_t length)
{
    if (length > 0)
        out.insert(out.end(), data, data + length);
}

// Reading; the caller makes sure the bytes are there.
inline uint16_t getU16(const uint8_t* at)
{
    return static_cast<uint16_t>(at[0] | (at[1] << 8));
}

inline uint32_t getU32(const uint8_t* at)
{
    return static_cast<uint32_t>(at[0]) | (static_cast<uint32_t>(at[1]) << 8) |
           (static_cast<uint32_t>(at[2]) << 16) | (static_cast<uint32_t>(at[3]) << 24);
}

inline uint64_t getU64(const uint8_t* at)
{
    return static_cast<uint64_t>(getU32(at)) | (static_cast<uint64_t>(getU32(at + 4)) << 32);
}

inline double getDouble(const uint8_t* at)
{
    const uint64_t bits = getU64(at);
    double value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

} // namespace ByteIo

} // namespace xls
