#include "testing/compoundchecker.h"

#include "spreadsheet/byteio.h"

#include <fstream>

using namespace xls::Cfb;

namespace {

bool isSectorNumber(uint32_t value, uint32_t sectorCount)
{
    return value < sectorCount;
}

uint64_t sectorsFor(uint64_t length, uint32_t sectorSize)
{
    return (length + sectorSize - 1) / sectorSize;
}

std::string narrow(const std::u16string& name)
{
    std::string text;
    for (char16_t c : name)
        text.push_back(c < 0x80 ? static_cast<char>(c) : '?');
    return text;
}

} // namespace

CompoundChecker::CompoundChecker(std::vector<uint8_t> file) : file_(std::move(file))
{
    checkHeader() && readDifat() && readFat() && readDirectory() && walkTrees() && readMiniStream() &&
        checkStreams() && checkNothingLeaked();
}

CompoundChecker CompoundChecker::fromFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    std::vector<uint8_t> bytes(in ? static_cast<size_t>(in.tellg()) : 0);
    in.seekg(0);
    if (!in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size())))
        bytes.clear();
    return CompoundChecker(std::move(bytes));
}

bool CompoundChecker::fail(std::string message)
{
    if (error_.empty())
        error_ = std::move(message);
    return false;
}

uint32_t CompoundChecker::u32(size_t offset) const
{
    return xls::ByteIo::getU32(file_.data() + offset);
}

const uint8_t* CompoundChecker::sectorData(uint32_t sector) const
{
    return file_.data() + HeaderSize + size_t(sector) * SectorSize;
}

bool CompoundChecker::checkHeader()
{
    using namespace HeaderField;
    if (file_.size() < HeaderSize || file_.size() % SectorSize != 0)
        return fail("file size " + std::to_string(file_.size()) + " is not a whole number of sectors");
    sectorCount_ = static_cast<uint32_t>(std::min<size_t>(file_.size() / SectorSize - 1, EndOfChain));
    for (size_t i = 0; i < sizeof Signature; ++i) {
        if (file_[i] != Signature[i])
            return fail("no compound document signature");
    }
    const uint8_t* h = file_.data();
    if (xls::ByteIo::getU16(h + MajorVersion) != 3)
        return fail("major version is not 3");
    if (xls::ByteIo::getU16(h + ByteOrder) != 0xFFFE)
        return fail("byte order mark is not FFFE");
    if (xls::ByteIo::getU16(h + SectorShift) != 9 || xls::ByteIo::getU16(h + MiniSectorShift) != 6)
        return fail("sector sizes are not 512 and 64 bytes");
    if (xls::ByteIo::getU16(h + 34) != 0 || u32(36) != 0 || u32(DirectorySectorCount) != 0)
        return fail("reserved header fields are not zero");
    if (u32(HeaderField::MiniStreamCutoff) != xls::Cfb::MiniStreamCutoff)
        return fail("mini stream cutoff is not 4096");
    return true;
}

bool CompoundChecker::readDifat()
{
    using namespace HeaderField;
    const uint32_t fatCount = u32(FatSectorCount);
    if (fatCount == 0 || fatCount > sectorCount_)
        return fail("FAT sector count " + std::to_string(fatCount) + " does not fit the file");
    for (uint32_t slot = 0; slot < HeaderDifatSlots; ++slot) {
        const uint32_t value = u32(Difat + 4 * slot);
        if (slot < fatCount)
            fatSectors_.push_back(value);
        else if (value != FreeSector)
            return fail("header DIFAT slot " + std::to_string(slot) + " beyond the FAT is not free");
    }
    const uint32_t difatCount = u32(DifatSectorCount);
    const uint64_t neededDifat =
        fatCount > HeaderDifatSlots ? sectorsFor(fatCount - HeaderDifatSlots, SlotsPerDifatSector) : 0;
    if (difatCount != neededDifat)
        return fail("DIFAT sector count " + std::to_string(difatCount) + " where " +
                    std::to_string(neededDifat) + " are needed");
    std::vector<bool> seen(sectorCount_, false);
    uint32_t next = u32(FirstDifatSector);
    for (uint32_t k = 0; k < difatCount; ++k) {
        if (!isSectorNumber(next, sectorCount_) || seen[next])
            return fail("DIFAT sector " + std::to_string(k) + " at invalid sector " + std::to_string(next));
        seen[next] = true;
        difatSectors_.push_back(next);
        const uint8_t* data = sectorData(next);
        for (uint32_t i = 0; i < SlotsPerDifatSector; ++i) {
            const uint32_t value = xls::ByteIo::getU32(data + 4 * i);
            if (fatSectors_.size() < fatCount)
                fatSectors_.push_back(value);
            else if (value != FreeSector)
                return fail("DIFAT slot beyond the FAT is not free in sector " + std::to_string(next));
        }
        next = xls::ByteIo::getU32(data + 4 * SlotsPerDifatSector);
    }
    if (next != EndOfChain)
        return fail("DIFAT chain does not end with ENDOFCHAIN");
    return true;
}

