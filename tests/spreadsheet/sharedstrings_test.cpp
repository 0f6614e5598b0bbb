// The shared string table: its size, where it is cut into CONTINUE records, and the bytes.
#include "biffbytes.h"
#include "spreadsheet/celltext.h"
#include "spreadsheet/sharedstringtable.h"
#include "spreadsheet/textconversion.h"

#include <gtest/gtest.h>

#include <memory>
#include <random>

using namespace xls;

using namespace BiffTest;

namespace {
using TextPtr = std::unique_ptr<CellText, CellTextDeleter>;

TextPtr narrow(size_t length, char fill = 'a')
{
    const std::string text(length, fill);
    return TextPtr(CellText::create(text.data(), text.size()));
}

TextPtr wide(std::u16string_view text)
{
    return TextPtr(CellText::create(text.data(), text.size()));
}

// The table as a reader sees it: the chunks of the SST and its CONTINUE records, each
// continued string resuming with its flags byte. Checks that no chunk is longer than 8224
// bytes and that no chunk ends between the halves of a surrogate pair.
struct ReadTable {
    uint32_t total = 0;
    std::vector<std::u16string> strings;
    std::vector<size_t> chunkSizes;
};

ReadTable readTable(const Bytes& stream)
{
    ReadTable table;
    const std::vector<RawRecord> records = splitRecords(stream);
    if (records.empty() || records[0].code != 0x00FC) {
        ADD_FAILURE() << "no SST record";
        return table;
    }
    for (size_t i = 0; i < records.size(); ++i) {
        EXPECT_EQ(records[i].code, i == 0 ? 0x00FC : 0x003C);
        EXPECT_LE(records[i].body.size(), 8224u);
        table.chunkSizes.push_back(records[i].body.size());
    }
    size_t chunk = 0;
    size_t at = 0;
    auto left = [&] { return records[chunk].body.size() - at; };
    auto take = [&](size_t count) {
        Bytes bytes;
        while (count > 0) {
            if (left() == 0) {
                ++chunk, at = 0;
                if (chunk == records.size())
                    throw std::runtime_error("table ends early");
            }
            const size_t piece = std::min(count, left());
            bytes.insert(bytes.end(), records[chunk].body.begin() + at,
                         records[chunk].body.begin() + at + piece);
            at += piece, count -= piece;
        }
        return bytes;
    };
    try {
        table.total = u32At(take(4), 0);
        const uint32_t unique = u32At(take(4), 0);
        for (uint32_t s = 0; s < unique; ++s) {
            const Bytes header = take(3);
            size_t characters = u16At(header, 0);
            bool isWide = header[2] & 1;
            std::u16string text;
            while (characters > 0) {
                if (left() == 0) {
                    ++chunk, at = 0;
                    isWide = take(1)[0] & 1;
                    if (!text.empty() && text.back() >= 0xD800 && text.back() <= 0xDBFF)
                        ADD_FAILURE() << "string " << s << " split inside a surrogate pair";
                }
                const size_t count = std::min(characters, isWide ? left() / 2 : left());
                const Bytes bytes = take(isWide ? 2 * count : count);
                for (size_t k = 0; k < count; ++k)
                    text.push_back(isWide ? u16At(bytes, 2 * k) : bytes[k]);
                characters -= count;
            }
            table.strings.push_back(text);
        }
    } catch (const std::exception& error) {
        ADD_FAILURE() << error.what();
    }
    EXPECT_EQ(chunk, records.size() - 1) << "records left over after the last string";
    EXPECT_EQ(at, records.back().body.size()) << "bytes left over after the last string";
    return table;
}

Bytes written(SharedStringTable& table)
{
    Bytes out(table.recordSize());
    EXPECT_EQ(table.write(out.data()), out.size());
    return out;
}

std::u16string widened(const CellText& text)
{
    std::u16string units;
    for (uint32_t i = 0; i < text.length(); ++i)
        units.push_back(text.isWide() ? text.unit(i) : static_cast<unsigned char>(text.narrow()[i]));
    return units;
}
} // namespace

TEST(SharedStrings, EmptyTableIsTwelveBytes)
{
    SharedStringTable table;
    EXPECT_TRUE(sameBytes(written(table), hex("FC 00 08 00 00 00 00 00 00 00 00 00")));
}

