#pragma once

// The workbook globals: the records in front of the worksheets in the "Workbook" stream, in
// this fixed order: BOF, WINDOW1, the fonts, the user number formats (index 164 and up; the
// built-in ones below are never written), the XFs, the styles, one BOUNDSHEET per sheet, the
// shared string table and EOF.

#include "spreadsheet/fontattributes.h"
#include "spreadsheet/record.h"
#include "spreadsheet/sharedstringtable.h"

#include <string>
#include <vector>

namespace xls {

class Workbook {
public:
    class Window1 : public Record {
    public:
        Window1() : Record(0x003D) {}

        uint16_t horizontalPosition = 120;
        uint16_t verticalPosition = 120;
        uint16_t width = 15135;
        uint16_t height = 9300;
        uint16_t options = 0x0038;
        uint16_t activeSheet = 0;
        uint16_t firstVisibleTab = 0;
        uint16_t selectedSheetCount = 1;
        uint16_t tabBarWidth = 600;

    protected:
        void writeFields(FieldWriter& fields) const override;
    };

    // Defaults: 10-point Arial (UTF-16 name), normal weight, automatic colour.
    class Font : public Record, public FontAttributes {
    public:
        Font() : Record(0x0031) {}

        ShortString name{std::u16string(u"Arial")};

    protected:
        void writeFields(FieldWriter& fields) const override;
    };

    // A number format; indices below 164 are built in and never written.
    class Format : public Record {
    public:
        Format() : Record(0x041E) {}

        uint16_t index = 0;
        LongString text{std::u16string(u"General")};

    protected:
        void writeFields(FieldWriter& fields) const override;
    };

    // A cell format. Defaults: the style XF every new workbook starts with.
    class XF : public Record {
    public:
        XF() : Record(0x00E0) {}

        uint16_t fontIndex = 0;
        uint16_t formatIndex = 0;
        uint16_t protectionAndType = 0xFFF5;
        uint8_t alignment = 0x20;
        uint8_t rotation = 0;
        uint8_t textProperties = 0;
        uint8_t usedAttributes = 0;
        uint32_t borderLines = 0;
        uint32_t colours = 0;
        uint16_t backgroundColours = 0x20C0;

    protected:
        void writeFields(FieldWriter& fields) const override;
    };

    // Bit 15 of the XF index marks a built-in style (identifier and level follow); a user
    // style carries its name instead. Default: the built-in "Normal" style on XF 0.
    class Style : public Record {
    public:
        Style() : Record(0x0293) {}
        bool isBuiltIn() const { return xfIndex & 0x8000; }

        uint16_t xfIndex = 0x8000;
        uint8_t builtInIdentifier = 0;
        uint8_t level = 0xFF;
        LongString name;

    protected:
        void writeFields(FieldWriter& fields) const override;
    };

    // A sheet's entry: the stream position of its BOF, visibility, type and name.
    class BoundSheet : public Record {
    public:
        BoundSheet() : Record(0x0085) {}

        uint32_t position = 0;
        uint8_t visibility = 0;
        uint8_t sheetType = 0;
        ShortString name{std::string("Sheet1")};

    protected:
        void writeFields(FieldWriter& fields) const override;
    };

    // Empty tables: no font, XF, style, format or sheet entry, an empty string table.
    Workbook() = default;

    // The tables every new document starts with: 1 default font, 21 default XFs, 6 default
    // styles, no formats, no sheet entries and an empty string table.
    void resetToDefaults();

    uint32_t recordSize();
    size_t write(uint8_t* out);
    // The same, the records before the string table, the table in pieces, then EOF.
    size_t write(StreamOutput& out);

    // Font index p for the font at position p, skipping index 4 as the format prescribes.
    static uint16_t fontIndexOfPosition(size_t position)
    {
        return static_cast<uint16_t>(position < 4 ? position : position + 1);
    }
    static size_t fontPositionOfIndex(uint16_t index) { return index > 4 ? index - 1 : index; }

    BOF bof{BOF::WorkbookGlobals};
    Window1 window1;
    std::vector<Font> fonts;
    std::vector<XF> xfs;
    std::vector<Style> styles;
    std::vector<Format> formats;
    std::vector<BoundSheet> sheets;
    SharedStringTable sharedStrings;
    EOFRecord eof;

private:
    // The records in front of the shared string table.
    uint32_t headSize();
    size_t writeHead(uint8_t* out);

    // Formats with an index below this are built in and not written.
    static constexpr uint16_t firstUserFormat = 164;
};

} // namespace xls
