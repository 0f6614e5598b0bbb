#pragma once

// Spreadsheet files read back by independent readers: an .xls file by python3-xlrd, an .xlsx
// file by python3-openpyxl (readspreadsheet.py beside this file, run by Debian's python3).
// Every test that reads a saved spreadsheet goes through here.

#include <QJsonArray>
#include <QJsonValue>
#include <QString>
#include <QStringList>
#include <QVector>

// One cell as the reader sees it.
struct ReadCell {
    // "text", "number", "blank" (a cell without a value), "empty" (no cell at all inside the
    // used range; .xls only), "bool", "error" or "xldate"; other .xlsx values by their Python type.
    QString type;
    QJsonValue value; // a text as a string, a number as a double; "" for blank and empty
    QString format;   // a number's format, such as "#,##0.00"

    // A text as itself, a blank as "", anything else as "<type:value>", a number as
    // "<number:VALUE|FORMAT>" with VALUE the shortest text of the exact double.
    QString shown() const;
};

struct ReadSheet {
    QString name;
    int rows = 0; // the used range as the reader reports it
    int columns = 0;
    QVector<QVector<ReadCell>> cells; // rows of cells; none for a sheet read for its size only
    QJsonArray merged;                // .xls: [first row, row end, first column, column end]

    QVector<QStringList> shownRows() const; // every cell shown()
};

struct SpreadsheetReadback {
    QVector<ReadSheet> sheets;
    QString error; // why the file was not read; "" when it was
};

// Every sheet of the .xls or .xlsx file at `path`; the sheets before the `fullFrom`-th
// (counted from 1) only with their size. A file the reader refuses, or warns about while
// reading it, gives an error.
SpreadsheetReadback readBackSpreadsheet(const QString& path, int fullFrom = 1);
