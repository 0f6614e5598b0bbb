#pragma once

// The pages' tables as an Excel 97 workbook: one text cell per grid cell, laid out as the
// document's rows (see DocumentRows), every row padded with empty cells to the widest row.
// A sheet holds 65536 rows; longer documents continue on "Sheet2", "Sheet3" …, each padded
// to the same width. The workbook carries the bold 10-point Arial font; cells get no format,
// unless numbers are written as numbers (ExportOptions): those get a number format each.

#include "export/exportoptions.h"
#include "extraction/pagegrid.h"

#include <QString>
#include <QVector>

namespace xls {
class SpreadsheetFile;
} // namespace xls

class DocumentRows;

namespace SpreadsheetLimits {
constexpr int rowsPerSheet = 65536;
constexpr int columns = 256;
constexpr int cellCharacters = 32767; // UTF-16 code units
} // namespace SpreadsheetLimits

// Why the document cannot be saved in this format (too many columns, a cell text longer
// than a cell holds), for the user; empty when it fits. Nothing is ever cut to fit.
// `maxColumns`: the columns a sheet of the format holds (16 384 for .xlsx).
QString spreadsheetLimitError(const DocumentRows& rows, int maxColumns = SpreadsheetLimits::columns);

// Builds the workbook in `file` (a new, empty document). Assumes spreadsheetLimitError()
// found nothing; false if the writer refused a sheet or a cell all the same.
bool fillSpreadsheet(xls::SpreadsheetFile& file, const DocumentRows& rows, const ExportOptions& options = {});

// Checks the limits, builds the workbook and writes it; a failed write leaves an existing
// file as it was.
SaveResult writeSpreadsheetFile(const QString& fileName, const QVector<PageGrid>& pages,
                                const ExportOptions& options = {});
