#pragma once

// The layout of a compound document in memory: which sector holds what, the allocation tables
// and the directory. No bytes of regular streams are kept here; the document image is written
// from this layout and the stream data in one pass.
//
// Sectors are taken one at a time from the lowest free entry of the allocation table (FAT); a
// full FAT grows by one sector placed at its own end, so in a growing file FAT sectors land on
// sectors 0, 128, 256 … Beyond 109 FAT sectors their numbers go to DIFAT sectors, each taken
// right after the FAT sector that needed it. Freed sectors stay in the file as free sectors and
// are taken again first. Streams under 4096 bytes live in 64-byte mini sectors inside the root
// entry's mini stream, which is kept here in full.
//
// A new document: sector 0 FAT, sector 1 directory holding the root entry. One 4095-byte stream
// then gives sector 2 mini stream, sector 3 MiniFAT, sectors 4 … 10 the rest of the mini stream.

#include "spreadsheet/compoundformat.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace xls {

struct CompoundEntry {
    std::u16string name;
    uint8_t type = Cfb::StorageEntry;
    uint32_t parent = Cfb::NoEntry; // the storage holding it; the root has none
    uint32_t start = Cfb::EndOfChain;
    uint32_t size = 0;
};

// What one sector of the file holds: `index` counts sectors within the FAT, the DIFAT, the
// directory, the MiniFAT or the mini stream, or the stream `entry`'s chain.
struct SectorUse {
    enum Kind : uint8_t { Free, Fat, Difat, Directory, MiniFat, MiniStream, Stream };
    Kind kind = Free;
    uint32_t entry = 0;
    uint32_t index = 0;
};

class CompoundLayout {
public:
    CompoundLayout(); // a new document holding only the root entry

    const std::vector<CompoundEntry>& entries() const { return entries_; }
    std::optional<uint32_t> findChild(uint32_t storage, const std::u16string& name) const;
    // Adds an entry under `storage` at its place in the directory order (shorter names first,
    // then by code units) and returns its index; indexes at or above it move up by one.
    uint32_t addEntry(uint32_t storage, const std::u16string& name, uint8_t type);
    // Gives the stream `entry` room for `length` bytes (mini or regular sectors) and takes its
    // data when it goes to the mini stream.
    void placeStream(uint32_t entry, const uint8_t* data, uint32_t length);

    // Sectors 0 … n−1 of the file, up to the last one in use.
    std::vector<SectorUse> sectorUses() const;
    const std::vector<uint8_t>& miniStream() const { return miniStream_; }

    void encodeHeader(uint8_t* out) const;
    void encodeFatSector(uint32_t index, uint8_t* out) const;
    void encodeDifatSector(uint32_t index, uint8_t* out) const;
    void encodeMiniFatSector(uint32_t index, uint8_t* out) const;
    // All directory sectors; unused slots of the last one are zero bytes.
    std::vector<uint8_t> encodeDirectory() const;

private:
    struct TreeLinks {
        uint32_t left = Cfb::NoEntry;
        uint32_t right = Cfb::NoEntry;
        uint32_t child = Cfb::NoEntry;
    };

    uint32_t takeSector();
    void growFat();
    std::vector<uint32_t> chain(uint32_t start) const;
    uint32_t resizeChain(uint32_t start, uint64_t length);
    void freeChain(uint32_t start);

    uint32_t takeMiniSector();
    void growMiniFat();
    std::vector<uint32_t> miniChain(uint32_t start) const;
    uint32_t placeInMiniStream(uint32_t start, const uint8_t* data, uint32_t length);
    void freeMiniChain(uint32_t start);

    std::vector<TreeLinks> treeLinks() const;

    std::vector<uint32_t> fat_;          // a multiple of 128 entries
    std::vector<uint32_t> miniFat_;      // a multiple of 128 entries
    std::vector<uint32_t> fatSectors_;   // where FAT sector k lives
    std::vector<uint32_t> difatSectors_; // where DIFAT sector k lives
    uint32_t lowestFreeCandidate_ = 0;   // no free FAT entry below it
    uint32_t lowestFreeMiniCandidate_ = 0;
    uint32_t firstDirectorySector_ = 1;
    uint32_t firstMiniFatSector_ = Cfb::EndOfChain;
    uint32_t miniFatSectorCount_ = 0;
    std::vector<CompoundEntry> entries_;
    std::vector<uint8_t> miniStream_;
};

} // namespace xls
