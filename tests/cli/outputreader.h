#pragma once

// Reads back what a save wrote, independently of the export code: the CSV by its own small
// reader, the .xls and .xlsx through spreadsheetreadback.h. Both give the cells page by page.

#include <QString>
#include <QStringList>
#include <QVector>

using Rows = QVector<QStringList>;

// The CSV's pages: BOM FF FE, UTF-16LE, rows of "quoted" fields separated by tabs, pages
// separated by an empty line. Returns false (with a reason) on anything else.
bool readCsvPages(const QString& path, QVector<Rows>* pages, QString* error);

// The .xls's (or .xlsx's) sheets concatenated, split into pages at the empty rows between them;
// a cell that is no text reads as ReadCell::shown() gives it.
bool readXlsPages(const QString& path, QVector<Rows>* pages, QString* error);

// Trims a cell and collapses runs of white space, as the samples' expected cells are given.
QString normalizedCell(const QString& cell);
Rows normalized(const Rows& rows);
