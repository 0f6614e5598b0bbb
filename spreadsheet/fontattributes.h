#pragma once

// What a FONT record stores about a font apart from its name, in one place for the workbook's
// font records and the font requests the format manager matches against them.

#include <cstdint>

namespace xls {

struct FontAttributes {
    uint16_t height = 200; // twentieths of a point
    uint16_t options = 0;
    uint16_t colourIndex = 0x7FFF; // automatic
    uint16_t weight = 400;
    uint16_t escapement = 0;
    uint8_t underline = 0;
    uint8_t family = 0;
    uint8_t characterSet = 0;

    bool operator==(const FontAttributes&) const = default;
};

} // namespace xls
