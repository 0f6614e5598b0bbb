#pragma once

// Saving the tables of all pages as one file: a UTF-16 CSV file when the name's suffix is
// exactly "csv", an Office Open XML workbook when it is "xlsx" in any case, otherwise an
// Excel 97 spreadsheet. Cells come from each page's grid, so a
// cell holding a double quote or a comma stays one cell with its exact text.

#include "export/exportoptions.h"
#include "extraction/pagegrid.h"

#include <QString>
#include <QVector>

enum class SaveFormat { Csv, Spreadsheet, Xlsx };

// "csv" after the last dot of the file-name part, compared case-sensitively, gives Csv;
// "xlsx" in any case ("XLSX", "Xlsx") gives Xlsx; everything else (no suffix, "CSV", "xls" …)
// an Excel 97 spreadsheet.
SaveFormat formatForFileName(const QString& fileName);

// The save dialog's filters, in order: "CSV File (*.csv)", "Excel File (*.xls)",
// "All Files (*.*)", "Excel 2007+ File (*.xlsx)".
QString saveDialogFilters();

// A name typed without a suffix gets the suffix of the chosen filter (".csv" for the CSV
// filter, ".xls" for the Excel filter, ".xlsx" for the Excel 2007+ filter, nothing for
// "All Files"); a name with one stays as is.
QString completeFileName(const QString& fileName, const QString& selectedFilter);

// The suffix a filter's pattern gives, without the dot ("CSV File (*.csv)" → "csv"); empty
// for a pattern with a wildcard after the dot ("All Files (*.*)").
QString filterSuffix(const QString& filter);

// Writes the pages' grids (page order; an empty grid for a page without a table) to
// `fileName` in the format its suffix selects. A failed save leaves an existing file as it was.
SaveResult saveTables(const QString& fileName, const QVector<PageGrid>& pages,
                      const ExportOptions& options = {});
