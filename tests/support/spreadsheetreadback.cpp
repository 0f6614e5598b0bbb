#include "spreadsheetreadback.h"

#include "testsupport.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QLocale>
#include <QProcess>

QString ReadCell::shown() const
{
    if (type == u"text" || type == u"blank")
        return value.toString();
    // The shortest text that reads back as the same double: exact values compare.
    const QString text = value.isDouble()
                             ? QString::number(value.toDouble(), 'g', QLocale::FloatingPointShortest)
                             : value.toVariant().toString();
    return type == u"number" ? QStringLiteral("<number:%1|%2>").arg(text, format)
                             : QStringLiteral("<%1:%2>").arg(type, text);
}

QVector<QStringList> ReadSheet::shownRows() const
{
    QVector<QStringList> rows;
    for (const QVector<ReadCell>& row : cells) {
        QStringList texts;
        for (const ReadCell& cell : row)
            texts += cell.shown();
        rows += texts;
    }
    return rows;
}

SpreadsheetReadback readBackSpreadsheet(const QString& path, int fullFrom)
{
    const bool xlsx = path.endsWith(QLatin1String(".xlsx"), Qt::CaseInsensitive);
    const QString reader = xlsx ? QStringLiteral("openpyxl") : QStringLiteral("xlrd");
    QProcess python;
    python.start(TestSupport::systemPython(), {TestSupport::sourceDir() + "/tests/support/readspreadsheet.py",
                                               path, "--from-sheet", QString::number(fullFrom)});
    SpreadsheetReadback read;
    if (!python.waitForFinished(120000) || python.exitStatus() != QProcess::NormalExit ||
        python.exitCode() != 0) {
        read.error = QStringLiteral("%1 could not read %2: %3")
                         .arg(reader, path, QString::fromUtf8(python.readAllStandardError()));
        return read;
    }
    QJsonParseError parseError;
    const QJsonObject json = QJsonDocument::fromJson(python.readAllStandardOutput(), &parseError).object();
    if (parseError.error != QJsonParseError::NoError) {
        read.error = QStringLiteral("unreadable output of the reader: ") + parseError.errorString();
        return read;
    }
    if (const QString warnings = json[u"warnings"].toString(); !warnings.isEmpty()) {
        read.error = QStringLiteral("%1 warns about %2: %3").arg(reader, path, warnings);
        return read;
    }
    for (const QJsonValue& sheetValue : json[u"sheets"].toArray()) {
        const QJsonObject object = sheetValue.toObject();
        ReadSheet sheet{object[u"name"].toString(),
                        object[u"rows"].toInt(),
                        object[u"columns"].toInt(),
                        {},
                        object[u"merged"].toArray()};
        for (const QJsonValue& rowValue : object[u"cells"].toArray()) {
            QVector<ReadCell> row;
            for (const QJsonValue& cellValue : rowValue.toArray()) {
                const QJsonArray cell = cellValue.toArray();
                row += ReadCell{cell.at(0).toString(), cell.at(1), cell.at(2).toString()};
            }
            sheet.cells += row;
        }
        read.sheets += sheet;
    }
    return read;
}
