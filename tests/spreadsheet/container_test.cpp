// The compound document container of the .xls writer: exact bytes of the layouts the program
// relies on, every document read back by the structural checker and by olefile (an independent
// reader), names and paths, and saving safely over existing files and into failing disks.
#include "spreadsheet/byteio.h"
#include "spreadsheet/compounddocument.h"
#include "testing/compoundchecker.h"
#include "testsupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <map>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

using namespace xls;

namespace {

using Bytes = std::vector<uint8_t>;
using Cfb::EndOfChain;
using Cfb::FreeSector;

// "D0 CF 11 E0" → the bytes; spaces and line breaks are ignored.
Bytes hex(std::string_view text)
{
    Bytes bytes;
    std::string digits;
    for (char c : text) {
        if (std::isxdigit(static_cast<unsigned char>(c)))
            digits.push_back(c);
    }
    for (size_t i = 0; i + 1 < digits.size(); i += 2)
        bytes.push_back(static_cast<uint8_t>(std::stoi(digits.substr(i, 2), nullptr, 16)));
    return bytes;
}

Bytes repeat(uint8_t value, size_t count)
{
    return Bytes(count, value);
}

Bytes concat(std::initializer_list<Bytes> parts)
{
    Bytes all;
    for (const Bytes& part : parts)
        all.insert(all.end(), part.begin(), part.end());
    return all;
}

::testing::AssertionResult sameBytes(const Bytes& actual, const Bytes& expected)
{
    if (actual == expected)
        return ::testing::AssertionSuccess();
    const size_t common = std::min(actual.size(), expected.size());
    size_t at = 0;
    while (at < common && actual[at] == expected[at])
        ++at;
    auto around = [at](const Bytes& bytes) {
        std::string text;
        char piece[4];
        for (size_t i = at; i < std::min(bytes.size(), at + 16); ++i) {
            std::snprintf(piece, sizeof piece, "%02X ", bytes[i]);
            text += piece;
        }
        return text;
    };
    return ::testing::AssertionFailure()
           << "sizes " << actual.size() << " and " << expected.size() << ", first difference at offset " << at
           << " (sector " << (long(at) - 512) / 512 << ")\n  actual:   " << around(actual)
           << "\n  expected: " << around(expected);
}

// Bytes that differ from sector to sector, so a misplaced sector shows.
Bytes pattern(size_t length, uint32_t seed = 1)
{
    Bytes bytes(length);
    uint32_t state = seed * 2654435761u + 1;
    for (size_t i = 0; i < length; i += 4) {
        state = state * 1664525u + 1013904223u;
        std::memcpy(bytes.data() + i, &state, std::min<size_t>(4, length - i));
    }
    return bytes;
}

std::string workPath(const QString& name)
{
    return (TestSupport::workDir() + "/" + name).toStdString();
}

Bytes readFile(const std::string& path)
{
    QFile file(QString::fromStdString(path));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray data = file.readAll();
    return Bytes(data.begin(), data.end());
}

void writeFile(const std::string& path, const Bytes& bytes)
{
    QFile file(QString::fromStdString(path));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(reinterpret_cast<const char*>(bytes.data()), qint64(bytes.size()));
}

// The program's save: one "Workbook" stream.
int saveWorkbook(const std::string& path, const Bytes& workbook)
{
    CompoundDocument document;
    if (!document.createDocument(path))
        return 0;
    if (const int created = document.createStream(u"Workbook"); created != CompoundDocument::Success)
        return created;
    return document.writeStream(u"Workbook", workbook.data(), workbook.size());
}

uint32_t headerU32(const Bytes& file, size_t offset)
{
    return ByteIo::getU32(file.data() + offset);
}

std::vector<uint32_t> range(uint32_t first, uint32_t end)
{
    std::vector<uint32_t> numbers;
    for (uint32_t n = first; n < end; ++n)
        numbers.push_back(n);
    return numbers;
}

// Streams by olefile path ("Storage/Stream").
using StreamMap = std::map<QString, Bytes>;

// olefile's reading of a document: every stream by path, or a failure with its complaint.
::testing::AssertionResult readWithOlefile(const std::string& path, StreamMap& streams)
{
    QTemporaryDir folder;
    QProcess python;
    python.start(TestSupport::systemPython(),
                 {TestSupport::sourceDir() + "/tests/spreadsheet/olefile_streams.py",
                  QString::fromStdString(path), folder.path()});
    if (!python.waitForFinished(120000) || python.exitStatus() != QProcess::NormalExit ||
        python.exitCode() != 0)
        return ::testing::AssertionFailure()
               << "olefile cannot read " << path << ": " << python.readAllStandardError().toStdString();
    const QJsonArray list = QJsonDocument::fromJson(python.readAllStandardOutput()).array();
    for (const QJsonValue& value : list) {
        const QJsonObject stream = value.toObject();
        streams[stream["path"].toString()] =
            readFile((folder.path() + "/" + stream["file"].toString()).toStdString());
    }
    return ::testing::AssertionSuccess();
}

// The document at `path` holds exactly `expected`, by the checker and by olefile.
::testing::AssertionResult readsBack(const std::string& path, const StreamMap& expected)
{
    const CompoundChecker checker = CompoundChecker::fromFile(path);
    if (!checker.valid())
        return ::testing::AssertionFailure() << "checker: " << checker.error();
    for (const auto& [name, bytes] : expected) {
        const std::optional<Bytes> stream = checker.stream(QString(name).replace('/', '\\').toStdU16String());
        if (!stream)
            return ::testing::AssertionFailure() << "checker finds no stream " << name.toStdString();
        if (auto same = sameBytes(*stream, bytes); !same)
            return same << "\n  in the checker's stream " << name.toStdString();
    }
    StreamMap read;
    if (auto opened = readWithOlefile(path, read); !opened)
        return opened;
    if (read.size() != expected.size())
        return ::testing::AssertionFailure()
               << "olefile finds " << read.size() << " streams, expected " << expected.size();
    for (const auto& [name, bytes] : expected) {
        if (!read.count(name))
            return ::testing::AssertionFailure() << "olefile finds no stream " << name.toStdString();
        if (auto same = sameBytes(read.at(name), bytes); !same)
            return same << "\n  in olefile's stream " << name.toStdString();
    }
    return ::testing::AssertionSuccess();
}

// Files in the folder, hidden ones (a temporary file left behind) included.
QStringList filesIn(const std::string& folder)
{
    return QDir(QString::fromStdString(folder))
        .entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
}

std::string newFolder(const QString& name)
{
    const std::string folder = workPath(name);
    QDir().mkpath(QString::fromStdString(folder));
    return folder;
}

} // namespace

