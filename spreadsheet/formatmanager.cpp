#include "spreadsheet/formatmanager.h"

#include "spreadsheet/spreadsheet.h"
#include "spreadsheet/workbook.h"

#include <algorithm>

namespace xls {

namespace {
struct BuiltInFormat {
    uint16_t index;
    const char16_t* text;
};

constexpr BuiltInFormat builtInFormats[] = {
    {0, u"General"},
    {1, u"0"},
    {2, u"0.00"},
    {3, u"#,##0"},
    {4, u"#,##0.00"},
    {5, u"\"$\"#,##0_);(\"$\"#,##0)"},
    {6, u"\"$\"#,##0_);[Red](\"$\"#,##0)"},
    {7, u"\"$\"#,##0.00_);(\"$\"#,##0.00)"},
    {8, u"\"$\"#,##0.00_);[Red](\"$\"#,##0.00)"},
    {9, u"0%"},
    {10, u"0.00%"},
    {11, u"0.00E+00"},
    {12, u"# ?/?"},
    {13, u"# ?\?/?\?"},
    {14, u"M/D/YY"},
    {15, u"D-MMM-YY"},
    {16, u"D-MMM"},
    {17, u"MMM-YY"},
    {18, u"h:mm AM/PM"},
    {19, u"h:mm:ss AM/PM"},
    {20, u"h:mm"},
    {21, u"h:mm:ss"},
    {22, u"M/D/YY h:mm"},
    {37, u"_(#,##0_);(#,##0)"},
    {38, u"_(#,##0_);[Red](#,##0)"},
    {39, u"_(#,##0.00_);(#,##0.00)"},
    {40, u"_(#,##0.00_);[Red](#,##0.00)"},
    {41, u"_(* #,##0_);_(* (#,##0);_(* \"-\"_);_(@_)"},
    {42, u"_($* #,##0_);_($* (#,##0);_($* \"-\"_);_(@_)"},
    {43, u"_(* #,##0.00_);_(* (#,##0.00);_(* \"-\"??_);_(@_)"},
    {44, u"_($* #,##0.00_);_($* (#,##0.00);_($* \"-\"??_);_(@_)"},
    {45, u"mm:ss"},
    {46, u"[h]:mm:ss"},
    {47, u"mm:ss.0"},
    {48, u"##0.0E+0"},
    {49, u"@"},
};
} // namespace

FormatManager::FormatManager(SpreadsheetFile& document) : workbook_(document.workbook())
{
    for (const BuiltInFormat& format : builtInFormats)
        textByIndex_[format.index] = format.text;
    for (const Workbook::Format& format : workbook_.formats) {
        textByIndex_[format.index] = format.text.toWide();
        if (format.index >= nextFormatIndex_)
            nextFormatIndex_ = static_cast<uint16_t>(std::min<int>(format.index + 1, 0xFFFF));
    }
    // Walking the indices upwards keeps the lowest index of a text that occurs twice.
    for (const auto& [index, text] : textByIndex_)
        indexByText_.emplace(text, index);
}

std::u16string FormatManager::formatText(uint16_t index) const
{
    const auto found = textByIndex_.find(index);
    return found != textByIndex_.end() ? found->second : std::u16string(u"General");
}

uint16_t FormatManager::findOrAddFormat(const std::u16string& text)
{
    const auto found = indexByText_.find(text);
    if (found != indexByText_.end())
        return found->second;
    const uint16_t index = nextFormatIndex_;
    if (nextFormatIndex_ < 0xFFFF)
        ++nextFormatIndex_;
    textByIndex_[index] = text;
    indexByText_[text] = index;
    Workbook::Format format;
    format.index = index;
    format.text = LongString(text);
    workbook_.formats.push_back(std::move(format));
    return index;
}

uint16_t FormatManager::findOrAddFont(const FontSpec& font)
{
    const FontAttributes& attributes = font;
    for (size_t position = 0; position < workbook_.fonts.size(); ++position) {
        const Workbook::Font& candidate = workbook_.fonts[position];
        if (candidate.name.toWide() == font.name &&
            static_cast<const FontAttributes&>(candidate) == attributes)
            return Workbook::fontIndexOfPosition(position);
    }
    Workbook::Font added;
    static_cast<FontAttributes&>(added) = attributes;
    added.name = ShortString(font.name);
    workbook_.fonts.push_back(std::move(added));
    return Workbook::fontIndexOfPosition(workbook_.fonts.size() - 1);
}

FontSpec FormatManager::fontAt(uint16_t index) const
{
    FontSpec spec;
    if (workbook_.fonts.empty()) {
        spec.name = u"Arial";
        return spec;
    }
    size_t position = Workbook::fontPositionOfIndex(index);
    if (position >= workbook_.fonts.size())
        position = 0;
    const Workbook::Font& font = workbook_.fonts[position];
    static_cast<FontAttributes&>(spec) = font;
    spec.name = font.name.toWide();
    return spec;
}

uint16_t FormatManager::findOrAddXf(const CellStyle& style)
{
    for (size_t position = 0; position < workbook_.xfs.size(); ++position) {
        const Workbook::XF& xf = workbook_.xfs[position];
        if (xf.fontIndex == style.fontIndex && xf.formatIndex == style.formatIndex &&
            xf.alignment == style.alignment && xf.rotation == style.rotation &&
            xf.textProperties == style.textProperties && xf.borderLines == style.borderLines &&
            xf.colours == style.colours && xf.backgroundColours == style.backgroundColours &&
            xf.usedAttributes == style.usedAttributes)
            return static_cast<uint16_t>(position);
    }
    Workbook::XF added;
    added.fontIndex = style.fontIndex;
    added.formatIndex = style.formatIndex;
    added.protectionAndType = 0x0078;
    added.alignment = style.alignment;
    added.rotation = style.rotation;
    added.textProperties = style.textProperties;
    added.usedAttributes = style.usedAttributes;
    added.borderLines = style.borderLines;
    added.colours = style.colours;
    added.backgroundColours = style.backgroundColours;
    workbook_.xfs.push_back(std::move(added));
    return static_cast<uint16_t>(workbook_.xfs.size() - 1);
}

} // namespace xls
