// The record layer: headers, CONTINUE splitting and the two string forms.
#include "biffbytes.h"
#include "spreadsheet/record.h"

#include <gtest/gtest.h>

using namespace xls;

using namespace BiffTest;

namespace {
// A record with a body of `size` bytes counting 0, 1, 2 … (mod 251, so chunks differ).
class CountingRecord : public Record {
public:
    explicit CountingRecord(uint32_t size) : Record(0x1234), size_(size) {}

protected:
    void writeFields(FieldWriter& fields) const override
    {
        for (uint32_t i = 0; i < size_; ++i)
            fields.putU8(static_cast<uint8_t>(i % 251));
    }

private:
    uint32_t size_;
};

Bytes written(Record& record)
{
    Bytes out(record.recordSize() + 16, 0xEE);
    const size_t size = record.write(out.data());
    EXPECT_EQ(size, record.recordSize());
    EXPECT_EQ(out[size], 0xEE) << "wrote past its record size";
    out.resize(size);
    return out;
}
} // namespace

TEST(Record, EofIsFourBytes)
{
    EOFRecord eof;
    EXPECT_TRUE(sameBytes(written(eof), hex("0A 00 00 00")));
}

TEST(Record, BofOfGlobalsAndWorksheet)
{
    BOF globals;
    EXPECT_TRUE(
        sameBytes(written(globals), hex("09 08 10 00  00 06 05 00 A0 19 CD 07 C9 C0 00 00 06 03 00 00")));
    BOF sheet(BOF::WorksheetType);
    EXPECT_EQ(written(sheet)[6], 0x10);
}

// Bodies up to 8224 bytes are one record; longer ones go on in CONTINUE records of at most
// 8224 bytes, and the record size counts every header.
TEST(Record, LongBodiesContinue)
{
    struct Case {
        uint32_t body;
        std::vector<uint16_t> chunks;
    };
    for (const Case& c : {Case{0, {0}}, Case{8224, {8224}}, Case{8225, {8224, 1}}, Case{16448, {8224, 8224}},
                          Case{16449, {8224, 8224, 1}}}) {
        SCOPED_TRACE(c.body);
        CountingRecord record(c.body);
        EXPECT_EQ(record.recordSize(), c.body + 4 * c.chunks.size());
        const Bytes out = written(record);
        const std::vector<RawRecord> records = splitRecords(out);
        ASSERT_EQ(records.size(), c.chunks.size());
        Bytes body;
        for (size_t i = 0; i < records.size(); ++i) {
            EXPECT_EQ(records[i].code, i == 0 ? 0x1234 : 0x003C);
            EXPECT_EQ(records[i].body.size(), c.chunks[i]);
            body.insert(body.end(), records[i].body.begin(), records[i].body.end());
        }
        EXPECT_TRUE(sameBytes(body, record.body()));
    }
}

TEST(Record, ExplicitContinueOffsets)
{
    const Bytes body = hex("01 02 03 04 05 06");
    const std::vector<uint32_t> offsets{2, 5};
    Bytes out(6 + 12);
    EXPECT_EQ(Record::writeBody(out.data(), 0x00FC, body.data(), 6, offsets), 18u);
    EXPECT_TRUE(sameBytes(out, hex("FC 00 02 00 01 02  3C 00 03 00 03 04 05  3C 00 01 00 06")));
}

TEST(Record, ReadGathersContinues)
{
    CountingRecord original(16449);
    const Bytes out = written(original);
    Record read(0);
    EXPECT_EQ(read.read(out.data(), out.size()), out.size());
    EXPECT_EQ(read.code(), 0x1234);
    EXPECT_EQ(read.recordSize(), out.size());
    EXPECT_EQ(read.dataSize(), 16449u);
    EXPECT_EQ(read.continueOffsets(), (std::vector<uint32_t>{8224, 16448}));
    EXPECT_TRUE(sameBytes(read.body(), original.body()));
}

TEST(LongString, WritesCountFlagsAndCharacters)
{
    Bytes out(32, 0xEE);
    LongString wide(std::u16string(u"Aé"));
    EXPECT_EQ(wide.size(), 7u);
    EXPECT_EQ(wide.write(out.data()), 7u);
    EXPECT_TRUE(sameBytes(Bytes(out.begin(), out.begin() + 7), hex("02 00 01 41 00 E9 00")));

    LongString narrow(std::string("ab"));
    EXPECT_EQ(narrow.write(out.data()), 5u);
    EXPECT_TRUE(sameBytes(Bytes(out.begin(), out.begin() + 5), hex("02 00 00 61 62")));

    LongString empty(std::u16string{});
    EXPECT_EQ(empty.write(out.data()), 3u);
    EXPECT_TRUE(sameBytes(Bytes(out.begin(), out.begin() + 3), hex("00 00 01")));
}

// Rich-text and phonetic data are never written, so their flags must not be either.
TEST(LongString, RichTextFlagIsDropped)
{
    LongString text(std::u16string(u"x"));
    text.setFlags(0x09);
    Bytes out(text.size());
    text.write(out.data());
    EXPECT_TRUE(sameBytes(out, hex("01 00 01 78 00")));
}

TEST(LongString, CountNeverOverflows)
{
    std::u16string tooLong(70000, u'a');
    tooLong[65534] = 0xD83D; // a pair straddling the limit is dropped whole
    tooLong[65535] = 0xDE00;
    LongString text(tooLong);
    EXPECT_EQ(text.characterCount(), 65534u);
    EXPECT_EQ(text.size(), 3u + 2 * 65534);
}

TEST(ShortString, EightBitAndWide)
{
    Bytes out(32);
    ShortString sheet(std::string("Sheet1"));
    EXPECT_EQ(sheet.write(out.data()), 8u);
    EXPECT_TRUE(sameBytes(Bytes(out.begin(), out.begin() + 8), hex("06 00 53 68 65 65 74 31")));
    ShortString font(std::u16string(u"Arial"));
    EXPECT_EQ(font.size(), 12u);
    font.write(out.data());
    EXPECT_TRUE(sameBytes(Bytes(out.begin(), out.begin() + 12), hex("05 01 41 00 72 00 69 00 61 00 6C 00")));
    EXPECT_EQ(ShortString(std::string("\xE9t\xE9")).toWide(), u"été");
    EXPECT_EQ(ShortString(std::u16string(300, u'x')).size(), 2u + 2 * 255);
}