// --- The layouts the program writes, byte for byte ---

TEST(CompoundLayout, OneRegularStreamIsExactlyHeaderFatDirectoryAndData)
{
    const std::string path = workPath("one.xls");
    const Bytes workbook = pattern(5000);
    ASSERT_EQ(saveWorkbook(path, workbook), CompoundDocument::Success);

    const Bytes header = concat({hex("D0 CF 11 E0 A1 B1 1A E1"), repeat(0, 16),
                                 hex("3B 00 03 00 FE FF 09 00 06 00 00 00 00 00 00 00"
                                     "00 00 00 00 01 00 00 00 01 00 00 00 00 00 00 00"
                                     "00 10 00 00 FE FF FF FF 00 00 00 00 FE FF FF FF"
                                     "00 00 00 00 00 00 00 00"),
                                 repeat(0xFF, 108 * 4)});
    // Sector 0 is the FAT, sector 1 the directory, sectors 2 … 11 the stream.
    Bytes fat = hex("FD FF FF FF FE FF FF FF");
    for (uint32_t sector = 2; sector < 11; ++sector)
        ByteIo::appendU32(fat, sector + 1);
    ByteIo::appendU32(fat, EndOfChain);
    fat.resize(512, 0xFF);
    auto name = [](std::u16string text) {
        Bytes field;
        for (char16_t c : text)
            ByteIo::appendU16(field, c);
        field.resize(64, 0);
        return field;
    };
    const Bytes rootEntry =
        concat({name(u"Root Entry"), hex("16 00 05 01 FF FF FF FF FF FF FF FF 01 00 00 00"), repeat(0, 36),
                hex("FE FF FF FF 00 00 00 00 00 00 00 00")});
    const Bytes streamEntry =
        concat({name(u"Workbook"), hex("12 00 02 01 FF FF FF FF FF FF FF FF FF FF FF FF"), repeat(0, 36),
                hex("02 00 00 00 88 13 00 00 00 00 00 00")});
    const Bytes directory = concat({rootEntry, streamEntry, repeat(0, 256)});
    const Bytes expected = concat({header, fat, directory, workbook, repeat(0, 10 * 512 - 5000)});

    EXPECT_TRUE(sameBytes(readFile(path), expected));
    EXPECT_TRUE(readsBack(path, {{"Workbook", workbook}}));
}

