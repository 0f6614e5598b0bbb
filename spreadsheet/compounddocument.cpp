#include "spreadsheet/compounddocument.h"

#include "spreadsheet/compoundlayout.h"
#include "spreadsheet/imagewriter.h"
#include "spreadsheet/savetarget.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <vector>

namespace xls {

using namespace Cfb;

namespace {

struct StreamPath {
    std::vector<std::u16string> storages;
    std::u16string name;
};

// "Reports\\2024" → storage "Reports", name "2024". A leading backslash names the root, where
// every path starts anyway; empty storage names are skipped.
int parsePath(const std::u16string& path, StreamPath& parsed)
{
    size_t begin = 0;
    for (size_t end; (end = path.find(u'\\', begin)) != std::u16string::npos; begin = end + 1) {
        if (end > begin)
            parsed.storages.push_back(path.substr(begin, end - begin));
    }
    parsed.name = path.substr(begin);
    if (parsed.name.empty())
        return CompoundDocument::NoName;
    for (const std::u16string& storage : parsed.storages) {
        if (storage.size() > MaxNameLength)
            return CompoundDocument::NameTooLong;
    }
    return parsed.name.size() > MaxNameLength ? CompoundDocument::NameTooLong : CompoundDocument::Success;
}

std::optional<std::u16string> widen(const std::string& narrow)
{
    std::vector<wchar_t> wide(narrow.size() + 1);
    const size_t count = std::mbstowcs(wide.data(), narrow.c_str(), wide.size());
    if (count == static_cast<size_t>(-1))
        return std::nullopt;
    std::u16string utf16;
    for (size_t i = 0; i < count; ++i) {
        const auto c = static_cast<uint32_t>(wide[i]);
        if (sizeof(wchar_t) == 2 || c < 0x10000) {
            utf16.push_back(static_cast<char16_t>(c));
        } else if (c <= 0x10FFFF) {
            utf16.push_back(static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10)));
            utf16.push_back(static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF)));
        } else {
            return std::nullopt;
        }
    }
    return utf16;
}

std::optional<uint32_t> findStream(const CompoundLayout& layout, const std::u16string& path)
{
    StreamPath parsed;
    if (parsePath(path, parsed) != CompoundDocument::Success)
        return std::nullopt;
    uint32_t storage = 0;
    for (const std::u16string& name : parsed.storages) {
        const std::optional<uint32_t> child = layout.findChild(storage, name);
        if (!child || layout.entries()[*child].type != StorageEntry)
            return std::nullopt;
        storage = *child;
    }
    const std::optional<uint32_t> stream = layout.findChild(storage, parsed.name);
    if (!stream || layout.entries()[*stream].type != StreamEntry)
        return std::nullopt;
    return stream;
}

void appendPadded(ImageWriter& out, const uint8_t* bytes, uint64_t total, uint64_t offset, uint64_t span)
{
    const uint64_t present = offset < total ? std::min(span, total - offset) : 0;
    out.append(bytes + offset, present);
    out.appendZeros(span - present);
}

// Writes one sector that is not part of the stream being written. Other streams did not
// change since the last save and are copied from it, at the same sector numbers.
bool writeOtherSector(const CompoundLayout& layout, size_t sector, const SectorUse& use,
                      const std::vector<uint8_t>& directory, const SaveTarget& lastSaved, ImageWriter& out)
{
    const uint64_t offset = uint64_t(use.index) * SectorSize;
    switch (use.kind) {
    case SectorUse::Free:
        out.appendZeros(SectorSize);
        break;
    case SectorUse::Fat:
        layout.encodeFatSector(use.index, out.reserve(SectorSize));
        break;
    case SectorUse::Difat:
        layout.encodeDifatSector(use.index, out.reserve(SectorSize));
        break;
    case SectorUse::MiniFat:
        layout.encodeMiniFatSector(use.index, out.reserve(SectorSize));
        break;
    case SectorUse::Directory:
        std::memcpy(out.reserve(SectorSize), directory.data() + offset, SectorSize);
        break;
    case SectorUse::MiniStream:
        appendPadded(out, layout.miniStream().data(), layout.miniStream().size(), offset, SectorSize);
        break;
    case SectorUse::Stream:
        return lastSaved.readSaved(HeaderSize + uint64_t(sector) * SectorSize, out.reserve(SectorSize),
                                   SectorSize);
    }
    return true;
}

