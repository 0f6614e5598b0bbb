#pragma once

// The pages' tables as an Office Open XML workbook (.xlsx), written by libxlsxwriter in its
// constant-memory mode, so rows stream out instead of piling up. The layout is the one of the
// Excel 97 export (see spreadsheetexport.h): the document's rows, every row padded with empty
// cells to the widest row, the empty rows between pages kept. A sheet holds 1 048 576 rows;
// longer documents continue on "Sheet2", "Sheet3" …. As in the Excel 97 file, no cell gets a
// font or format of its own, unless numbers are written as numbers (ExportOptions).

#include "export/exportoptions.h"
#include "extraction/pagegrid.h"

#include <QString>
#include <QVector>

class DocumentRows;

namespace XlsxLimits {
constexpr int rowsPerSheet = 1048576;
constexpr int columns = 16384;
constexpr int cellCharacters = 32767; // UTF-16 code units, as for Excel 97
} // namespace XlsxLimits

// Checks the limits and writes the workbook to a temporary file beside `fileName`, renamed
// over it once complete: a failed write leaves an existing file as it was, and no temporary
// file behind. A link is followed; a pipe or device is written into, never replaced.
SaveResult writeXlsxFile(const QString& fileName, const QVector<PageGrid>& pages,
                         const ExportOptions& options = {});