TEST(CompoundLayout, ZeroLengthStreamHasNoSectors)
{
    const std::string path = workPath("empty.xls");
    ASSERT_EQ(saveWorkbook(path, {}), CompoundDocument::Success);

    const CompoundChecker document = CompoundChecker::fromFile(path);
    ASSERT_TRUE(document.valid()) << document.error();
    const CompoundChecker::Entry& stream = document.entries().at(1);
    EXPECT_EQ(stream.start, EndOfChain);
    EXPECT_EQ(stream.size, 0u);
    // No mini stream either: one without a MiniFAT to cover it would be inconsistent.
    EXPECT_EQ(document.entries()[0].start, EndOfChain);
    EXPECT_EQ(document.sectorCount(), 2u);
    EXPECT_TRUE(readsBack(path, {{"Workbook", {}}}));
}

TEST(CompoundLayout, StreamsUnder4096BytesGoToTheMiniStream)
{
    const std::string small = workPath("4095.xls");
    const std::string large = workPath("4096.xls");
    const Bytes workbook = pattern(4096);
    const Bytes shorter(workbook.begin(), workbook.end() - 1);
    ASSERT_EQ(saveWorkbook(small, shorter), CompoundDocument::Success);
    ASSERT_EQ(saveWorkbook(large, workbook), CompoundDocument::Success);

    // 4095 bytes: mini sectors 0 … 63; sector 2 starts the mini stream, sector 3 is the
    // MiniFAT, the mini stream goes on at 4 … 10.
    const CompoundChecker mini = CompoundChecker::fromFile(small);
    ASSERT_TRUE(mini.valid()) << mini.error();
    EXPECT_EQ(mini.chainOf(u"Workbook"), range(0, 64));
    EXPECT_EQ(mini.miniFatSectors(), std::vector<uint32_t>{3});
    EXPECT_EQ(mini.miniStreamSectors(), (std::vector<uint32_t>{2, 4, 5, 6, 7, 8, 9, 10}));
    EXPECT_EQ(mini.entries()[0].size, 4096u);
    EXPECT_EQ(headerU32(mini.bytes(), 60), 3u);
    EXPECT_EQ(headerU32(mini.bytes(), 64), 1u);
    EXPECT_EQ(mini.miniFat()[62], 63u);
    EXPECT_EQ(mini.miniFat()[63], EndOfChain);
    EXPECT_EQ(mini.miniFat()[64], FreeSector);
    EXPECT_EQ(mini.sectorCount(), 11u);
    EXPECT_TRUE(readsBack(small, {{"Workbook", shorter}}));

    // 4096 bytes: 8 regular sectors, and neither mini stream nor MiniFAT.
    const CompoundChecker regular = CompoundChecker::fromFile(large);
    ASSERT_TRUE(regular.valid()) << regular.error();
    EXPECT_EQ(regular.chainOf(u"Workbook"), range(2, 10));
    EXPECT_EQ(headerU32(regular.bytes(), 60), EndOfChain);
    EXPECT_EQ(headerU32(regular.bytes(), 64), 0u);
    EXPECT_EQ(regular.entries()[0].start, EndOfChain);
    EXPECT_EQ(regular.sectorCount(), 10u);
    EXPECT_TRUE(readsBack(large, {{"Workbook", workbook}}));
}

TEST(CompoundLayout, FatSectorsLandOnEvery128thSector)
{
    // 127 sectors of data: 2 … 127, then sector 128 becomes the second FAT sector.
    const std::string path = workPath("127.xls");
    const Bytes workbook = pattern(512 * 127);
    ASSERT_EQ(saveWorkbook(path, workbook), CompoundDocument::Success);

    const CompoundChecker document = CompoundChecker::fromFile(path);
    ASSERT_TRUE(document.valid()) << document.error();
    std::vector<uint32_t> chain = range(2, 128);
    chain.push_back(129);
    EXPECT_EQ(document.chainOf(u"Workbook"), chain);
    EXPECT_EQ(document.fatSectors(), (std::vector<uint32_t>{0, 128}));
    EXPECT_EQ(headerU32(document.bytes(), 44), 2u);
    EXPECT_EQ(headerU32(document.bytes(), 76 + 4), 128u); // DIFAT slot 1
    EXPECT_EQ(headerU32(document.bytes(), 76 + 8), FreeSector);
    EXPECT_EQ(document.fat()[127], 129u);
    EXPECT_TRUE(readsBack(path, {{"Workbook", workbook}}));
}