TEST(SharedStrings, DuplicatesCountButAreStoredOnce)
{
    SharedStringTable table;
    TextPtr a = narrow(2, 'x'), b = narrow(2, 'x'), c = wide(u"xx"), d = narrow(1, 'y');
    EXPECT_EQ(table.addCell(*a), 0u);
    EXPECT_EQ(table.addCell(*b), 0u);
    // The same characters in a wide text are a separate entry.
    EXPECT_EQ(table.addCell(*c), 1u);
    EXPECT_EQ(table.addCell(*d), 2u);
    EXPECT_EQ(table.addCell(*c), 1u);
    EXPECT_EQ(table.totalCount(), 5u);
    EXPECT_EQ(table.uniqueCount(), 3u);
    EXPECT_TRUE(sameBytes(written(table), hex("FC 00 18 00  05 00 00 00 03 00 00 00"
                                              "02 00 00 78 78  02 00 01 78 00 78 00  01 00 00 79")));
}

TEST(SharedStrings, ExactlyFullRecordNeedsNoContinue)
{
    SharedStringTable table;
    TextPtr first = narrow(4000), second = narrow(8216 - 4003 - 3);
    table.addCell(*first);
    table.addCell(*second);
    EXPECT_EQ(table.dataSize(), 8224u);
    EXPECT_EQ(table.recordSize(), 8228u);
    EXPECT_TRUE(table.continueOffsets().empty());
    EXPECT_EQ(readTable(written(table)).chunkSizes, std::vector<size_t>{8224});
}

// With fewer than 12 bytes left a string starts whole in the next CONTINUE; with 12 it is
// cut at the record end and the CONTINUE repeats its flags byte.
TEST(SharedStrings, ElevenBytesLeftMovesTwelveSplits)
{
    for (const uint32_t left : {11u, 12u}) {
        SCOPED_TRACE(left);
        SharedStringTable table;
        TextPtr filler = narrow(8224 - left - 8 - 3), text = narrow(20, 'z');
        table.addCell(*filler);
        table.addCell(*text);
        const Bytes out = written(table);
        const std::vector<RawRecord> records = splitRecords(out);
        ASSERT_EQ(records.size(), 2u);
        if (left == 11) {
            EXPECT_EQ(table.continueOffsets(), std::vector<uint32_t>{8213});
            EXPECT_EQ(table.dataSize(), 8213u + 23);
            EXPECT_TRUE(sameBytes(records[1].body, concat({hex("14 00 00"), Bytes(20, 'z')})));
        } else {
            EXPECT_EQ(table.continueOffsets(), std::vector<uint32_t>{8224});
            EXPECT_EQ(table.dataSize(), 8212u + 23 + 1);
            EXPECT_TRUE(sameBytes(Bytes(records[0].body.end() - 12, records[0].body.end()),
                                  concat({hex("14 00 00"), Bytes(9, 'z')})));
            EXPECT_TRUE(sameBytes(records[1].body, concat({hex("00"), Bytes(11, 'z')})));
        }
        EXPECT_EQ(out.size(), table.dataSize() + 8);
        EXPECT_EQ(readTable(out).strings.back(), u"zzzzzzzzzzzzzzzzzzzz");
    }
}

// A UTF-16 string is cut between code units: with an even number of bytes left its first
// part ends one byte before the record's end.
TEST(SharedStrings, Utf16SplitKeepsWholeCodeUnits)
{
    const std::u16string text = u"ABCDEFGHIJ";
    for (const uint32_t left : {12u, 13u}) {
        SCOPED_TRACE(left);
        SharedStringTable table;
        TextPtr filler = narrow(8224 - left - 8 - 3), units = wide(text);
        table.addCell(*filler);
        table.addCell(*units);
        const uint32_t boundary = left == 12 ? 8223 : 8224;
        EXPECT_EQ(table.continueOffsets(), std::vector<uint32_t>{boundary});
        const Bytes out = written(table);
        const std::vector<RawRecord> records = splitRecords(out);
        ASSERT_EQ(records.size(), 2u);
        EXPECT_EQ(records[0].body.size(), boundary);
        const size_t firstPart = left == 12 ? 4 : 5; // code units before the cut
        Bytes rest{0x01};
        for (size_t i = firstPart; i < text.size(); ++i)
            rest.insert(rest.end(), {static_cast<uint8_t>(text[i]), 0});
        EXPECT_TRUE(sameBytes(records[1].body, rest));
        EXPECT_EQ(readTable(out).strings.back(), text);
    }
}

