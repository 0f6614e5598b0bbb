#include "export/tableexport.h"

#include "export/csvwriter.h"
#include "export/filesaving.h"
#include "export/spreadsheetexport.h"
#include "export/xlsxexport.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QRegularExpression>

namespace {
QString fileNamePart(const QString& fileName)
{
    return QFileInfo(fileName).fileName();
}
} // namespace

SaveFormat formatForFileName(const QString& fileName)
{
    const QString name = fileNamePart(fileName);
    const qsizetype dot = name.lastIndexOf(u'.');
    const QString suffix = dot < 0 ? QString() : name.mid(dot + 1);
    if (suffix == u"csv")
        return SaveFormat::Csv;
    return suffix.compare(u"xlsx", Qt::CaseInsensitive) == 0 ? SaveFormat::Xlsx : SaveFormat::Spreadsheet;
}

QString saveDialogFilters()
{
    return QCoreApplication::translate("TableExport",
                                       "CSV File (*.csv);;Excel File (*.xls);;All Files (*.*);;"
                                       "Excel 2007+ File (*.xlsx)");
}

QString filterSuffix(const QString& filter)
{
    // The pattern gives the suffix, so translated filter names work too.
    static const QRegularExpression pattern(QStringLiteral("\\(\\*\\.([^*?()\\s]+)\\)"));
    const QRegularExpressionMatch match = pattern.match(filter);
    return match.hasMatch() ? match.captured(1) : QString();
}

QString completeFileName(const QString& fileName, const QString& selectedFilter)
{
    if (fileName.isEmpty() || fileNamePart(fileName).contains(u'.'))
        return fileName;
    const QString suffix = filterSuffix(selectedFilter);
    return suffix.isEmpty() ? fileName : fileName + u'.' + suffix;
}

SaveResult saveTables(const QString& fileName, const QVector<PageGrid>& pages, const ExportOptions& options)
{
    if (fileName.isEmpty())
        return SaveResult{false, QCoreApplication::translate("TableExport", "No file name was given.")};
    switch (formatForFileName(fileName)) {
    case SaveFormat::Csv:
        return writeFileSafely(fileName, csvFileBytes(pages), options.interrupted);
    case SaveFormat::Xlsx:
        return writeXlsxFile(fileName, pages, options);
    case SaveFormat::Spreadsheet:
        break;
    }
    return writeSpreadsheetFile(fileName, pages, options);
}
