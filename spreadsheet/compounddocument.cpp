#include "compounddocument.h"

#include "compoundlayout.h"
#include "imagewriter.h"
#include "savetarget.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <vector>

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

// The whole file, sector by sector. The stream just written comes from `data`; other streams
// did not change since the last save and are copied from it, at the same sector numbers.
bool writeImage(const CompoundLayout& layout, uint32_t writtenEntry, const uint8_t* data,
                const SaveTarget& lastSaved, ImageWriter& out)
{
    layout.encodeHeader(out.reserve(HeaderSize));
    const std::vector<SectorUse> uses = layout.sectorUses();
    const std::vector<uint8_t> directory = layout.encodeDirectory();
    const std::vector<uint8_t>& miniStream = layout.miniStream();
    for (size_t sector = 0; sector < uses.size();) {
        const SectorUse& use = uses[sector];
        const uint64_t offset = uint64_t(use.index) * SectorSize;
        size_t run = 1;
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
            appendPadded(out, miniStream.data(), miniStream.size(), offset, SectorSize);
            break;
        case SectorUse::Stream:
            if (use.entry == writtenEntry) {
                // Consecutive sectors holding consecutive pieces go out as one piece.
                while (sector + run < uses.size() && uses[sector + run].kind == SectorUse::Stream &&
                       uses[sector + run].entry == use.entry && uses[sector + run].index == use.index + run)
                    ++run;
                appendPadded(out, data, layout.entries()[use.entry].size, offset, run * SectorSize);
            } else if (!lastSaved.readSaved(HeaderSize + uint64_t(sector) * SectorSize,
                                            out.reserve(SectorSize), SectorSize)) {
                return false;
            }
            break;
        }
        sector += run;
    }
    return true;
}

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

int CompoundDocument::writeStream(const std::string& narrowPath, const uint8_t* data, size_t length)
{
    const std::optional<std::u16string> path = widen(narrowPath);
    return path ? writeStream(*path, data, length) : NoSuchStream;
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