// Where a cut would fall between the halves of a surrogate pair, the first part ends one
// code unit earlier; the table's size stays the same.
TEST(SharedStrings, SurrogatePairIsNeverSplit)
{
    const std::u16string text = u"ABCD\U0001F600FGHIJ"; // the emoji takes units 4 and 5
    SharedStringTable table;
    TextPtr filler = narrow(8224 - 13 - 8 - 3), units = wide(text);
    table.addCell(*filler);
    table.addCell(*units);
    EXPECT_EQ(table.continueOffsets(), std::vector<uint32_t>{8222});
    EXPECT_EQ(table.dataSize(), 8211u + 3 + 2 * 11 + 1);
    const ReadTable read = readTable(written(table));
    EXPECT_EQ(read.strings.back(), text);
    EXPECT_EQ(read.chunkSizes, (std::vector<size_t>{8222, 1 + 2 * 7}));
}

TEST(SharedStrings, StringLongerThanOneContinue)
{
    std::u16string text;
    for (int i = 0; i < 10000; ++i)
        text.push_back(static_cast<char16_t>(u'a' + i % 26));
    SharedStringTable table;
    TextPtr units = wide(text), after = narrow(3, 'q');
    table.addCell(*units);
    table.addCell(*after);
    EXPECT_EQ(table.continueOffsets(), (std::vector<uint32_t>{8223, 16446}));
    EXPECT_EQ(table.dataSize(), 8u + 3 + 20000 + 2 + 6);
    const Bytes out = written(table);
    EXPECT_EQ(out.size(), table.dataSize() + 12);
    const ReadTable read = readTable(out);
    EXPECT_EQ(read.chunkSizes, (std::vector<size_t>{8223, 8223, table.dataSize() - 16446}));
    ASSERT_EQ(read.strings.size(), 2u);
    EXPECT_EQ(read.strings[0], text);
    EXPECT_EQ(read.strings[1], u"qqq");
}

// Many tables of random texts (narrow and wide, short and over a record long, with pairs):
// each reads back exactly, its size is the bytes written, and no pair is ever split.
TEST(SharedStrings, RandomTablesReadBack)
{
    std::mt19937 random(20240607);
    for (int round = 0; round < 40; ++round) {
        std::vector<TextPtr> texts;
        const int count = 1 + int(random() % 300);
        for (int i = 0; i < count; ++i) {
            const size_t length = random() % 8 == 0 ? random() % 20000 : random() % 40;
            if (random() % 3 == 0) {
                std::string bytes;
                for (size_t k = 0; k < length; ++k)
                    bytes.push_back(static_cast<char>('!' + random() % 200));
                texts.emplace_back(CellText::create(bytes.data(), bytes.size()));
            } else {
                std::u16string units;
                while (units.size() < length) {
                    if (random() % 4 == 0)
                        units += u"\U0001F600";
                    else
                        units.push_back(static_cast<char16_t>(0x4E00 + random() % 500));
                }
                texts.push_back(wide(units));
            }
        }
        SharedStringTable table;
        std::vector<std::u16string> expected;
        for (const TextPtr& text : texts)
            if (table.addCell(*text) == expected.size())
                expected.push_back(widened(*text));
        const Bytes out = written(table);
        ASSERT_EQ(out.size(), table.recordSize());
        const ReadTable read = readTable(out);
        EXPECT_EQ(read.total, uint32_t(count));
        ASSERT_EQ(read.strings, expected) << "round " << round;
    }
}

// Texts kept one byte a unit: every length around the eight-unit steps, with a unit that does
// not fit a byte at every place, against the plain unit-by-unit meaning.
TEST(Latin1Texts, StepsAndTailsMatchUnitByUnit)
{
    for (size_t length = 0; length <= 40; ++length) {
        std::u16string units;
        for (size_t i = 0; i < length; ++i)
            units.push_back(char16_t(0x20 + (i * 37) % 0xE0));
        std::string narrow(length, '\0');
        narrowLatin1(units.data(), length, narrow.data());
        std::vector<unsigned char> wide(2 * length);
        widenLatin1ToUtf16le(reinterpret_cast<const unsigned char*>(narrow.data()), length, wide.data());
        for (size_t i = 0; i < length; ++i) {
            ASSERT_EQ(static_cast<unsigned char>(narrow[i]), units[i]) << length << " " << i;
            ASSERT_EQ(wide[2 * i] | (wide[2 * i + 1] << 8), units[i]) << length << " " << i;
        }
        EXPECT_TRUE(fitsLatin1(units.data(), length)) << length;
        for (size_t i = 0; i < length; ++i) {
            std::u16string other = units;
            other[i] = u'\u0100';
            EXPECT_FALSE(fitsLatin1(other.data(), length)) << length << " " << i;
        }
    }
}