bool CompoundChecker::readFat()
{
    sectorInUse_.assign(sectorCount_, false);
    for (uint32_t sector : fatSectors_) {
        if (!isSectorNumber(sector, sectorCount_) || sectorInUse_[sector])
            return fail("FAT sector at invalid or repeated sector " + std::to_string(sector));
        sectorInUse_[sector] = true;
        const uint8_t* data = sectorData(sector);
        for (uint32_t i = 0; i < EntriesPerFatSector; ++i)
            fat_.push_back(xls::ByteIo::getU32(data + 4 * i));
    }
    for (uint32_t sector : difatSectors_) {
        if (sectorInUse_[sector])
            return fail("DIFAT sector " + std::to_string(sector) + " is also a FAT sector");
        sectorInUse_[sector] = true;
    }
    if (fat_.size() < sectorCount_)
        return fail("the FAT does not cover all " + std::to_string(sectorCount_) + " sectors");
    for (uint32_t sector : fatSectors_) {
        if (fat_[sector] != FatSectorMark)
            return fail("FAT sector " + std::to_string(sector) + " is not marked FATSECT");
    }
    for (uint32_t sector : difatSectors_) {
        if (fat_[sector] != DifatSectorMark)
            return fail("DIFAT sector " + std::to_string(sector) + " is not marked DIFSECT");
    }
    for (size_t sector = 0; sector < fat_.size(); ++sector) {
        const uint32_t value = fat_[sector];
        const bool special =
            value == FreeSector || value == EndOfChain || value == FatSectorMark || value == DifatSectorMark;
        if (sector >= sectorCount_ && value != FreeSector)
            return fail("FAT entry " + std::to_string(sector) + " beyond the end of the file is in use");
        if (!special && !isSectorNumber(value, sectorCount_))
            return fail("FAT entry " + std::to_string(sector) + " points outside the file");
    }
    return true;
}

bool CompoundChecker::followChain(uint32_t start, const char* what, std::vector<uint32_t>& chain)
{
    for (uint32_t sector = start; sector != EndOfChain; sector = fat_[sector]) {
        if (!isSectorNumber(sector, sectorCount_))
            return fail(std::string(what) + ": chain reaches invalid sector " + std::to_string(sector));
        if (sectorInUse_[sector])
            return fail(std::string(what) + ": sector " + std::to_string(sector) + " is used twice");
        sectorInUse_[sector] = true;
        chain.push_back(sector);
    }
    return true;
}

bool CompoundChecker::readDirectory()
{
    if (!followChain(u32(HeaderField::FirstDirectorySector), "directory", directorySectors_))
        return false;
    if (directorySectors_.empty())
        return fail("the directory is empty");
    for (uint32_t k = 0; k < directorySectors_.size(); ++k) {
        for (uint32_t i = 0; i < EntriesPerDirectorySector; ++i) {
            const uint32_t index = k * EntriesPerDirectorySector + i;
            if (!readEntry(index, sectorData(directorySectors_[k]) + i * DirectoryEntrySize))
                return false;
        }
    }
    if (entries_[0].type != RootEntry)
        return fail("entry 0 is not the root entry");
    chains_.resize(entries_.size());
    return true;
}

