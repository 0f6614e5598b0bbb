#pragma once

// Constants of the compound file format, version 3: a 512-byte header, then 512-byte sectors
// numbered from 0 (sector n starts at file offset (n + 1) × 512). Streams under 4096 bytes live
// in 64-byte mini sectors inside the root entry's mini stream.

#include <cstddef>
#include <cstdint>
#include <string>

namespace xls {

namespace Cfb {

// Sector numbers with a meaning of their own, as stored in the allocation tables.
constexpr uint32_t FreeSector = 0xFFFFFFFF;
constexpr uint32_t EndOfChain = 0xFFFFFFFE;
constexpr uint32_t FatSectorMark = 0xFFFFFFFD;
constexpr uint32_t DifatSectorMark = 0xFFFFFFFC;
// "No entry" in a directory entry's sibling and child fields.
constexpr uint32_t NoEntry = 0xFFFFFFFF;

constexpr uint32_t HeaderSize = 512;
constexpr uint32_t SectorSize = 512;
constexpr uint32_t MiniSectorSize = 64;
constexpr uint32_t MiniStreamCutoff = 4096;
constexpr uint32_t EntriesPerFatSector = SectorSize / 4; // 128
constexpr uint32_t HeaderDifatSlots = 109;
constexpr uint32_t SlotsPerDifatSector = SectorSize / 4 - 1; // 127, the last field chains on
constexpr uint32_t DirectoryEntrySize = 128;
constexpr uint32_t EntriesPerDirectorySector = SectorSize / DirectoryEntrySize;
constexpr size_t MaxNameLength = 31; // UTF-16 code units, the 32nd holds the terminator
// Version 3 files store stream sizes in 32 bits, and readers take only sizes up to 2 GB.
constexpr uint64_t MaxStreamSize = 0x80000000u;

constexpr uint8_t Signature[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};

enum EntryType : uint8_t { UnusedEntry = 0, StorageEntry = 1, StreamEntry = 2, RootEntry = 5 };
constexpr uint8_t Black = 1;

// Header field offsets.
namespace HeaderField {
constexpr size_t MinorVersion = 24;
constexpr size_t MajorVersion = 26;
constexpr size_t ByteOrder = 28;
constexpr size_t SectorShift = 30;
constexpr size_t MiniSectorShift = 32;
constexpr size_t DirectorySectorCount = 40;
constexpr size_t FatSectorCount = 44;
constexpr size_t FirstDirectorySector = 48;
constexpr size_t TransactionSignature = 52;
constexpr size_t MiniStreamCutoff = 56;
constexpr size_t FirstMiniFatSector = 60;
constexpr size_t MiniFatSectorCount = 64;
constexpr size_t FirstDifatSector = 68;
constexpr size_t DifatSectorCount = 72;
constexpr size_t Difat = 76;
} // namespace HeaderField

// Directory entry field offsets.
namespace EntryField {
constexpr size_t Name = 0;
constexpr size_t NameLength = 64;
constexpr size_t Type = 66;
constexpr size_t Colour = 67;
constexpr size_t LeftSibling = 68;
constexpr size_t RightSibling = 72;
constexpr size_t Child = 76;
constexpr size_t StartSector = 116;
constexpr size_t Size = 120;
} // namespace EntryField

// Sibling order in a storage's tree: shorter names first, then code unit by code unit after
// upper-casing. Only ASCII letters are upper-cased.
inline int compareNames(const std::u16string& a, const std::u16string& b)
{
    if (a.size() != b.size())
        return a.size() < b.size() ? -1 : 1;
    auto upper = [](char16_t c) { return c >= u'a' && c <= u'z' ? char16_t(c - u'a' + u'A') : c; };
    for (size_t i = 0; i < a.size(); ++i) {
        const char16_t x = upper(a[i]), y = upper(b[i]);
        if (x != y)
            return x < y ? -1 : 1;
    }
    return 0;
}

} // namespace Cfb

} // namespace xls