// Sectors from `sector` on that hold consecutive pieces of the stream `entry`.
size_t runLength(const std::vector<SectorUse>& uses, size_t sector, uint32_t entry)
{
    size_t run = 1;
    while (sector + run < uses.size() && uses[sector + run].kind == SectorUse::Stream &&
           uses[sector + run].entry == entry && uses[sector + run].index == uses[sector].index + run)
        ++run;
    return run;
}

// The whole file, sector by sector, the stream just written coming from `data`.
bool writeImage(const CompoundLayout& layout, uint32_t writtenEntry, const uint8_t* data,
                const SaveTarget& lastSaved, ImageWriter& out)
{
    layout.encodeHeader(out.reserve(HeaderSize));
    const std::vector<SectorUse> uses = layout.sectorUses();
    const std::vector<uint8_t> directory = layout.encodeDirectory();
    for (size_t sector = 0; sector < uses.size();) {
        const SectorUse& use = uses[sector];
        if (use.kind == SectorUse::Stream && use.entry == writtenEntry) {
            // Consecutive sectors holding consecutive pieces go out as one piece.
            const size_t run = runLength(uses, sector, writtenEntry);
            appendPadded(out, data, layout.entries()[use.entry].size, uint64_t(use.index) * SectorSize,
                         run * SectorSize);
            sector += run;
        } else if (!writeOtherSector(layout, sector, use, directory, lastSaved, out)) {
            return false;
        } else {
            ++sector;
        }
    }
    return true;
}

// Whether the stream's sectors come in the file in the order of its bytes, as they do in a
// document written once: the file can then be written as the bytes arrive.
bool inFileOrder(const std::vector<SectorUse>& uses, uint32_t entry)
{
    uint32_t next = 0;
    for (const SectorUse& use : uses) {
        if (use.kind == SectorUse::Stream && use.entry == entry) {
            if (use.index != next)
                return false;
            ++next;
        }
    }
    return true;
}

// The whole file written around a stream whose bytes arrive in order: the sectors in front of
// each run of the stream's sectors go out when the bytes reach that run.
class StreamedImage {
public:
    StreamedImage(const CompoundLayout& layout, uint32_t entry, const SaveTarget& lastSaved, ImageWriter& out)
        : layout_(layout), entry_(entry), lastSaved_(lastSaved), out_(out), uses_(layout.sectorUses()),
          directory_(layout.encodeDirectory()), total_(layout.entries()[entry].size)
    {
        layout_.encodeHeader(out_.reserve(HeaderSize));
    }

    bool take(const uint8_t* data, size_t length)
    {
        while (length > 0 && !failed_) {
            if (roomInRun_ == 0 && !startRun())
                return fail();
            const size_t piece = static_cast<size_t>(std::min<uint64_t>(length, roomInRun_));
            if (received_ + piece > total_)
                return fail();
            out_.append(data, piece);
            data += piece;
            length -= piece;
            roomInRun_ -= piece;
            received_ += piece;
        }
        // The caller reuses its memory once this returns.
        out_.sync();
        return !failed_;
    }

    // Pads the last sector and writes the sectors after the stream.
    bool finish()
    {
        if (failed_ || received_ != total_)
            return false;
        out_.appendZeros(static_cast<size_t>(roomInRun_));
        return writeOthers() && next_ == uses_.size();
    }

private:
    bool fail()
    {
        failed_ = true;
        return false;
    }

    // Writes the sectors up to the stream's next run and makes room for that run.
    bool startRun()
    {
        if (!writeOthers() || next_ == uses_.size())
            return false;
        const size_t run = runLength(uses_, next_, entry_);
        next_ += run;
        roomInRun_ = uint64_t(run) * SectorSize;
        return true;
    }

    bool writeOthers()
    {
        for (; next_ < uses_.size(); ++next_) {
            const SectorUse& use = uses_[next_];
            if (use.kind == SectorUse::Stream && use.entry == entry_)
                return true;
            if (!writeOtherSector(layout_, next_, use, directory_, lastSaved_, out_))
                return false;
        }
        return true;
    }

    const CompoundLayout& layout_;
    const uint32_t entry_;
    const SaveTarget& lastSaved_;
    ImageWriter& out_;
    const std::vector<SectorUse> uses_;
    const std::vector<uint8_t> directory_;
    const uint64_t total_;
    size_t next_ = 0;        // the next sector to write
    uint64_t roomInRun_ = 0; // stream bytes the current run still takes
    uint64_t received_ = 0;
    bool failed_ = false;
};

} // namespace

CompoundDocument::CompoundDocument() : target_(std::make_unique<SaveTarget>()) {}