TEST(CompoundLayout, MoreThan109FatSectorsAreListedInDifatSectors)
{
    const std::string path = workPath("20mb.xls");
    const Bytes workbook = pattern(20 << 20, 7);
    ASSERT_EQ(saveWorkbook(path, workbook), CompoundDocument::Success);

    const CompoundChecker document = CompoundChecker::fromFile(path);
    ASSERT_TRUE(document.valid()) << document.error();
    const std::vector<uint32_t>& fatSectors = document.fatSectors();
    ASSERT_GT(fatSectors.size(), 109u + 127u);
    for (uint32_t k = 0; k < fatSectors.size(); ++k)
        ASSERT_EQ(fatSectors[k], 128 * k) << "FAT sector " << k;
    // The 110th FAT sector needs the first DIFAT sector, taken right after it; the 237th the second.
    EXPECT_EQ(document.difatSectors(), (std::vector<uint32_t>{128 * 109 + 1, 128 * 236 + 1}));
    EXPECT_EQ(headerU32(document.bytes(), 68), 128u * 109 + 1);
    EXPECT_EQ(headerU32(document.bytes(), 72), 2u);
    EXPECT_EQ(document.fat()[128 * 109 + 1], Cfb::DifatSectorMark);
    // The stream fills all the other sectors after the directory, in order.
    const std::vector<uint32_t> chain = document.chainOf(u"Workbook");
    EXPECT_EQ(chain.front(), 2u);
    EXPECT_EQ(chain.size() + 1 + fatSectors.size() + 2, document.sectorCount());
    EXPECT_TRUE(std::is_sorted(chain.begin(), chain.end()));
    EXPECT_TRUE(readsBack(path, {{"Workbook", workbook}}));
}

TEST(CompoundLayout, RewrittenStreamsStayReadable)
{
    const std::string path = workPath("rewritten.xls");
    CompoundDocument document;
    ASSERT_TRUE(document.createDocument(path));
    ASSERT_EQ(document.createStream(u"Workbook"), CompoundDocument::Success);
    // Mini to regular and back, growing and shrinking, the empty stream between.
    Bytes workbook;
    for (size_t length : {100, 4095, 9000, 5000, 3000, 0, 70000, 64}) {
        workbook = pattern(length, uint32_t(length));
        ASSERT_EQ(document.writeStream(u"Workbook", workbook.data(), workbook.size()),
                  CompoundDocument::Success);
        const CompoundChecker checked = CompoundChecker::fromFile(path);
        ASSERT_TRUE(checked.valid()) << "after " << length << " bytes: " << checked.error();
        ASSERT_TRUE(sameBytes(*checked.stream(u"Workbook"), workbook)) << "after " << length << " bytes";
    }
    document.closeDocument();
    EXPECT_TRUE(readsBack(path, {{"Workbook", workbook}}));

    // A stream that only grows ends up as if written once.
    const std::string grown = workPath("grown.xls");
    const std::string once = workPath("once.xls");
    const Bytes longer = pattern(9000);
    ASSERT_TRUE(document.createDocument(grown));
    ASSERT_EQ(document.createStream(u"Workbook"), CompoundDocument::Success);
    ASSERT_EQ(document.writeStream(u"Workbook", longer.data(), 5000), CompoundDocument::Success);
    ASSERT_EQ(document.writeStream(u"Workbook", longer.data(), longer.size()), CompoundDocument::Success);
    document.closeDocument();
    ASSERT_EQ(saveWorkbook(once, longer), CompoundDocument::Success);
    EXPECT_TRUE(sameBytes(readFile(grown), readFile(once)));
}