bool CompoundChecker::readEntry(uint32_t index, const uint8_t* at)
{
    using namespace EntryField;
    Entry entry;
    entry.type = at[Type];
    entry.colour = at[Colour];
    entry.left = xls::ByteIo::getU32(at + LeftSibling);
    entry.right = xls::ByteIo::getU32(at + RightSibling);
    entry.child = xls::ByteIo::getU32(at + Child);
    entry.start = xls::ByteIo::getU32(at + StartSector);
    entry.size = xls::ByteIo::getU32(at + EntryField::Size);
    const uint16_t nameBytes = xls::ByteIo::getU16(at + NameLength);
    const std::string where = "entry " + std::to_string(index);
    if (entry.type == UnusedEntry) {
        if (nameBytes != 0)
            return fail(where + ": unused but named");
    } else {
        if (entry.type != StorageEntry && entry.type != StreamEntry && entry.type != RootEntry)
            return fail(where + ": unknown type " + std::to_string(entry.type));
        if (entry.type == RootEntry && index != 0)
            return fail(where + ": a second root entry");
        if (nameBytes < 4 || nameBytes > 64 || nameBytes % 2 != 0)
            return fail(where + ": name length " + std::to_string(nameBytes));
        for (size_t c = 0; c + 1 < nameBytes / 2u; ++c) {
            const char16_t unit = xls::ByteIo::getU16(at + Name + 2 * c);
            if (unit == 0)
                return fail(where + ": zero inside the name");
            entry.name.push_back(unit);
        }
        if (xls::ByteIo::getU16(at + Name + nameBytes - 2) != 0)
            return fail(where + ": name not terminated");
        if (entry.colour > 1)
            return fail(where + ": colour " + std::to_string(entry.colour));
    }
    entries_.push_back(std::move(entry));
    return true;
}

bool CompoundChecker::walkTrees()
{
    entries_[0].parent = 0;
    std::vector<uint32_t> storages = {0};
    while (!storages.empty()) {
        const uint32_t storage = storages.back();
        storages.pop_back();
        if (!walkSiblings(storage, storages))
            return false;
    }
    for (uint32_t i = 0; i < entries_.size(); ++i) {
        if (entries_[i].type != UnusedEntry && entries_[i].parent == NoEntry)
            return fail("entry " + std::to_string(i) + " is in no storage's tree");
    }
    return true;
}

// In-order walk of one storage's sibling tree: names must come out in ascending order.
bool CompoundChecker::walkSiblings(uint32_t storage, std::vector<uint32_t>& storages)
{
    std::vector<uint32_t> pending;
    const Entry* previous = nullptr;
    auto descend = [&](uint32_t node) {
        while (node != NoEntry) {
            if (node >= entries_.size() || entries_[node].type == UnusedEntry ||
                entries_[node].type == RootEntry)
                return fail("storage " + std::to_string(storage) + ": link to invalid entry " +
                            std::to_string(node));
            if (entries_[node].parent != NoEntry)
                return fail("entry " + std::to_string(node) + " is linked twice");
            entries_[node].parent = storage;
            pending.push_back(node);
            node = entries_[node].left;
        }
        return true;
    };
    if (!descend(entries_[storage].child))
        return false;
    while (!pending.empty()) {
        const uint32_t node = pending.back();
        pending.pop_back();
        const Entry& entry = entries_[node];
        if (previous && compareNames(previous->name, entry.name) >= 0)
            return fail("entry " + std::to_string(node) + " \"" + narrow(entry.name) + "\" is out of order");
        previous = &entry;
        if (entry.type == StorageEntry)
            storages.push_back(node);
        else if (entry.child != NoEntry)
            return fail("stream entry " + std::to_string(node) + " has a child");
        if (!descend(entry.right))
            return false;
    }
    return true;
}

bool CompoundChecker::readMiniStream()
{
    using namespace HeaderField;
    if (!followChain(u32(FirstMiniFatSector), "MiniFAT", miniFatSectors_))
        return false;
    if (miniFatSectors_.size() != u32(MiniFatSectorCount))
        return fail("MiniFAT sector count " + std::to_string(u32(MiniFatSectorCount)) +
                    " but its chain has " + std::to_string(miniFatSectors_.size()));
    for (uint32_t sector : miniFatSectors_) {
        for (uint32_t i = 0; i < EntriesPerFatSector; ++i)
            miniFat_.push_back(xls::ByteIo::getU32(sectorData(sector) + 4 * i));
    }
    const Entry& root = entries_[0];
    if (sectorsFor(root.size, MiniSectorSize) > miniFat_.size())
        return fail("the mini stream of " + std::to_string(root.size) +
                    " bytes is larger than the MiniFAT covers");
    if (!followChain(root.start, "mini stream", miniStreamSectors_))
        return false;
    if (miniStreamSectors_.size() != sectorsFor(root.size, SectorSize))
        return fail("the mini stream of " + std::to_string(root.size) + " bytes has " +
                    std::to_string(miniStreamSectors_.size()) + " sectors");
    for (uint32_t sector : miniStreamSectors_)
        miniStream_.insert(miniStream_.end(), sectorData(sector), sectorData(sector) + SectorSize);
    miniStream_.resize(root.size);
    return true;
}

