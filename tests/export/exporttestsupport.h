#pragma once

// Helpers of the export tests: grids written as rows of cells, the literal string algorithm
// the saved files must agree with, file access and saved spreadsheets as independent readers
// see them.

#include "extraction/pagegrid.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QVector>

#include <initializer_list>

using CellRows = QVector<QStringList>;

// A page's grid from its rows (all of the same length); no rows give a page without a table.
PageGrid grid(std::initializer_list<QStringList> rows);
PageGrid grid(const CellRows& rows);

// Documents of tables whose cells hold no double quote, always the same for a count: several
// pages, some without a table, differing column counts, empty cells, commas, blanks and
// characters beyond the Basic Multilingual Plane.
QVector<QVector<PageGrid>> documentsWithoutQuotes(int count);

// The byte order mark FF FE followed by `text` in UTF-16LE.
QByteArray utf16leWithBom(const QString& text);

// Where two byte strings first differ, with a few bytes around it in hex; empty if equal.
QString firstDifference(const QByteArray& actual, const QByteArray& expected);

// The document as one text (the pages' grid texts joined by "\n") and the files derived from
// it by splitting that text again, the way the files were laid out before grids were kept
// as cells. For tables without double quotes in their cells the saved files must match
// these exactly.
namespace TextLayout {
QString documentText(const QVector<PageGrid>& pages); // grid texts joined by "\n"
QByteArray csvBytes(const QString& documentText);
CellRows sheetCells(const QString& documentText); // every row padded to the widest
} // namespace TextLayout

QByteArray readFileBytes(const QString& path);
void writeFileBytes(const QString& path, const QByteArray& bytes);

// One sheet as the independent reader sees it (see spreadsheetreadback.h): a text cell as its
// text, a blank cell as "", anything else (a cell missing from the file included) as
// "<type:value>". A number reads "<number:VALUE|FORMAT>", VALUE the shortest text of the exact
// double.
struct SheetReadback {
    QString name;
    CellRows rows;
    QPair<int, int> size; // rows and columns of the used range
};

// Reads an .xls file through xlrd, an .xlsx file through openpyxl; on failure `error` says
// why. The sheets before the `fullFrom`-th give only their size.
QVector<SheetReadback> readSpreadsheet(const QString& path, QString* error, int fullFrom = 1);
