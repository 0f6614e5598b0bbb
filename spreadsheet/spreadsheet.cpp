#include "spreadsheet/spreadsheet.h"

#include "spreadsheet/celltext.h"
#include "spreadsheet/compounddocument.h"
#include "spreadsheet/textconversion.h"
#include "spreadsheet/workbook.h"
#include "spreadsheet/workbookstream.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string_view>

namespace xls {

// ---- SpreadsheetFile

SpreadsheetFile::SpreadsheetFile() : workbook_(std::make_unique<Workbook>())
{
    // A document built with addSheet() alone still gets the font and XFs its cells refer to.
    workbook_->resetToDefaults();
}

SpreadsheetFile::~SpreadsheetFile() = default;

void SpreadsheetFile::createSheets(int sheetCount)
{
    sheets_.clear();
    workbook_->resetToDefaults();
    workbook_->sheets.emplace_back();
    sheets_.emplace_back(new SpreadsheetSheet());
    for (int i = 1; i < sheetCount; ++i)
        addSheet(-1);
}

SpreadsheetSheet* SpreadsheetFile::addSheet(const char* name, int index)
{
    const int count = sheetCount();
    if (!name || index < -1 || index > count)
        return nullptr;
    const std::string_view wanted(name);
    // A sheet entry counts its name in one byte.
    if (wanted.size() > 255)
        return nullptr;
    for (const Workbook::BoundSheet& sheet : workbook_->sheets)
        if (!sheet.name.isWide() && sheet.name.narrow() == wanted)
            return nullptr;
    const size_t at = index == -1 ? static_cast<size_t>(count) : static_cast<size_t>(index);
    Workbook::BoundSheet entry;
    entry.name = ShortString(std::string(wanted));
    workbook_->sheets.insert(workbook_->sheets.begin() + at, std::move(entry));
    sheets_.insert(sheets_.begin() + at, std::unique_ptr<SpreadsheetSheet>(new SpreadsheetSheet()));
    return sheets_[at].get();
}

SpreadsheetSheet* SpreadsheetFile::addSheet(int index)
{
    if (index < -1 || index > sheetCount())
        return nullptr;
    for (int number = sheetCount() + 1;; ++number) {
        const std::string name = "Sheet" + std::to_string(number);
        if (SpreadsheetSheet* sheet = addSheet(name.c_str(), index))
            return sheet;
    }
}

SpreadsheetSheet* SpreadsheetFile::sheetAt(int index)
{
    if (index < 0 || index >= sheetCount())
        return nullptr;
    return sheets_[static_cast<size_t>(index)].get();
}

SpreadsheetSheet* SpreadsheetFile::sheetNamed(const char* name)
{
    if (!name)
        return nullptr;
    const std::string_view wanted(name);
    for (size_t i = 0; i < sheets_.size(); ++i) {
        const ShortString& entry = workbook_->sheets[i].name;
        if (!entry.isWide() && entry.narrow() == wanted)
            return sheets_[i].get();
    }
    return nullptr;
}

SpreadsheetSheet* SpreadsheetFile::sheetNamed(const char16_t* name)
{
    if (!name)
        return nullptr;
    // Names are compared as the file shows them: an 8-bit name's bytes are its characters.
    const std::u16string_view wanted(name);
    for (size_t i = 0; i < sheets_.size(); ++i)
        if (workbook_->sheets[i].name.toWide() == wanted)
            return sheets_[i].get();
    return nullptr;
}

int SpreadsheetFile::sheetCount() const
{
    return static_cast<int>(sheets_.size());
}

bool SpreadsheetFile::saveAs(const char* path)
{
    saveError_ = 0;
    if (!path)
        return false;
    CompoundDocument document;
    if (!document.createDocument(path)) {
        saveError_ = document.error();
        return false;
    }
    const bool saved = writeWorkbook(document, true);
    saveError_ = saved ? 0 : document.error();
    return saved;
}

bool SpreadsheetFile::saveToMemory(std::vector<uint8_t>& image)
{
    CompoundDocument document;
    document.createDocumentInMemory();
    if (!writeWorkbook(document, false))
        return false;
    image = document.memoryImage();
    return true;
}

bool SpreadsheetFile::writeWorkbook(CompoundDocument& document, bool streamed)
{
    static const std::u16string streamName = u"Workbook";
    if (!streamed) {
        StreamBuffer stream;
        if (!buildWorkbookStream(*workbook_, sheetList(), stream) ||
            document.createStream(streamName) != CompoundDocument::Success)
            return false;
        return document.writeStream(streamName, stream.data(), stream.size()) == CompoundDocument::Success;
    }
    WorkbookStream stream(*workbook_, sheetList());
    if (!stream.layOut() || document.createStream(streamName) != CompoundDocument::Success)
        return false;
    const auto produce = [&](const StreamPieceSink& sink) {
        PiecewiseOutput out(sink);
        return stream.write(out) && out.finish();
    };
    return document.writeStream(streamName, static_cast<size_t>(stream.size()), produce) ==
           CompoundDocument::Success;
}

bool SpreadsheetFile::saveAs(const char16_t* path)
{
    if (!path)
        return false;
    std::string bytes;
    if (!utf16ToUtf8(path, bytes))
        return false;
    return saveAs(bytes.c_str());
}

std::vector<const SpreadsheetSheet*> SpreadsheetFile::sheetList() const
{
    std::vector<const SpreadsheetSheet*> sheets;
    for (const std::unique_ptr<SpreadsheetSheet>& sheet : sheets_)
        sheets.push_back(sheet.get());
    return sheets;
}

Workbook& SpreadsheetFile::workbook()
{
    return *workbook_;
}

} // namespace xls
