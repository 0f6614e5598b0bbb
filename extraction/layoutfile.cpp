#include "layoutfile.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cmath>

QRectF TableGeometry::canvasRect(double s) const
{
    return QRectF(left * s, top * s, (right - left) * s, (bottom - top) * s);
}

QVector<QRectF> TableGeometry::canvasLines(double s) const
{
    QVector<QRectF> lines;
    lines.reserve(columns.size());
    for (double x : columns)
        lines.append(QRectF(x * s, top * s, 0, (bottom - top) * s));
    return lines;
}

QString tableAreaError(const TableGeometry& g)
{
    if (g.top < 0 || g.left < 0)
        return QStringLiteral("the area starts outside the page");
    if (g.bottom <= g.top || g.right <= g.left)
        return QStringLiteral("the area is empty or reversed (TOP,LEFT,BOTTOM,RIGHT)");
    return {};
}

namespace {

// Reads one entry; the error names the key, the caller adds the entry.
class EntryReader {
public:
    EntryReader(const QJsonObject& entry, const LayoutLimits& limits) : entry_(entry), limits_(limits) {}

    std::optional<LayoutEntry> read(QString* error)
    {
        LayoutEntry result;
        const auto page = readPage(error);
        if (!page)
            return std::nullopt;
        result.firstPage = result.lastPage = *page;
        if (!readArea(&result.geometry, error) || !readColumns(&result.geometry.columns, error))
            return std::nullopt;
        return result;
    }

private:
    std::optional<int> readPage(QString* error) const
    {
        const QJsonValue value = entry_.value(QLatin1String("page"));
        // Checked as a double first: a cast of 1e10 or 1.5 to int would be undefined or lossy.
        const double page = value.toDouble();
        if (!value.isDouble() || !std::isfinite(page) || page != std::floor(page) || page < 1 ||
            page > limits_.maxPage) {
            *error = QStringLiteral("\"page\" must be a whole number from 1 to %1").arg(limits_.maxPage);
            return std::nullopt;
        }
        return static_cast<int>(page);
    }

    bool isPosition(const QJsonValue& value) const
    {
        return value.isDouble() && std::isfinite(value.toDouble()) &&
               std::abs(value.toDouble()) <= limits_.maxPosition;
    }

    QString positionRule() const
    {
        return QStringLiteral("numbers of at most %1 points").arg(limits_.maxPosition);
    }

    bool readArea(TableGeometry* geometry, QString* error) const
    {
        const QJsonValue value = entry_.value(QLatin1String("area"));
        const QJsonArray area = value.toArray();
        bool usable = value.isArray() && area.size() == 4;
        for (qsizetype i = 0; usable && i < 4; ++i)
            usable = isPosition(area[i]);
        if (!usable) {
            *error = QStringLiteral("\"area\" must be [top, left, bottom, right], %1").arg(positionRule());
            return false;
        }
        geometry->top = area[0].toDouble();
        geometry->left = area[1].toDouble();
        geometry->bottom = area[2].toDouble();
        geometry->right = area[3].toDouble();
        const QString areaError = tableAreaError(*geometry);
        if (!areaError.isEmpty()) {
            *error = QStringLiteral("\"area\": %1").arg(areaError);
            return false;
        }
        return true;
    }

    bool readColumns(QVector<double>* columns, QString* error) const
    {
        const QJsonValue value = entry_.value(QLatin1String("columns"));
        if (value.isUndefined())
            return true;
        if (!value.isArray()) {
            *error = QStringLiteral("\"columns\" must be a list of numbers");
            return false;
        }
        const QJsonArray list = value.toArray();
        if (list.size() > limits_.maxColumns) {
            *error = QStringLiteral("\"columns\" has %1 separators, more than the %2 the output can hold")
                         .arg(list.size())
                         .arg(limits_.maxColumns);
            return false;
        }
        columns->reserve(list.size());
        for (const QJsonValue& x : list) {
            if (!isPosition(x)) {
                *error = QStringLiteral("\"columns\" must be a list of %1").arg(positionRule());
                return false;
            }
            columns->append(x.toDouble());
        }
        return true;
    }

    const QJsonObject& entry_;
    const LayoutLimits& limits_;
};

LayoutReadResult failure(QString error)
{
    return {{}, std::move(error)};
}

} // namespace

LayoutReadResult parseLayout(const QByteArray& json, const LayoutLimits& limits)
{
    if (json.size() > limits.maxBytes)
        return failure(QStringLiteral("the layout is larger than %1 bytes").arg(limits.maxBytes));
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(json, &parseError);
    if (document.isNull())
        return failure(QStringLiteral("not valid JSON: %1").arg(parseError.errorString()));
    const QJsonValue pagesValue = document.object().value(QLatin1String("pages"));
    if (!pagesValue.isArray())
        return failure(QStringLiteral("no \"pages\" list"));
    const QJsonArray pages = pagesValue.toArray();
    if (pages.size() > limits.maxPage)
        return failure(QStringLiteral("\"pages\" has %1 entries, more than the %2 pages a document can have")
                           .arg(pages.size())
                           .arg(limits.maxPage));

    LayoutReadResult result;
    result.entries.reserve(pages.size());
    // entryForPage[p]: the 1-based entry that names page p, 0 for none.
    QVector<int> entryForPage(limits.maxPage + 1, 0);
    for (qsizetype i = 0; i < pages.size(); ++i) {
        const int number = static_cast<int>(i + 1);
        auto entryError = [number](const QString& what) {
            return failure(QStringLiteral("entry %1: %2").arg(number).arg(what));
        };
        if (!pages[i].isObject())
            return entryError(QStringLiteral("not an object {\"page\": …, \"area\": […]}"));
        QString error;
        const QJsonObject object = pages[i].toObject();
        const auto entry = EntryReader(object, limits).read(&error);
        if (!entry)
            return entryError(error);
        for (int page = entry->firstPage; page <= entry->lastPage; ++page) {
            if (entryForPage[page] != 0)
                return entryError(QStringLiteral("\"page\": page %1 is already given by entry %2")
                                      .arg(page)
                                      .arg(entryForPage[page]));
            entryForPage[page] = number;
        }
        result.entries.append(*entry);
    }
    return result;
}

LayoutReadResult readLayoutFile(const QString& path, const LayoutLimits& limits)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return failure(QStringLiteral("cannot read %1: %2").arg(path, file.errorString()));
    // Read one byte past the limit, so that a file that grows or reports no size is bounded too.
    const QByteArray bytes = file.read(limits.maxBytes + 1);
    if (file.error() != QFileDevice::NoError)
        return failure(QStringLiteral("cannot read %1: %2").arg(path, file.errorString()));
    LayoutReadResult result = parseLayout(bytes, limits);
    if (!result.ok())
        result.error = QStringLiteral("%1: %2").arg(path, result.error);
    return result;
}
