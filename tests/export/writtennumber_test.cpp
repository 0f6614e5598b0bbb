#include "export/documentrows.h"
#include "export/tableexport.h"
#include "export/writtennumber.h"
#include "exporttestsupport.h"
#include "testsupport.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {
struct NumberCase {
    const char16_t* text;
    DecimalMark mark;
    double value;
    const char* format; // nullptr: stays text
};

constexpr auto point = DecimalMark::Point;
constexpr auto comma = DecimalMark::Comma;

const NumberCase numberCases[] = {
    {u"1234", point, 1234, "0"},
    {u" 1234 ", point, 1234, "0"},
    {u"0", point, 0, "0"},
    {u"-0", point, 0, "0"},
    {u"-1,234.56", point, -1234.56, "#,##0.00"},
    {u"(1,234.56)", point, -1234.56, "#,##0.00;(#,##0.00)"},
    {u"(12)", point, -12, "0;(0)"},
    {u"12%", point, 0.12, "0%"},
    {u"-0.5%", point, -0.005, "0.0%"},
    {u"12.5%", point, 0.125, "0.0%"},
    {u"+3.5", point, 3.5, "+0.0;-0.0"},
    {u"\u22124.25", point, -4.25, "0.00"},
    {u"99999.99", point, 99999.99, "0.00"},
    {u"0.001", point, 0.001, "0.000"},
    {u"1,234,567", point, 1234567, "#,##0"},
    {u"999999999999999", point, 999999999999999, "0"},
    {u"1 234,56", comma, 1234.56, "#,##0.00"},
    {u"1.234,56", comma, 1234.56, "#,##0.00"},
    {u"1\u00A0234", comma, 1234, "#,##0"},
    {u"12,5", comma, 12.5, "0.0"},
    {u"-12,5%", comma, -0.125, "0.0%"},
    // Texts that look numeric but stay text.
    {u"00123", point, 0, nullptr},
    {u"0123", point, 0, nullptr},
    {u"1,23", point, 0, nullptr},
    {u"1,2345", point, 0, nullptr},
    {u"12,345.6.7", point, 0, nullptr},
    {u"1,234,56", point, 0, nullptr},
    {u"1 234", point, 0, nullptr},
    {u"3.5.1", point, 0, nullptr},
    {u"12/03/2024", point, 0, nullptr},
    {u"2024-03-12", point, 0, nullptr},
    {u"1e5", point, 0, nullptr},
    {u".5", point, 0, nullptr},
    {u"5.", point, 0, nullptr},
    {u"--5", point, 0, nullptr},
    {u"-(5)", point, 0, nullptr},
    {u"(-5)", point, 0, nullptr},
    {u"()", point, 0, nullptr},
    {u"%", point, 0, nullptr},
    {u"5 %", point, 0, nullptr},
    {u"$5", point, 0, nullptr},
    {u"1.234,5", point, 0, nullptr},
    {u"1.234.5", comma, 0, nullptr},
    {u"1.234 567", comma, 0, nullptr},
    {u"12.5", comma, 0, nullptr},
    {u"", point, 0, nullptr},
    {u"1234567890123456", point, 0, nullptr}, // 16 significant digits
    {u"0.0000000000000001", point, 1e-16, "0.0000000000000000"},
    {u"NaN", point, 0, nullptr},
    {u"inf", point, 0, nullptr},
};
} // namespace

TEST(WrittenNumber, CommonFormsReadAsNumbersOthersStayText)
{
    for (const NumberCase& c : numberCases) {
        const QString text = QString::fromUtf16(c.text);
        SCOPED_TRACE(text.toStdString() + (c.mark == comma ? " (decimal comma)" : ""));
        const auto number = readWrittenNumber(text, c.mark);
        if (!c.format) {
            EXPECT_FALSE(number.has_value()) << number->value;
            continue;
        }
        ASSERT_TRUE(number.has_value());
        EXPECT_EQ(number->value, c.value);
        EXPECT_FALSE(std::signbit(number->value) && number->value == 0);
        EXPECT_EQ(number->format, QString::fromLatin1(c.format));
    }
}

TEST(WrittenNumber, ValuesBeyondADoubleStayText)
{
    EXPECT_FALSE(readWrittenNumber(QString(400, u'9'), point));
    EXPECT_FALSE(readWrittenNumber(QStringLiteral("1") + QString(400, u'0'), point));
    EXPECT_FALSE(readWrittenNumber(QStringLiteral("0.") + QString(400, u'0') + u'1', point));
}

TEST(WrittenNumber, TheDocumentsMajorityDecidesTheDecimalMark)
{
    const QVector<PageGrid> commaDocument = {grid({{"1.234,56", "12,5"}, {"1,234.5", "1234"}})};
    EXPECT_EQ(documentDecimalMark(DocumentRows(commaDocument)), comma);
    const QVector<PageGrid> pointDocument = {grid({{"12.5", "12,5"}})}; // a tie keeps the point
    EXPECT_EQ(documentDecimalMark(DocumentRows(pointDocument)), point);
    // "1,234" reads either way: it decides nothing.
    EXPECT_EQ(documentDecimalMark(DocumentRows({grid({{"1,234", "1,234"}})})), point);
}

// Each form saved with numbers as numbers reads back with its type, exact value and format,
// by xlrd from the .xls and by openpyxl from the .xlsx; other cells stay texts.
TEST(NumbersAsNumbers, ReadBackWithValueAndFormatFromBothFiles)
{
    const QVector<PageGrid> pages = {grid({{"1234", "-1,234.56", "(1,234.56)", "12% "},
                                           {"+3.5", "99999.99", "00123", "12/03/2024"},
                                           {"536870911", "536870912", "0.01", "Total "}})};
    const CellRows expected = {
        {"<number:1234|0>", "<number:-1234.56|#,##0.00>", "<number:-1234.56|#,##0.00;(#,##0.00)>",
         "<number:0.12|0%>"},
        {"<number:3.5|+0.0;-0.0>", "<number:99999.99|0.00>", "00123", "12/03/2024"},
        {"<number:536870911|0>", "<number:536870912|0>", "<number:0.01|0.00>", "Total "},
        {"", "", "", ""}};
    ExportOptions numbers;
    numbers.numbersAsNumbers = true;
    for (const QString name : {"numbers.xls", "numbers.xlsx"}) {
        SCOPED_TRACE(name.toStdString());
        const QString path = TestSupport::workDir() + u'/' + name;
        const SaveResult saved = saveTables(path, pages, numbers);
        ASSERT_TRUE(saved.ok) << saved.error.toStdString();
        QString error;
        const QVector<SheetReadback> sheets = readSpreadsheet(path, &error);
        ASSERT_TRUE(error.isEmpty()) << error.toStdString();
        ASSERT_EQ(sheets.size(), 1);
        EXPECT_EQ(sheets[0].rows, expected);

        // Without the option every cell stays the text it was.
        ASSERT_TRUE(saveTables(path, pages).ok);
        const QVector<SheetReadback> texts = readSpreadsheet(path, &error);
        ASSERT_EQ(texts.size(), 1);
        EXPECT_EQ(texts[0].rows.at(0).at(0), "1234");
    }
    // The CSV never changes.
    const QString csv = TestSupport::workDir() + "/numbers.csv";
    ASSERT_TRUE(saveTables(csv, pages, numbers).ok);
    const QByteArray withNumbers = readFileBytes(csv);
    ASSERT_TRUE(saveTables(csv, pages).ok);
    EXPECT_EQ(withNumbers, readFileBytes(csv));
}