CompoundDocument::~CompoundDocument() = default;

bool CompoundDocument::createDocument(const std::string& path)
{
    closeDocument();
    if (!target_->open(path))
        return false;
    layout_ = std::make_unique<CompoundLayout>();
    return true;
}

void CompoundDocument::createDocumentInMemory()
{
    closeDocument();
    target_->openInMemory();
    layout_ = std::make_unique<CompoundLayout>();
}

const std::vector<uint8_t>& CompoundDocument::memoryImage() const
{
    return target_->memoryImage();
}

int CompoundDocument::createStream(const std::u16string& path)
{
    if (!layout_)
        return WriteFailed;
    StreamPath parsed;
    if (const int result = parsePath(path, parsed); result != Success)
        return result;
    auto next = std::make_unique<CompoundLayout>(*layout_);
    uint32_t storage = 0;
    for (const std::u16string& name : parsed.storages) {
        if (const std::optional<uint32_t> child = next->findChild(storage, name)) {
            if (next->entries()[*child].type != StorageEntry)
                return NameExists;
            storage = *child;
        } else {
            storage = next->addEntry(storage, name, StorageEntry);
        }
    }
    if (next->findChild(storage, parsed.name))
        return NameExists;
    next->addEntry(storage, parsed.name, StreamEntry);
    if (!written_) {
        layout_ = std::move(next);
        return Success;
    }
    return commit(std::move(next), NoEntry, nullptr);
}

int CompoundDocument::createStream(const std::string& narrowPath)
{
    const std::optional<std::u16string> path = widen(narrowPath);
    return path ? createStream(*path) : NoName;
}

int CompoundDocument::writeStream(const std::u16string& path, const uint8_t* data, size_t length)
{
    if (!layout_ || length > MaxStreamSize || (length > 0 && !data))
        return WriteFailed;
    const std::optional<uint32_t> entry = findStream(*layout_, path);
    if (!entry)
        return NoSuchStream;
    auto next = std::make_unique<CompoundLayout>(*layout_);
    next->placeStream(*entry, data, static_cast<uint32_t>(length));
    return commit(std::move(next), *entry, data);
}

int CompoundDocument::writeStream(const std::u16string& path, size_t length, const StreamProducer& produce)
{
    if (!layout_ || length > MaxStreamSize)
        return WriteFailed;
    const std::optional<uint32_t> entry = findStream(*layout_, path);
    if (!entry)
        return NoSuchStream;
    auto next = std::make_unique<CompoundLayout>(*layout_);
    if (length >= MiniStreamCutoff) {
        next->placeStream(*entry, nullptr, static_cast<uint32_t>(length)); // regular sectors: no data kept
        if (inFileOrder(next->sectorUses(), *entry))
            return commitStreamed(std::move(next), *entry, produce);
    }
    std::vector<uint8_t> gathered;
    gathered.reserve(length);
    const bool produced = produce([&](const uint8_t* data, size_t size) {
        if (size > length - gathered.size())
            return false;
        gathered.insert(gathered.end(), data, data + size);
        return true;
    });
    if (!produced || gathered.size() != length)
        return WriteFailed;
    return writeStream(path, gathered.data(), length);
}

int CompoundDocument::writeStream(const std::string& narrowPath, const uint8_t* data, size_t length)
{
    const std::optional<std::u16string> path = widen(narrowPath);
    return path ? writeStream(*path, data, length) : NoSuchStream;
}

int CompoundDocument::error() const
{
    return target_->error();
}

void CompoundDocument::closeDocument()
{
    layout_.reset();
    target_->close();
    written_ = false;
}

int CompoundDocument::commit(std::unique_ptr<CompoundLayout> next, uint32_t writtenEntry, const uint8_t* data)
{
    const bool saved =
        target_->save([&](ImageWriter& out) { return writeImage(*next, writtenEntry, data, *target_, out); });
    if (!saved)
        return WriteFailed;
    layout_ = std::move(next);
    written_ = true;
    return Success;
}

int CompoundDocument::commitStreamed(std::unique_ptr<CompoundLayout> next, uint32_t writtenEntry,
                                     const StreamProducer& produce)
{
    const bool saved = target_->save([&](ImageWriter& out) {
        StreamedImage image(*next, writtenEntry, *target_, out);
        return produce([&](const uint8_t* data, size_t length) { return image.take(data, length); }) &&
               image.finish();
    });
    if (!saved)
        return WriteFailed;
    layout_ = std::move(next);
    written_ = true;
    return Success;
}

} // namespace xls
