#include "spreadsheet/workbook.h"

#include "spreadsheet/byteio.h"

using namespace ByteIo;

void Workbook::Window1::storeFields(uint8_t* body)
{
    putU16(body, horizontalPosition);
    putU16(body + 2, verticalPosition);
    putU16(body + 4, width);
    putU16(body + 6, height);
    putU16(body + 8, options);
    putU16(body + 10, activeSheet);
    putU16(body + 12, firstVisibleTab);
    putU16(body + 14, selectedSheetCount);
    putU16(body + 16, tabBarWidth);
}

uint32_t Workbook::Font::dataSize()
{
    dataSize_ = 14 + name.size();
    return dataSize_;
}

uint32_t Workbook::Font::recordSize()
{
    recordSize_ = Biff::recordSizeForBody(dataSize());
    return recordSize_;
}

void Workbook::Font::storeFields(uint8_t* body)
{
    putU16(body, height);
    putU16(body + 2, options);
    putU16(body + 4, colourIndex);
    putU16(body + 6, weight);
    putU16(body + 8, escapement);
    putU8(body + 10, underline);
    putU8(body + 11, family);
    putU8(body + 12, characterSet);
    putU8(body + 13, 0);
    name.write(body + 14);
}

uint32_t Workbook::Format::dataSize()
{
    dataSize_ = 2 + text.size();
    return dataSize_;
}

uint32_t Workbook::Format::recordSize()
{
    recordSize_ = Biff::recordSizeForBody(dataSize());
    return recordSize_;
}

void Workbook::Format::storeFields(uint8_t* body)
{
    putU16(body, index);
    text.write(body + 2);
}

void Workbook::XF::storeFields(uint8_t* body)
{
    putU16(body, fontIndex);
    putU16(body + 2, formatIndex);
    putU16(body + 4, protectionAndType);
    putU8(body + 6, alignment);
    putU8(body + 7, rotation);
    putU8(body + 8, textProperties);
    putU8(body + 9, usedAttributes);
    putU32(body + 10, borderLines);
    putU32(body + 14, colours);
    putU16(body + 18, backgroundColours);
}

uint32_t Workbook::Style::dataSize()
{
    dataSize_ = isBuiltIn() ? 4 : 2 + name.size();
    return dataSize_;
}

uint32_t Workbook::Style::recordSize()
{
    recordSize_ = Biff::recordSizeForBody(dataSize());
    return recordSize_;
}

void Workbook::Style::storeFields(uint8_t* body)
{
    putU16(body, xfIndex);
    if (isBuiltIn()) {
        putU8(body + 2, builtInIdentifier);
        putU8(body + 3, level);
    } else {
        name.write(body + 2);
    }
}

uint32_t Workbook::BoundSheet::dataSize()
{
    dataSize_ = 6 + name.size();
    return dataSize_;
}

uint32_t Workbook::BoundSheet::recordSize()
{
    recordSize_ = Biff::recordSizeForBody(dataSize());
    return recordSize_;
}

void Workbook::BoundSheet::storeFields(uint8_t* body)
{
    putU32(body, position);
    putU8(body + 4, visibility);
    putU8(body + 5, sheetType);
    name.write(body + 6);
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