// A stream produced in pieces while the file is written gives the file the whole stream
// gives; a producer that hands on too few or too many bytes, or gives up, changes nothing.
TEST(CompoundSaving, StreamProducedInPiecesMatchesTheWholeStream)
{
    auto inPieces = [](const Bytes& bytes, size_t piece, size_t handOn) {
        return [&bytes, piece, handOn](const StreamPieceSink& sink) {
            for (size_t at = 0; at < handOn; at += piece)
                if (!sink(bytes.data() + at, std::min(piece, handOn - at)))
                    return false;
            return true;
        };
    };
    // Mini stream, one sector past it, past the first FAT sector's 128 sectors, past 109 FAT
    // sectors (DIFAT); pieces not aligned to sectors.
    for (const size_t length : {size_t(3000), size_t(4096), size_t(70001), size_t(7200000)}) {
        SCOPED_TRACE(length);
        const Bytes workbook = pattern(length, uint32_t(length));
        const std::string whole = workPath("whole.xls"), pieces = workPath("pieces.xls");
        ASSERT_EQ(saveWorkbook(whole, workbook), CompoundDocument::Success);
        CompoundDocument document;
        ASSERT_TRUE(document.createDocument(pieces));
        ASSERT_EQ(document.createStream(u"Workbook"), CompoundDocument::Success);
        ASSERT_EQ(document.writeStream(u"Workbook", length, inPieces(workbook, 1000, length)),
                  CompoundDocument::Success);
        EXPECT_TRUE(sameBytes(readFile(pieces), readFile(whole)));
    }

    const std::string folder = newFolder("pieces");
    const std::string path = folder + "/book.xls";
    ASSERT_EQ(saveWorkbook(path, pattern(9000, 7)), CompoundDocument::Success);
    const Bytes original = readFile(path);
    const Bytes workbook = pattern(50000);
    CompoundDocument document;
    ASSERT_TRUE(document.createDocument(path));
    ASSERT_EQ(document.createStream(u"Workbook"), CompoundDocument::Success);
    const Bytes longer = pattern(50001);
    const CompoundDocument::StreamProducer refusals[] = {
        inPieces(workbook, 4000, 49999),              // too few bytes
        inPieces(longer, 4000, longer.size()),        // too many
        [](const StreamPieceSink&) { return false; }, // gives up
    };
    for (const size_t length : {size_t(50000), size_t(2000)}) {
        for (const CompoundDocument::StreamProducer& produce : refusals)
            EXPECT_EQ(document.writeStream(u"Workbook", length, produce), CompoundDocument::WriteFailed);
    }
    EXPECT_TRUE(sameBytes(readFile(path), original));
    EXPECT_EQ(filesIn(folder), QStringList{"book.xls"}) << "no temporary file left";

    // A stream rewritten after another one grew: its sectors are no longer in file order.
    const std::string twice = workPath("twice.xls"), twicePieces = workPath("twice-pieces.xls");
    const Bytes first = pattern(20000, 3), second = pattern(30000, 4), rewritten = pattern(60000, 5);
    for (const bool streamed : {false, true}) {
        CompoundDocument two;
        ASSERT_TRUE(two.createDocument(streamed ? twicePieces : twice));
        ASSERT_EQ(two.createStream(u"Workbook"), CompoundDocument::Success);
        ASSERT_EQ(two.createStream(u"Other"), CompoundDocument::Success);
        ASSERT_EQ(two.writeStream(u"Workbook", first.data(), first.size()), CompoundDocument::Success);
        ASSERT_EQ(two.writeStream(u"Other", second.data(), second.size()), CompoundDocument::Success);
        const int result = streamed ? two.writeStream(u"Workbook", rewritten.size(),
                                                      inPieces(rewritten, 777, rewritten.size()))
                                    : two.writeStream(u"Workbook", rewritten.data(), rewritten.size());
        ASSERT_EQ(result, CompoundDocument::Success);
    }
    EXPECT_TRUE(sameBytes(readFile(twicePieces), readFile(twice)));
    EXPECT_TRUE(readsBack(twicePieces, {{"Workbook", rewritten}, {"Other", second}}));
}

