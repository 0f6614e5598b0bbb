#include "sample.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace {

QString joined(const QVector<double>& values)
{
    QStringList parts;
    for (const double value : values)
        parts.append(QString::number(value, 'g', 10));
    return parts.join(',');
}

bool readGeometry(const QJsonObject& object, SampleGeometry* geometry)
{
    const QJsonArray rect = object[u"rect"].toArray(); // [x0, top, x1, bottom]
    if (rect.size() != 4 || !object[u"separators"].isArray())
        return false;
    *geometry = {rect[0].toDouble(), rect[1].toDouble(), rect[2].toDouble(), rect[3].toDouble(), {}};
    for (const QJsonValue& x : object[u"separators"].toArray())
        geometry->separators.append(x.toDouble());
    return geometry->x0 < geometry->x1 && geometry->top < geometry->bottom;
}

QString readTable(const QJsonObject& object, SampleTable* table)
{
    table->page = object[u"page"].toInt();
    table->rows = object[u"rows"].toInt();
    table->cols = object[u"cols"].toInt();
    table->lineRows = object[u"line_rows"].toInt();
    if (!readGeometry(object, &table->geometry))
        return QStringLiteral("no rect and separators");
    for (const QJsonValue& rowValue : object[u"cells"].toArray()) {
        QStringList row;
        for (const QJsonValue& cell : rowValue.toArray())
            row.append(cell.toString());
        if (row.size() != table->cols)
            return QStringLiteral("a row of %1 cells in %2 columns").arg(row.size()).arg(table->cols);
        table->cells.append(row);
    }
    if (table->cells.size() != table->rows)
        return QStringLiteral("%1 rows of cells, %2 expected").arg(table->cells.size()).arg(table->rows);
    return {};
}

} // namespace

QString SampleGeometry::area() const
{
    return joined({top, x0, bottom, x1});
}

QString SampleGeometry::columns() const
{
    return joined(separators);
}

Sample readSample(const QString& jsonPath)
{
    Sample sample;
    QFile file(jsonPath);
    if (!file.open(QIODevice::ReadOnly)) {
        sample.error = jsonPath + ": " + file.errorString();
        return sample;
    }
    QJsonParseError parseError;
    const QJsonObject json = QJsonDocument::fromJson(file.readAll(), &parseError).object();
    if (parseError.error != QJsonParseError::NoError) {
        sample.error = jsonPath + ": " + parseError.errorString();
        return sample;
    }
    sample.pdf = QFileInfo(jsonPath).absoluteDir().filePath(json[u"file"].toString());
    sample.pageCount = int(json[u"pages"].toArray().size());
    for (const QJsonValue& value : json[u"tables"].toArray()) {
        SampleTable table;
        if (const QString problem = readTable(value.toObject(), &table); !problem.isEmpty()) {
            sample.error = QStringLiteral("%1, table %2: %3").arg(jsonPath, value[u"id"].toString(), problem);
            return sample;
        }
        sample.tables.append(table);
    }
    if (const QJsonObject all = json[u"apply_all"].toObject(); !all.isEmpty()) {
        SampleGeometry geometry;
        if (!readGeometry(all, &geometry)) {
            sample.error = jsonPath + ": apply_all has no rect and separators";
            return sample;
        }
        sample.applyAll = geometry;
    }
    if (json[u"file"].toString().isEmpty() || sample.pageCount == 0 || sample.tables.isEmpty())
        sample.error = jsonPath + ": no file, pages or tables";
    return sample;
}
