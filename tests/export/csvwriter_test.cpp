#include "export/csvwriter.h"
#include "exporttestsupport.h"

#include <gtest/gtest.h>

namespace {
void expectCsv(const QVector<PageGrid>& pages, const QString& expectedText)
{
    const QByteArray expected = utf16leWithBom(expectedText);
    const QByteArray actual = csvFileBytes(pages);
    EXPECT_EQ(actual, expected) << firstDifference(actual, expected).toStdString();
}

} // namespace

TEST(CsvFile, RowsAndPagesAreLaidOutAsQuotedTabSeparatedLines)
{
    // One row of the cells "a " and "b ": the exact bytes.
    const QByteArray expected = QByteArray::fromHex("fffe"
                                                    "22006100200022000900"
                                                    "22006200200022000a00");
    EXPECT_EQ(csvFileBytes({grid({{"a ", "b "}})}), expected);

    // Two rows on page 1, one on page 2: one empty line between the pages, none at the end.
    expectCsv({grid({{"a ", "b "}, {"c ", ""}}), grid({{"d "}})},
              QStringLiteral("\"a \"\t\"b \"\n\"c \"\t\"\"\n\n\"d \"\n"));

    // Pages without tables still separate their neighbours.
    expectCsv({PageGrid{}, PageGrid{}, PageGrid{}}, QStringLiteral("\n\n"));
    expectCsv({PageGrid{}, grid({{"x "}}), PageGrid{}}, QStringLiteral("\n\"x \"\n\n"));
    expectCsv({}, QString());
}

TEST(CsvFile, CellsWithQuotesAndCommasStayOneField)
{
    expectCsv({grid({{"say \"hi\" ", "b "}})}, QStringLiteral("\"say \"\"hi\"\" \"\t\"b \"\n"));
    expectCsv({grid({{"a\",\"b ", "c,d "}})}, QStringLiteral("\"a\"\",\"\"b \"\t\"c,d \"\n"));
}

TEST(CsvFile, MatchesTheDocumentTextWithTabsForTablesWithoutQuotes)
{
    for (const QVector<PageGrid>& pages : documentsWithoutQuotes(300)) {
        const QByteArray expected = TextLayout::csvBytes(TextLayout::documentText(pages));
        const QByteArray actual = csvFileBytes(pages);
        ASSERT_EQ(actual, expected) << firstDifference(actual, expected).toStdString()
                                    << "\ndocument: " << TextLayout::documentText(pages).toStdString();
    }
}