TEST(CompoundLayout, SeveralStreamsAndStoragesFormValidTrees)
{
    const std::string path = workPath("several.xls");
    CompoundDocument document;
    ASSERT_TRUE(document.createDocument(path));
    // Names whose order differs with and without letter case, storages on the way, more entries
    // than one directory sector holds, and more mini sectors than one MiniFAT sector covers.
    const std::vector<std::pair<std::u16string, size_t>> streams = {
        {u"Workbook", 20000},   {u"a", 4000},
        {u"B", 4000},           {u"\\Reports\\2024", 4000},
        {u"Reports\\2023", 10}, {u"Reports\\deep\\x", 0},
        {u"zz", 5000},          {u"aB", 3000},
    };
    StreamMap expected;
    uint32_t seed = 1;
    for (const auto& [name, length] : streams) {
        ASSERT_EQ(document.createStream(name), CompoundDocument::Success);
        const Bytes bytes = pattern(length, seed++);
        ASSERT_EQ(document.writeStream(name, bytes.data(), bytes.size()), CompoundDocument::Success);
        QString key = QString::fromStdU16String(name).replace('\\', '/');
        expected[key.startsWith('/') ? key.mid(1) : key] = bytes;
    }
    // A stream created after the last write is written at once, empty.
    ASSERT_EQ(document.createStream(u"Reports\\late"), CompoundDocument::Success);
    expected["Reports/late"] = {};
    document.closeDocument();

    const CompoundChecker checked = CompoundChecker::fromFile(path);
    ASSERT_TRUE(checked.valid()) << checked.error();
    EXPECT_GT(checked.directorySectors().size(), 1u);
    EXPECT_GT(checked.miniFatSectors().size(), 1u);
    EXPECT_TRUE(readsBack(path, expected));
}

// Over a thousand pieces pending at once (many small streams' sectors, directory entries and
// large streams): a flush for the piece limit must not let later generated bytes overwrite a
// piece still queued. Every stream is read back byte for byte.
TEST(CompoundLayout, ManySmallAndLargeStreamsKeepEveryByte)
{
    const std::string path = workPath("many-streams.xls");
    CompoundDocument document;
    ASSERT_TRUE(document.createDocument(path));
    StreamMap expected;
    uint32_t seed = 100;
    for (int i = 0; i < 118; ++i) {
        const std::u16string name = QStringLiteral("s%1").arg(i).toStdU16String();
        const size_t length = i < 116 ? 4000 : 600000 + 4096 * size_t(i); // 116 fill the mini stream
        ASSERT_EQ(document.createStream(name), CompoundDocument::Success);
        const Bytes bytes = pattern(length, seed++);
        ASSERT_EQ(document.writeStream(name, bytes.data(), bytes.size()), CompoundDocument::Success);
        expected[QString::fromStdU16String(name)] = bytes;
    }
    document.closeDocument();
    EXPECT_TRUE(readsBack(path, expected));
}

// --- Names and paths ---

TEST(CompoundNames, ResultCodesForBadNames)
{
    CompoundDocument document;
    const std::string path = workPath("names.xls");
    EXPECT_EQ(document.createStream(u"Workbook"), CompoundDocument::WriteFailed) << "no document open";
    ASSERT_TRUE(document.createDocument(path));
    ASSERT_EQ(document.createStream(u"Workbook"), CompoundDocument::Success);
    EXPECT_EQ(document.createStream(u"Workbook"), CompoundDocument::NameExists);
    EXPECT_EQ(document.createStream(u"WORKBOOK"), CompoundDocument::NameExists) << "names ignore letter case";
    EXPECT_EQ(document.createStream(u"Workbook\\inside"), CompoundDocument::NameExists)
        << "a stream is no storage";
    const std::u16string longest(31, u'n');
    EXPECT_EQ(document.createStream(longest + u"n"), CompoundDocument::NameTooLong);
    EXPECT_EQ(document.createStream(longest + u"n\\short"), CompoundDocument::NameTooLong);
    EXPECT_EQ(document.createStream(u""), CompoundDocument::NoName);
    EXPECT_EQ(document.createStream(u"Storage\\"), CompoundDocument::NoName);
    EXPECT_EQ(document.createStream(longest), CompoundDocument::Success);

    const uint8_t byte = 1;
    EXPECT_EQ(document.writeStream(u"Missing", &byte, 1), CompoundDocument::NoSuchStream);
    EXPECT_EQ(document.writeStream(u"Workbook\\inside", &byte, 1), CompoundDocument::NoSuchStream);
    // Too large for the format: refused before a byte is read.
    EXPECT_EQ(document.writeStream(u"Workbook", &byte, size_t(Cfb::MaxStreamSize) + 1),
              CompoundDocument::WriteFailed);
    ASSERT_EQ(document.writeStream(u"Workbook", &byte, 1), CompoundDocument::Success);
    document.closeDocument();

    // Failed creations left nothing behind: the root, "Workbook" and the 31-character stream.
    const CompoundChecker checked = CompoundChecker::fromFile(path);
    ASSERT_TRUE(checked.valid()) << checked.error();
    EXPECT_EQ(checked.streamPaths(), (std::vector<std::u16string>{u"Workbook", longest}));
    size_t used = 0;
    for (const CompoundChecker::Entry& entry : checked.entries())
        used += entry.type != Cfb::UnusedEntry;
    EXPECT_EQ(used, 3u);
}