bool CompoundChecker::checkStreams()
{
    const uint32_t miniSectorCount = entries_[0].size / MiniSectorSize;
    std::vector<bool> miniInUse(miniSectorCount, false);
    for (uint32_t i = 1; i < entries_.size(); ++i) {
        const Entry& entry = entries_[i];
        if (entry.type != StreamEntry)
            continue;
        const std::string what = "stream \"" + narrow(entry.name) + "\"";
        std::vector<uint32_t>& chain = chains_[i];
        if (entry.size >= MiniStreamCutoff) {
            if (!followChain(entry.start, what.c_str(), chain))
                return false;
            if (chain.size() != sectorsFor(entry.size, SectorSize))
                return fail(what + " of " + std::to_string(entry.size) + " bytes has " +
                            std::to_string(chain.size()) + " sectors");
            continue;
        }
        for (uint32_t sector = entry.start; sector != EndOfChain; sector = miniFat_[sector]) {
            if (sector >= miniSectorCount || sector >= miniFat_.size())
                return fail(what + ": mini chain reaches invalid mini sector " + std::to_string(sector));
            if (miniInUse[sector])
                return fail(what + ": mini sector " + std::to_string(sector) + " is used twice");
            miniInUse[sector] = true;
            chain.push_back(sector);
        }
        if (chain.size() != sectorsFor(entry.size, MiniSectorSize))
            return fail(what + " of " + std::to_string(entry.size) + " bytes has " +
                        std::to_string(chain.size()) + " mini sectors");
    }
    for (uint32_t sector = 0; sector < miniFat_.size(); ++sector) {
        if (miniFat_[sector] != FreeSector && (sector >= miniSectorCount || !miniInUse[sector]))
            return fail("mini sector " + std::to_string(sector) +
                        " is marked in use but belongs to no stream");
    }
    return true;
}

bool CompoundChecker::checkNothingLeaked()
{
    for (uint32_t sector = 0; sector < sectorCount_; ++sector) {
        if (fat_[sector] != FreeSector && !sectorInUse_[sector])
            return fail("sector " + std::to_string(sector) + " is marked in use but belongs to no chain");
    }
    return true;
}

std::vector<std::u16string> CompoundChecker::streamPaths() const
{
    std::vector<std::u16string> paths;
    for (uint32_t i = 1; i < entries_.size(); ++i) {
        if (entries_[i].type != StreamEntry || entries_[i].parent == NoEntry)
            continue;
        std::u16string path = entries_[i].name;
        // Parents were linked by the tree walk, which refuses cycles.
        for (uint32_t p = entries_[i].parent; p != 0 && p < entries_.size(); p = entries_[p].parent)
            path = entries_[p].name + u"\\" + path;
        paths.push_back(path);
    }
    return paths;
}

std::optional<uint32_t> CompoundChecker::findEntry(const std::u16string& path) const
{
    for (uint32_t i = 1; i < entries_.size(); ++i) {
        if (entries_[i].type == UnusedEntry || entries_[i].parent == NoEntry)
            continue;
        std::u16string full = entries_[i].name;
        for (uint32_t p = entries_[i].parent; p != 0 && p < entries_.size(); p = entries_[p].parent)
            full = entries_[p].name + u"\\" + full;
        if (full == path)
            return i;
    }
    return std::nullopt;
}

std::vector<uint32_t> CompoundChecker::chainOf(const std::u16string& path) const
{
    const std::optional<uint32_t> entry = findEntry(path);
    return entry && *entry < chains_.size() ? chains_[*entry] : std::vector<uint32_t>{};
}

std::optional<std::vector<uint8_t>> CompoundChecker::stream(const std::u16string& path) const
{
    const std::optional<uint32_t> index = findEntry(path);
    if (!valid() || !index || entries_[*index].type != StreamEntry)
        return std::nullopt;
    const Entry& entry = entries_[*index];
    std::vector<uint8_t> bytes;
    bytes.reserve(entry.size);
    for (uint32_t sector : chains_[*index]) {
        if (entry.size >= MiniStreamCutoff)
            bytes.insert(bytes.end(), sectorData(sector), sectorData(sector) + SectorSize);
        else
            bytes.insert(bytes.end(), miniStream_.begin() + sector * MiniSectorSize,
                         miniStream_.begin() + (sector + 1) * MiniSectorSize);
    }
    bytes.resize(entry.size);
    return bytes;
}
