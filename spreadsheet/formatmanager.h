#pragma once

// Finds or adds fonts, number formats and cell formats (XFs) in a document's workbook
// globals and returns the index cells refer to.

#include "spreadsheet/fontattributes.h"

#include <cstdint>
#include <map>
#include <string>

namespace xls {

class SpreadsheetFile;
class Workbook;

// A font asked for by its name and attributes.
struct FontSpec : FontAttributes {
    std::u16string name;
};

struct CellStyle {
    uint16_t fontIndex = 0;
    uint16_t formatIndex = 0;
    uint8_t alignment = 0x20;
    uint8_t rotation = 0;
    uint8_t textProperties = 0;
    uint32_t borderLines = 0;
    uint32_t colours = 0;
    uint16_t backgroundColours = 0x20C0;
    // Which groups of attributes a cell format sets itself instead of taking them from its
    // style: 0x04 the number format, 0x08 the font … (byte 9 of the XF record).
    uint8_t usedAttributes = 0;
};

// Font indices skip 4, as the file format prescribes: the fifth font has index 5.
// Number formats 0 … 49 are built in ("General", "0", "0.00" …) and never written; new
// format texts get 164, 165 … and a FORMAT record each.
class FormatManager {
public:
    explicit FormatManager(SpreadsheetFile& document);

    std::u16string formatText(uint16_t index) const; // "General" for an unknown index
    uint16_t findOrAddFormat(const std::u16string& text);
    uint16_t findOrAddFont(const FontSpec& font);
    uint16_t findOrAddXf(const CellStyle& style);
    // The font of a font index; an index past the last font gives the first font.
    FontSpec fontAt(uint16_t index) const;

private:
    Workbook& workbook_;
    uint16_t nextFormatIndex_ = 164;
    std::map<uint16_t, std::u16string> textByIndex_;
    std::map<std::u16string, uint16_t> indexByText_;
};

} // namespace xls