TEST(CompoundNames, NarrowPathsAreConvertedByTheLocale)
{
    // The test program runs in a UTF-8 locale.
    const std::string path = workPath("narrow.xls");
    const Bytes bytes = pattern(300);
    CompoundDocument document;
    ASSERT_TRUE(document.createDocument(path));
    ASSERT_EQ(document.createStream(std::string("Gr\xC3\xB6\xC3\x9F"
                                                "e\\\xF0\x9F\x93\x8A")),
              CompoundDocument::Success);
    ASSERT_EQ(document.writeStream(u"Größe\\📊", bytes.data(), bytes.size()), CompoundDocument::Success);
    EXPECT_EQ(document.createStream(std::string("\xFF")), CompoundDocument::NoName) << "not UTF-8";
    document.closeDocument();
    EXPECT_TRUE(readsBack(path, {{"Größe/📊", bytes}}));
}

// --- Saving over files, and failing to ---

TEST(CompoundSaving, ExistingFileIsReplacedWholeAndKeepsItsPermissions)
{
    const std::string folder = newFolder("replace");
    const std::string path = folder + "/book.xls";
    writeFile(path, repeat('x', 100000));
    ASSERT_EQ(chmod(path.c_str(), 0640), 0);

    const Bytes workbook = pattern(4096);
    ASSERT_EQ(saveWorkbook(path, workbook), CompoundDocument::Success);
    EXPECT_EQ(readFile(path).size(), 512u * 11);
    EXPECT_TRUE(readsBack(path, {{"Workbook", workbook}}));
    struct stat status;
    ASSERT_EQ(stat(path.c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 07777, 0640u);
    EXPECT_EQ(filesIn(folder), QStringList{"book.xls"}) << "no temporary file left";
}

TEST(CompoundSaving, FileIsUntouchedUntilTheFirstStreamIsWritten)
{
    const std::string path = workPath("untouched.xls");
    const Bytes original = pattern(777);
    writeFile(path, original);
    CompoundDocument document;
    ASSERT_TRUE(document.createDocument(path));
    ASSERT_EQ(document.createStream(u"Workbook"), CompoundDocument::Success);
    document.closeDocument();
    EXPECT_EQ(readFile(path), original);
}

TEST(CompoundSaving, SymbolicLinkKeepsPointingAtTheSavedFile)
{
    const std::string folder = newFolder("link");
    const std::string real = folder + "/real.xls";
    const std::string link = folder + "/link.xls";
    writeFile(real, repeat('x', 10));
    ASSERT_EQ(symlink("real.xls", link.c_str()), 0);
    const Bytes workbook = pattern(5000);
    ASSERT_EQ(saveWorkbook(link, workbook), CompoundDocument::Success);
    EXPECT_TRUE(QFileInfo(QString::fromStdString(link)).isSymLink());
    EXPECT_TRUE(readsBack(real, {{"Workbook", workbook}}));
}

TEST(CompoundSaving, TargetThatIsNoRegularFileIsWrittenDirectly)
{
    // A pipe stands in for a device: renamed over, it would be gone.
    const std::string pipe = workPath("pipe");
    ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
    Bytes received;
    std::thread reader([&] {
        const int fd = open(pipe.c_str(), O_RDONLY);
        uint8_t buffer[65536];
        for (ssize_t got; (got = read(fd, buffer, sizeof buffer)) > 0;)
            received.insert(received.end(), buffer, buffer + got);
        close(fd);
    });
    const Bytes workbook = pattern(100000);
    {
        CompoundDocument document;
        const bool created = document.createDocument(pipe);
        EXPECT_TRUE(created);
        if (created) {
            EXPECT_EQ(document.createStream(u"Workbook"), CompoundDocument::Success);
            EXPECT_EQ(document.writeStream(u"Workbook", workbook.data(), workbook.size()),
                      CompoundDocument::Success);
        }
    }
    reader.join();
    struct stat status;
    ASSERT_EQ(lstat(pipe.c_str(), &status), 0);
    EXPECT_TRUE(S_ISFIFO(status.st_mode));
    const CompoundChecker checked(received);
    ASSERT_TRUE(checked.valid()) << checked.error();
    EXPECT_TRUE(sameBytes(*checked.stream(u"Workbook"), workbook));
}

TEST(CompoundSaving, NoDocumentWhereNoFileCanBeMade)
{
    const std::string folder = newFolder("nowhere");
    const std::string file = folder + "/file.txt";
    writeFile(file, pattern(10));
    CompoundDocument document;
    EXPECT_FALSE(document.createDocument(folder + "/missing/book.xls"));
    EXPECT_FALSE(document.createDocument(file + "/book.xls")) << "a parent that is a regular file";
    EXPECT_FALSE(document.createDocument(folder)) << "a folder";
    EXPECT_FALSE(document.createDocument(""));
    EXPECT_EQ(document.createStream(u"Workbook"), CompoundDocument::WriteFailed);
    EXPECT_EQ(readFile(file), pattern(10));
    EXPECT_EQ(filesIn(folder), QStringList{"file.txt"});
}

TEST(CompoundSaving, FullDiskReportsFailureAndKeepsTheExistingFile)
{
    const std::string folder = newFolder("full");
    const std::string path = folder + "/book.xls";
    const Bytes original = pattern(1000);
    writeFile(path, original);
    const Bytes large = pattern(1 << 20);
    const Bytes small = pattern(3000);

    // The child may write files of 64 KB at most, like a disk that is nearly full.
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        const rlimit limit{64 * 1024, 64 * 1024};
        setrlimit(RLIMIT_FSIZE, &limit);
        signal(SIGXFSZ, SIG_IGN);
        CompoundDocument document;
        if (!document.createDocument(path) || document.createStream(u"Workbook") != CompoundDocument::Success)
            _exit(10);
        if (document.writeStream(u"Workbook", large.data(), large.size()) != CompoundDocument::WriteFailed)
            _exit(11);
        if (readFile(path) != original)
            _exit(12);
        // The document stays usable: a smaller stream still fits.
        if (document.writeStream(u"Workbook", small.data(), small.size()) != CompoundDocument::Success)
            _exit(13);
        _exit(0);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "10 setup, 11 no failure reported, 12 file changed, 13 no recovery";
    EXPECT_TRUE(readsBack(path, {{"Workbook", small}}));
    EXPECT_EQ(filesIn(folder), QStringList{"book.xls"}) << "no temporary file left";
}

// --- The checker itself, which fuzzing relies on ---

TEST(CompoundChecker, FindsBrokenStructures)
{
    const std::string path = workPath("broken.xls");
    ASSERT_EQ(saveWorkbook(path, pattern(5000)), CompoundDocument::Success);
    const Bytes good = readFile(path);
    ASSERT_TRUE(CompoundChecker(good).valid());

    auto broken = [&](size_t offset, uint32_t value) {
        Bytes bytes = good;
        ByteIo::putU32(bytes.data() + offset, value);
        return CompoundChecker(bytes);
    };
    const size_t fat = 512, directory = 1024, workbookEntry = directory + 128;
    EXPECT_FALSE(broken(fat + 4 * 11, 2).valid()) << "a chain running in a circle";
    EXPECT_FALSE(broken(fat + 4 * 11, FreeSector).valid()) << "a chain into a free sector";
    EXPECT_FALSE(broken(fat + 4 * 20, EndOfChain).valid()) << "a sector in use by nothing";
    EXPECT_FALSE(broken(workbookEntry + 120, 6000).valid()) << "a size the chain does not match";
    EXPECT_FALSE(broken(directory + 76, 0).valid()) << "the root as its own child";
    EXPECT_FALSE(broken(44, 2).valid()) << "a FAT sector count the DIFAT does not list";
    EXPECT_FALSE(CompoundChecker(Bytes(good.begin(), good.end() - 512)).valid()) << "a truncated file";
    EXPECT_FALSE(CompoundChecker(Bytes()).valid());

    // Arbitrary damage must never crash it (the sanitizer build watches).
    Bytes bytes = good;
    uint32_t state = 12345;
    for (int round = 0; round < 2000; ++round) {
        state = state * 1664525u + 1013904223u;
        bytes[(state >> 8) % bytes.size()] = static_cast<uint8_t>(state >> 24);
        const CompoundChecker checked(bytes);
        if (checked.valid())
            checked.stream(u"Workbook");
        if (round % 100 == 99)
            bytes = good;
    }
}
