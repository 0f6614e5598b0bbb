#include "biffbytes.h"

#include "spreadsheet/spreadsheet.h"
#include "spreadsheet/workbook.h"
#include "spreadsheet/workbookstream.h"
#include "testsupport.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>

#include <cstdio>

namespace BiffTest {

Bytes hex(std::string_view text)
{
    Bytes bytes;
    int pending = -1;
    for (const char c : text) {
        int value;
        if (c >= '0' && c <= '9')
            value = c - '0';
        else if (c >= 'a' && c <= 'f')
            value = c - 'a' + 10;
        else if (c >= 'A' && c <= 'F')
            value = c - 'A' + 10;
        else
            continue;
        if (pending < 0) {
            pending = value;
        } else {
            bytes.push_back(static_cast<uint8_t>(pending * 16 + value));
            pending = -1;
        }
    }
    return bytes;
}

namespace {
std::string hexAround(const Bytes& bytes, size_t at)
{
    std::string text;
    const size_t from = at >= 8 ? at - 8 : 0;
    for (size_t i = from; i < std::min(bytes.size(), at + 8); ++i) {
        char cell[8];
        std::snprintf(cell, sizeof cell, i == at ? "[%02X] " : "%02X ", bytes[i]);
        text += cell;
    }
    return text;
}
} // namespace

::testing::AssertionResult sameBytes(const Bytes& actual, const Bytes& expected)
{
    const size_t common = std::min(actual.size(), expected.size());
    for (size_t i = 0; i < common; ++i) {
        if (actual[i] != expected[i])
            return ::testing::AssertionFailure()
                   << "first difference at offset " << i << "\n  actual:   " << hexAround(actual, i)
                   << "\n  expected: " << hexAround(expected, i);
    }
    if (actual.size() != expected.size())
        return ::testing::AssertionFailure() << "sizes differ: actual " << actual.size() << ", expected "
                                             << expected.size() << " (equal up to " << common << ")";
    return ::testing::AssertionSuccess();
}

Bytes concat(std::initializer_list<Bytes> parts)
{
    Bytes all;
    for (const Bytes& part : parts)
        all.insert(all.end(), part.begin(), part.end());
    return all;
}

Bytes RawRecord::bytes() const
{
    Bytes all(4 + body.size());
    all[0] = static_cast<uint8_t>(code);
    all[1] = static_cast<uint8_t>(code >> 8);
    all[2] = static_cast<uint8_t>(body.size());
    all[3] = static_cast<uint8_t>(body.size() >> 8);
    std::copy(body.begin(), body.end(), all.begin() + 4);
    return all;
}

uint16_t u16At(const Bytes& bytes, size_t offset)
{
    return static_cast<uint16_t>(bytes.at(offset) | (bytes.at(offset + 1) << 8));
}

uint32_t u32At(const Bytes& bytes, size_t offset)
{
    return u16At(bytes, offset) | (uint32_t(u16At(bytes, offset + 2)) << 16);
}

std::vector<RawRecord> splitRecords(const Bytes& stream)
{
    std::vector<RawRecord> records;
    size_t at = 0;
    while (at + 4 <= stream.size()) {
        const uint16_t length = u16At(stream, at + 2);
        if (at + 4 + length > stream.size()) {
            ADD_FAILURE() << "record at " << at << " runs past the stream's end";
            break;
        }
        records.push_back(
            {u16At(stream, at), Bytes(stream.begin() + at + 4, stream.begin() + at + 4 + length), at});
        at += 4 + length;
    }
    if (at != stream.size())
        ADD_FAILURE() << "stream ends inside a record header at " << at;
    return records;
}

std::vector<uint16_t> codesOf(const std::vector<RawRecord>& records)
{
    std::vector<uint16_t> codes;
    for (const RawRecord& record : records)
        codes.push_back(record.code);
    return codes;
}

Bytes workbookStream(SpreadsheetFile& file)
{
    StreamBuffer stream;
    EXPECT_TRUE(buildWorkbookStream(file, stream));
    return Bytes(stream.data(), stream.data() + stream.size());
}

::testing::AssertionResult readWithXlrd(const QString& path, std::vector<XlsSheet>& sheets)
{
    QProcess python;
    python.start(TestSupport::systemPython(),
                 {TestSupport::sourceDir() + "/tests/spreadsheet/xls_cells.py", path, "--formatting"});
    if (!python.waitForFinished(120000) || python.exitStatus() != QProcess::NormalExit ||
        python.exitCode() != 0)
        return ::testing::AssertionFailure() << "xlrd could not read " << path.toStdString() << ": "
                                             << python.readAllStandardError().toStdString();
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(python.readAllStandardOutput(), &error);
    if (document.isNull())
        return ::testing::AssertionFailure() << "unreadable cell dump: " << error.errorString().toStdString();
    sheets.clear();
    for (const QJsonValue& value : document.object()["sheets"].toArray()) {
        const QJsonObject sheet = value.toObject();
        sheets.push_back({sheet["name"].toString(), sheet["rows"].toInt(), sheet["columns"].toInt(),
                          sheet["cells"].toArray(), sheet["merged"].toArray()});
    }
    return ::testing::AssertionSuccess();
}

namespace {
// xlrd's cell types.
constexpr int xlText = 1;
constexpr int xlNumber = 2;
constexpr int xlBlank = 6;

QString textOf(const SpreadsheetCell& cell)
{
    if (cell.type() == WSTRING) {
        std::vector<char16_t> buffer(cell.textLength() + 1);
        cell.text(buffer.data());
        return QString::fromUtf16(buffer.data(), qsizetype(cell.textLength()));
    }
    std::vector<char> buffer(cell.textLength() + 1);
    cell.narrowText(buffer.data());
    return QString::fromLatin1(buffer.data(), qsizetype(cell.textLength()));
}
} // namespace

::testing::AssertionResult sameCells(const SpreadsheetSheet& sheet, const XlsSheet& read)
{
    if (read.rows != int(sheet.rowCount()) || read.columns != int(sheet.columnCount()))
        return ::testing::AssertionFailure()
               << "xlrd sees " << read.rows << " x " << read.columns << " cells, the sheet has "
               << sheet.rowCount() << " x " << sheet.columnCount();
    for (uint32_t row = 0; row < sheet.rowCount(); ++row) {
        const QJsonArray cells = read.cells[int(row)].toArray();
        for (uint32_t column = 0; column < sheet.columnCount(); ++column) {
            const SpreadsheetCell& cell = *sheet.cellAt(row, column);
            const QJsonArray pair = cells[int(column)].toArray();
            const int type = pair[0].toInt();
            auto failure = [&]() {
                return ::testing::AssertionFailure()
                       << "cell (" << row << ", " << column << "): xlrd reads type " << type << " value "
                       << pair[1].toVariant().toString().toStdString() << "; ";
            };
            switch (cell.type()) {
            case STRING:
            case WSTRING:
                if (type != xlText || pair[1].toString() != textOf(cell))
                    return failure() << "expected text " << textOf(cell).toStdString();
                break;
            case INTEGER:
            case REAL:
                if (type != xlNumber || pair[1].toDouble() != cell.realValue())
                    return failure() << "expected number " << cell.realValue();
                break;
            default:
                if (type != xlBlank)
                    return failure() << "expected a blank";
            }
        }
    }
    return ::testing::AssertionSuccess();
}

::testing::AssertionResult readsBackEqual(SpreadsheetFile& file, const QString& path)
{
    std::vector<XlsSheet> sheets;
    if (auto read = readWithXlrd(path, sheets); !read)
        return read;
    if (int(sheets.size()) != file.sheetCount())
        return ::testing::AssertionFailure()
               << "xlrd sees " << sheets.size() << " sheets, the document has " << file.sheetCount();
    for (int i = 0; i < file.sheetCount(); ++i) {
        const QString name = QString::fromStdU16String(file.workbook().sheets[size_t(i)].name.toWide());
        if (sheets[size_t(i)].name != name)
            return ::testing::AssertionFailure()
                   << "sheet " << i << " is named " << sheets[size_t(i)].name.toStdString();
        if (auto same = sameCells(*file.sheetAt(i), sheets[size_t(i)]); !same)
            return same << " (sheet " << i << ")";
    }
    return ::testing::AssertionSuccess();
}

} // namespace BiffTest
