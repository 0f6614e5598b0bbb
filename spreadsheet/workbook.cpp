#include "spreadsheet/workbook.h"

namespace xls {

void Workbook::Window1::writeFields(FieldWriter& fields) const
{
    fields.putU16(horizontalPosition);
    fields.putU16(verticalPosition);
    fields.putU16(width);
    fields.putU16(height);
    fields.putU16(options);
    fields.putU16(activeSheet);
    fields.putU16(firstVisibleTab);
    fields.putU16(selectedSheetCount);
    fields.putU16(tabBarWidth);
}

void Workbook::Font::writeFields(FieldWriter& fields) const
{
    fields.putU16(height);
    fields.putU16(options);
    fields.putU16(colourIndex);
    fields.putU16(weight);
    fields.putU16(escapement);
    fields.putU8(underline);
    fields.putU8(family);
    fields.putU8(characterSet);
    fields.putU8(0);
    fields.putString(name);
}

void Workbook::Format::writeFields(FieldWriter& fields) const
{
    fields.putU16(index);
    fields.putString(text);
}

void Workbook::XF::writeFields(FieldWriter& fields) const
{
    fields.putU16(fontIndex);
    fields.putU16(formatIndex);
    fields.putU16(protectionAndType);
    fields.putU8(alignment);
    fields.putU8(rotation);
    fields.putU8(textProperties);
    fields.putU8(usedAttributes);
    fields.putU32(borderLines);
    fields.putU32(colours);
    fields.putU16(backgroundColours);
}

void Workbook::Style::writeFields(FieldWriter& fields) const
{
    fields.putU16(xfIndex);
    if (isBuiltIn()) {
        fields.putU8(builtInIdentifier);
        fields.putU8(level);
    } else {
        fields.putString(name);
    }
}

void Workbook::BoundSheet::writeFields(FieldWriter& fields) const
{
    fields.putU32(position);
    fields.putU8(visibility);
    fields.putU8(sheetType);
    fields.putString(name);
}

void Workbook::resetToDefaults()
{
    bof = BOF(BOF::WorkbookGlobals);
    window1 = Window1();
    fonts.assign(1, Font());
    xfs.assign(21, XF());
    styles.assign(6, Style());
    formats.clear();
    sheets.clear();
    sharedStrings.clear();
}

uint32_t Workbook::headSize()
{
    uint32_t size = bof.recordSize() + window1.recordSize();
    for (Font& font : fonts)
        size += font.recordSize();
    for (Format& format : formats)
        if (format.index >= firstUserFormat)
            size += format.recordSize();
    for (XF& xf : xfs)
        size += xf.recordSize();
    for (Style& style : styles)
        size += style.recordSize();
    for (BoundSheet& sheet : sheets)
        size += sheet.recordSize();
    return size;
}

uint32_t Workbook::recordSize()
{
    return headSize() + sharedStrings.recordSize() + eof.recordSize();
}

size_t Workbook::writeHead(uint8_t* out)
{
    uint8_t* at = out;
    at += bof.write(at);
    at += window1.write(at);
    for (Font& font : fonts)
        at += font.write(at);
    for (Format& format : formats)
        if (format.index >= firstUserFormat)
            at += format.write(at);
    for (XF& xf : xfs)
        at += xf.write(at);
    for (Style& style : styles)
        at += style.write(at);
    for (BoundSheet& sheet : sheets)
        at += sheet.write(at);
    return static_cast<size_t>(at - out);
}

size_t Workbook::write(uint8_t* out)
{
    BufferOutput buffer(out);
    return write(buffer);
}

size_t Workbook::write(StreamOutput& out)
{
    const size_t head = writeHead(out.room(headSize()));
    out.commit(head);
    const size_t strings = sharedStrings.write(out);
    const size_t end = eof.write(out.room(eof.recordSize()));
    out.commit(end);
    return head + strings + end;
}

} // namespace xls
