#include "spreadsheet/compoundlayout.h"

#include "spreadsheet/byteio.h"

#include <algorithm>
#include <cstring>

namespace xls {

using namespace Cfb;

namespace {

uint64_t sectorsFor(uint64_t length, uint32_t sectorSize)
{
    return (length + sectorSize - 1) / sectorSize;
}

void encodeTable(const std::vector<uint32_t>& table, uint32_t sectorIndex, uint8_t* out)
{
    for (uint32_t i = 0; i < EntriesPerFatSector; ++i)
        ByteIo::putU32(out + 4 * i, table[sectorIndex * EntriesPerFatSector + i]);
}

} // namespace

CompoundLayout::CompoundLayout()
{
    fat_.assign(EntriesPerFatSector, FreeSector);
    fat_[0] = FatSectorMark;
    fat_[1] = EndOfChain;
    fatSectors_ = {0};
    lowestFreeCandidate_ = 2;
    entries_.push_back(CompoundEntry{u"Root Entry", RootEntry, NoEntry, EndOfChain, 0});
}

std::optional<uint32_t> CompoundLayout::findChild(uint32_t storage, const std::u16string& name) const
{
    for (uint32_t i = 1; i < entries_.size(); ++i) {
        if (entries_[i].parent == storage && compareNames(entries_[i].name, name) == 0)
            return i;
    }
    return std::nullopt;
}

uint32_t CompoundLayout::addEntry(uint32_t storage, const std::u16string& name, uint8_t type)
{
    uint32_t at = static_cast<uint32_t>(entries_.size());
    for (uint32_t i = 1; i < entries_.size(); ++i) {
        const std::u16string& other = entries_[i].name;
        if (other.size() > name.size() || (other.size() == name.size() && other >= name)) {
            at = i;
            break;
        }
    }
    for (CompoundEntry& entry : entries_) {
        if (entry.parent != NoEntry && entry.parent >= at)
            ++entry.parent;
    }
    if (storage >= at)
        ++storage;
    entries_.insert(entries_.begin() + at, CompoundEntry{name, type, storage, EndOfChain, 0});
    const uint64_t directorySectors = sectorsFor(entries_.size(), EntriesPerDirectorySector);
    firstDirectorySector_ = resizeChain(firstDirectorySector_, directorySectors * SectorSize);
    return at;
}

void CompoundLayout::placeStream(uint32_t entry, const uint8_t* data, uint32_t length)
{
    const bool regular = length >= MiniStreamCutoff;
    const bool wasRegular = entries_[entry].size >= MiniStreamCutoff;
    uint32_t start = entries_[entry].start;
    if (regular != wasRegular && start != EndOfChain) {
        if (wasRegular)
            freeChain(start);
        else
            freeMiniChain(start);
        start = EndOfChain;
    }
    start = regular ? resizeChain(start, length) : placeInMiniStream(start, data, length);
    entries_[entry].start = start;
    entries_[entry].size = length;
}

uint32_t CompoundLayout::takeSector()
{
    for (;;) {
        for (uint32_t sector = lowestFreeCandidate_; sector < fat_.size(); ++sector) {
            if (fat_[sector] == FreeSector) {
                fat_[sector] = EndOfChain;
                lowestFreeCandidate_ = sector + 1;
                return sector;
            }
        }
        lowestFreeCandidate_ = static_cast<uint32_t>(fat_.size());
        growFat();
    }
}

void CompoundLayout::growFat()
{
    const uint32_t sector = static_cast<uint32_t>(fat_.size());
    fat_.resize(fat_.size() + EntriesPerFatSector, FreeSector);
    fat_[sector] = FatSectorMark;
    fatSectors_.push_back(sector);
    // The header names the first 109 FAT sectors; each further 127 need a DIFAT sector, taken
    // from the entries the new FAT sector just brought.
    const size_t slot = fatSectors_.size() - 1;
    if (slot >= HeaderDifatSlots && (slot - HeaderDifatSlots) % SlotsPerDifatSector == 0) {
        const uint32_t difatSector = takeSector();
        fat_[difatSector] = DifatSectorMark;
        difatSectors_.push_back(difatSector);
    }
}

std::vector<uint32_t> CompoundLayout::chain(uint32_t start) const
{
    std::vector<uint32_t> sectors;
    for (uint32_t sector = start; sector < fat_.size() && sectors.size() < fat_.size(); sector = fat_[sector])
        sectors.push_back(sector);
    return sectors;
}

uint32_t CompoundLayout::resizeChain(uint32_t start, uint64_t length)
{
    const uint64_t needed = sectorsFor(length, SectorSize);
    std::vector<uint32_t> sectors = chain(start);
    if (sectors.size() > needed) {
        for (size_t i = needed; i < sectors.size(); ++i)
            fat_[sectors[i]] = FreeSector;
        lowestFreeCandidate_ =
            std::min(lowestFreeCandidate_, *std::min_element(sectors.begin() + needed, sectors.end()));
        if (needed == 0)
            return EndOfChain;
        fat_[sectors[needed - 1]] = EndOfChain;
        return start;
    }
    uint32_t previous = sectors.empty() ? EndOfChain : sectors.back();
    for (uint64_t i = sectors.size(); i < needed; ++i) {
        const uint32_t sector = takeSector();
        if (previous == EndOfChain)
            start = sector;
        else
            fat_[previous] = sector;
        previous = sector;
    }
    return needed == 0 ? EndOfChain : start;
}

void CompoundLayout::freeChain(uint32_t start)
{
    resizeChain(start, 0);
}

uint32_t CompoundLayout::takeMiniSector()
{
    for (;;) {
        for (uint32_t sector = lowestFreeMiniCandidate_; sector < miniFat_.size(); ++sector) {
            if (miniFat_[sector] == FreeSector) {
                miniFat_[sector] = EndOfChain;
                lowestFreeMiniCandidate_ = sector + 1;
                return sector;
            }
        }
        lowestFreeMiniCandidate_ = static_cast<uint32_t>(miniFat_.size());
        growMiniFat();
    }
}

void CompoundLayout::growMiniFat()
{
    const uint32_t sector = takeSector();
    if (firstMiniFatSector_ == EndOfChain)
        firstMiniFatSector_ = sector;
    else
        fat_[chain(firstMiniFatSector_).back()] = sector;
    ++miniFatSectorCount_;
    miniFat_.resize(miniFat_.size() + EntriesPerFatSector, FreeSector);
}

std::vector<uint32_t> CompoundLayout::miniChain(uint32_t start) const
{
    std::vector<uint32_t> sectors;
    for (uint32_t sector = start; sector < miniFat_.size() && sectors.size() < miniFat_.size();
         sector = miniFat_[sector])
        sectors.push_back(sector);
    return sectors;
}

void CompoundLayout::freeMiniChain(uint32_t start)
{
    for (uint32_t sector : miniChain(start)) {
        miniFat_[sector] = FreeSector;
        std::memset(miniStream_.data() + sector * MiniSectorSize, 0, MiniSectorSize);
        lowestFreeMiniCandidate_ = std::min(lowestFreeMiniCandidate_, sector);
    }
}

uint32_t CompoundLayout::placeInMiniStream(uint32_t start, const uint8_t* data, uint32_t length)
{
    CompoundEntry& root = entries_[0];
    const size_t needed = sectorsFor(length, MiniSectorSize);
    // An empty stream needs no mini stream: one without a MiniFAT to cover it is inconsistent.
    if (root.start == EndOfChain && needed > 0) {
        root.start = takeSector();
        root.size = SectorSize;
        miniStream_.assign(SectorSize, 0);
    }
    std::vector<uint32_t> sectors = miniChain(start);
    if (sectors.size() > needed) {
        const uint32_t surplus = sectors[needed];
        if (needed > 0)
            miniFat_[sectors[needed - 1]] = EndOfChain;
        freeMiniChain(surplus);
        sectors.resize(needed);
        if (needed == 0)
            start = EndOfChain;
    } else if (sectors.size() < needed) {
        while (sectors.size() < needed) {
            const uint32_t sector = takeMiniSector();
            if (sectors.empty())
                start = sector;
            else
                miniFat_[sectors.back()] = sector;
            sectors.push_back(sector);
        }
        // The mini stream ends after the last mini sector in use.
        size_t used = miniFat_.size();
        while (used > 0 && miniFat_[used - 1] == FreeSector)
            --used;
        root.size = static_cast<uint32_t>(used * MiniSectorSize);
        miniStream_.resize(root.size, 0);
    }
    for (size_t i = 0; i < sectors.size(); ++i) {
        uint8_t* piece = miniStream_.data() + size_t(sectors[i]) * MiniSectorSize;
        const size_t bytes = std::min<size_t>(MiniSectorSize, length - i * MiniSectorSize);
        std::memcpy(piece, data + i * MiniSectorSize, bytes);
        std::memset(piece + bytes, 0, MiniSectorSize - bytes);
    }
    root.start = resizeChain(root.start, root.size);
    return start;
}

std::vector<SectorUse> CompoundLayout::sectorUses() const
{
    size_t count = fat_.size();
    while (count > 0 && fat_[count - 1] == FreeSector)
        --count;
    std::vector<SectorUse> uses(count);
    auto mark = [&](uint32_t start, SectorUse::Kind kind, uint32_t entry) {
        uint32_t index = 0;
        for (uint32_t sector : chain(start))
            uses[sector] = SectorUse{kind, entry, index++};
    };
    for (uint32_t k = 0; k < fatSectors_.size(); ++k)
        uses[fatSectors_[k]] = SectorUse{SectorUse::Fat, 0, k};
    for (uint32_t k = 0; k < difatSectors_.size(); ++k)
        uses[difatSectors_[k]] = SectorUse{SectorUse::Difat, 0, k};
    mark(firstDirectorySector_, SectorUse::Directory, 0);
    mark(firstMiniFatSector_, SectorUse::MiniFat, 0);
    mark(entries_[0].start, SectorUse::MiniStream, 0);
    for (uint32_t e = 1; e < entries_.size(); ++e) {
        if (entries_[e].type == StreamEntry && entries_[e].size >= MiniStreamCutoff)
            mark(entries_[e].start, SectorUse::Stream, e);
    }
    return uses;
}

void CompoundLayout::encodeHeader(uint8_t* out) const
{
    using namespace HeaderField;
    std::memset(out, 0, HeaderSize);
    std::memcpy(out, Signature, sizeof Signature);
    ByteIo::putU16(out + MinorVersion, 0x003B);
    ByteIo::putU16(out + MajorVersion, 3);
    ByteIo::putU16(out + ByteOrder, 0xFFFE);
    ByteIo::putU16(out + SectorShift, 9);
    ByteIo::putU16(out + MiniSectorShift, 6);
    ByteIo::putU32(out + FatSectorCount, static_cast<uint32_t>(fatSectors_.size()));
    ByteIo::putU32(out + FirstDirectorySector, firstDirectorySector_);
    ByteIo::putU32(out + HeaderField::MiniStreamCutoff, Cfb::MiniStreamCutoff);
    ByteIo::putU32(out + FirstMiniFatSector, firstMiniFatSector_);
    ByteIo::putU32(out + MiniFatSectorCount, miniFatSectorCount_);
    ByteIo::putU32(out + FirstDifatSector, difatSectors_.empty() ? EndOfChain : difatSectors_[0]);
    ByteIo::putU32(out + DifatSectorCount, static_cast<uint32_t>(difatSectors_.size()));
    for (uint32_t slot = 0; slot < HeaderDifatSlots; ++slot)
        ByteIo::putU32(out + Difat + 4 * slot, slot < fatSectors_.size() ? fatSectors_[slot] : FreeSector);
}

void CompoundLayout::encodeFatSector(uint32_t index, uint8_t* out) const
{
    encodeTable(fat_, index, out);
}

void CompoundLayout::encodeMiniFatSector(uint32_t index, uint8_t* out) const
{
    encodeTable(miniFat_, index, out);
}

void CompoundLayout::encodeDifatSector(uint32_t index, uint8_t* out) const
{
    for (uint32_t i = 0; i < SlotsPerDifatSector; ++i) {
        const size_t slot = HeaderDifatSlots + size_t(index) * SlotsPerDifatSector + i;
        ByteIo::putU32(out + 4 * i, slot < fatSectors_.size() ? fatSectors_[slot] : FreeSector);
    }
    const uint32_t next = index + 1 < difatSectors_.size() ? difatSectors_[index + 1] : EndOfChain;
    ByteIo::putU32(out + 4 * SlotsPerDifatSector, next);
}

std::vector<uint8_t> CompoundLayout::encodeDirectory() const
{
    const std::vector<TreeLinks> links = treeLinks();
    std::vector<uint8_t> out(sectorsFor(entries_.size(), EntriesPerDirectorySector) * SectorSize, 0);
    for (size_t i = 0; i < entries_.size(); ++i) {
        using namespace EntryField;
        const CompoundEntry& entry = entries_[i];
        uint8_t* at = out.data() + i * DirectoryEntrySize;
        for (size_t c = 0; c < entry.name.size(); ++c)
            ByteIo::putU16(at + Name + 2 * c, entry.name[c]);
        ByteIo::putU16(at + NameLength, static_cast<uint16_t>((entry.name.size() + 1) * 2));
        at[Type] = entry.type;
        at[Colour] = Black;
        ByteIo::putU32(at + LeftSibling, links[i].left);
        ByteIo::putU32(at + RightSibling, links[i].right);
        ByteIo::putU32(at + Child, links[i].child);
        ByteIo::putU32(at + StartSector, entry.start);
        ByteIo::putU32(at + Size, entry.size);
    }
    return out;
}

// Each storage's children form a binary search tree in sibling order: the middle child at the
// top, the ones before it down its left spine, the ones after it down its right spine.
std::vector<CompoundLayout::TreeLinks> CompoundLayout::treeLinks() const
{
    std::vector<std::vector<uint32_t>> children(entries_.size());
    for (uint32_t i = 1; i < entries_.size(); ++i)
        children[entries_[i].parent].push_back(i);
    std::vector<TreeLinks> links(entries_.size());
    for (size_t storage = 0; storage < entries_.size(); ++storage) {
        std::vector<uint32_t>& c = children[storage];
        if (c.empty())
            continue;
        std::stable_sort(c.begin(), c.end(), [&](uint32_t a, uint32_t b) {
            return compareNames(entries_[a].name, entries_[b].name) < 0;
        });
        const size_t m = c.size() / 2;
        links[storage].child = c[m];
        for (size_t i = 1; i <= m; ++i)
            links[c[i]].left = c[i - 1];
        for (size_t i = m; i + 1 < c.size(); ++i)
            links[c[i]].right = c[i + 1];
    }
    return links;
}

} // namespace xls
