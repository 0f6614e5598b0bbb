#pragma once

// Reads the structure of a compound document (version 3, 512-byte sectors) and checks it against
// the compound file format: the header, the FAT together with the DIFAT that locates it, the
// MiniFAT, the directory and its trees, and the chain of every stream. Every sector in use must
// belong to exactly one chain, and every chain must have exactly the length its size needs.
//
// The tests read back what the writer made through it, and fuzzing feeds it arbitrary bytes: every
// number read is bounds-checked and every chain is followed at most once around.
//
//   CompoundChecker document = CompoundChecker::fromFile("/tmp/report.xls");
//   if (!document.valid()) puts(document.error().c_str());
//   std::optional<std::vector<uint8_t>> workbook = document.stream(u"Workbook");

#include "spreadsheet/compoundformat.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

class CompoundChecker {
public:
    struct Entry {
        std::u16string name;
        uint8_t type = xls::Cfb::UnusedEntry;
        uint8_t colour = 0;
        uint32_t left = xls::Cfb::NoEntry;
        uint32_t right = xls::Cfb::NoEntry;
        uint32_t child = xls::Cfb::NoEntry;
        uint32_t start = xls::Cfb::EndOfChain;
        uint32_t size = 0;
        uint32_t parent = xls::Cfb::NoEntry; // the storage whose tree holds it
    };

    explicit CompoundChecker(std::vector<uint8_t> file);
    static CompoundChecker fromFile(const std::string& path);

    bool valid() const { return error_.empty(); }
    const std::string& error() const { return error_; } // the first problem found

    // What was read, as far as the check got.
    const std::vector<uint8_t>& bytes() const { return file_; }
    uint32_t sectorCount() const { return sectorCount_; }
    const std::vector<uint32_t>& fatSectors() const { return fatSectors_; } // FAT sector k's number
    const std::vector<uint32_t>& difatSectors() const { return difatSectors_; }
    const std::vector<uint32_t>& fat() const { return fat_; }
    const std::vector<uint32_t>& miniFat() const { return miniFat_; }
    const std::vector<uint32_t>& miniFatSectors() const { return miniFatSectors_; }
    const std::vector<uint32_t>& directorySectors() const { return directorySectors_; }
    const std::vector<uint32_t>& miniStreamSectors() const { return miniStreamSectors_; }
    const std::vector<Entry>& entries() const { return entries_; }

    // Paths are storage names and the stream name joined by backslashes: "Reports\\2024".
    std::vector<std::u16string> streamPaths() const;
    std::optional<uint32_t> findEntry(const std::u16string& path) const;
    // The stream's chain: mini sector numbers for a stream under 4096 bytes, else sector numbers.
    std::vector<uint32_t> chainOf(const std::u16string& path) const;
    // Only for a valid document.
    std::optional<std::vector<uint8_t>> stream(const std::u16string& path) const;

private:
    bool fail(std::string message);
    uint32_t u32(size_t offset) const;
    const uint8_t* sectorData(uint32_t sector) const;

    bool checkHeader();
    bool readDifat();
    bool readFat();
    bool followChain(uint32_t start, const char* what, std::vector<uint32_t>& chain);
    bool readDirectory();
    bool readEntry(uint32_t index, const uint8_t* at);
    bool walkTrees();
    bool walkSiblings(uint32_t storage, std::vector<uint32_t>& storages);
    bool readMiniStream();
    bool checkStreams();
    bool checkNothingLeaked();

    std::vector<uint8_t> file_;
    std::string error_;
    uint32_t sectorCount_ = 0;
    std::vector<uint32_t> fatSectors_;
    std::vector<uint32_t> difatSectors_;
    std::vector<uint32_t> fat_;
    std::vector<uint32_t> miniFat_;
    std::vector<uint32_t> miniFatSectors_;
    std::vector<uint32_t> directorySectors_;
    std::vector<uint32_t> miniStreamSectors_;
    std::vector<uint8_t> miniStream_;
    std::vector<Entry> entries_;
    std::vector<std::vector<uint32_t>> chains_; // per entry
    std::vector<bool> sectorInUse_;
};
