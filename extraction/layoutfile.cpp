#include "extraction/layoutfile.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>

#include <algorithm>
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
        if (!readPages(&result, error) || !readArea(&result.geometry, error) ||
            !readColumns(&result.geometry.columns, error) || !columnsInsideArea(result.geometry, error) ||
            !readJoinLines(&result.joinLines, error))
            return std::nullopt;
        return result;
    }

private:
    bool readPages(LayoutEntry* entry, QString* error) const
    {
        const QJsonValue range = entry_.value(QLatin1String("pages"));
        if (range.isUndefined()) {
            const auto page = readPage(error);
            if (!page)
                return false;
            entry->firstPage = entry->lastPage = *page;
            return true;
        }
        if (entry_.contains(QLatin1String("page"))) {
            *error = QStringLiteral("\"pages\": give either \"page\" or \"pages\", not both");
            return false;
        }
        const QString text = range.toString().trimmed();
        if (range.isString() && text == QLatin1String("all")) {
            entry->firstPage = 1;
            entry->lastPage = LayoutEntry::kThroughLastPage;
            return true;
        }
        const QStringList ends = text.split('-');
        bool okFirst = false;
        bool okLast = false;
        // toInt refuses anything that does not fit, so 1e10 or 99999999999 cannot overflow.
        const int first = ends.value(0).trimmed().toInt(&okFirst);
        const int last = ends.size() == 2 ? ends[1].trimmed().toInt(&okLast) : first;
        if (!range.isString() || ends.size() > 2 || !okFirst || (ends.size() == 2 && !okLast) || first < 1 ||
            last < first || last > limits_.maxPage) {
            *error =
                QStringLiteral("\"pages\" must be \"all\" or a range \"first-last\" of pages from 1 to %1")
                    .arg(limits_.maxPage);
            return false;
        }
        entry->firstPage = first;
        entry->lastPage = last;
        return true;
    }

    bool readJoinLines(bool* joinLines, QString* error) const
    {
        const QJsonValue value = entry_.value(QLatin1String("join_lines"));
        if (value.isUndefined())
            return true;
        if (!value.isBool()) {
            *error = QStringLiteral("\"join_lines\" must be true or false");
            return false;
        }
        *joinLines = value.toBool();
        return true;
    }

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

    // After the area and the columns are read: a separator must lie within its table.
    static bool columnsInsideArea(const TableGeometry& g, QString* error)
    {
        for (double x : g.columns)
            if (x < g.left || x > g.right) {
                *error = QStringLiteral("\"columns\": %1 lies outside the area (left %2, right %3)")
                             .arg(x)
                             .arg(g.left)
                             .arg(g.right);
                return false;
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

ResolvedLayout resolveLayout(const QVector<LayoutEntry>& entries, int pageCount)
{
    ResolvedLayout resolved;
    resolved.pages.resize(std::max(pageCount, 0));
    int furthest = 0;
    for (const LayoutEntry& entry : entries) {
        const int last = std::min(entry.lastPage, pageCount);
        for (int page = entry.firstPage; page <= last; ++page)
            resolved.pages[page - 1] = PageLayout{entry.geometry, entry.joinLines};
        if (entry.lastPage != LayoutEntry::kThroughLastPage)
            furthest = std::max(furthest, entry.lastPage);
    }
    if (furthest > pageCount) {
        // Marked first, so that overlapping entries report each page once.
        QVector<bool> named(furthest - pageCount, false);
        for (const LayoutEntry& entry : entries)
            if (entry.lastPage != LayoutEntry::kThroughLastPage)
                for (int page = std::max(entry.firstPage, pageCount + 1); page <= entry.lastPage; ++page)
                    named[page - pageCount - 1] = true;
        for (int i = 0; i < named.size(); ++i)
            if (named[i])
                resolved.missingPages.append(pageCount + 1 + i);
    }
    return resolved;
}

QVector<LayoutEntry> layoutEntriesForPages(const QVector<std::optional<PageLayout>>& pages)
{
    QVector<LayoutEntry> entries;
    for (int i = 0; i < pages.size();) {
        if (!pages[i]) {
            ++i;
            continue;
        }
        int end = i + 1;
        while (end < pages.size() && pages[end] == pages[i])
            ++end;
        entries.append({i + 1, end, pages[i]->geometry, pages[i]->joinLines});
        i = end;
    }
    return entries;
}

QString pageRangesText(const QVector<int>& pages)
{
    QStringList parts;
    for (int i = 0; i < pages.size();) {
        int end = i;
        while (end + 1 < pages.size() && pages[end + 1] == pages[end] + 1)
            ++end;
        parts.append(end == i ? QString::number(pages[i])
                              : QStringLiteral("%1-%2").arg(pages[i]).arg(pages[end]));
        i = end + 1;
    }
    return parts.join(QLatin1String(", "));
}

QByteArray layoutJson(const QVector<LayoutEntry>& entries)
{
    QJsonArray pages;
    for (const LayoutEntry& entry : entries) {
        QJsonObject object;
        if (entry.lastPage == LayoutEntry::kThroughLastPage)
            object.insert(QLatin1String("pages"), QStringLiteral("all"));
        else if (entry.firstPage == entry.lastPage)
            object.insert(QLatin1String("page"), entry.firstPage);
        else
            object.insert(QLatin1String("pages"),
                          QStringLiteral("%1-%2").arg(entry.firstPage).arg(entry.lastPage));
        const TableGeometry& g = entry.geometry;
        object.insert(QLatin1String("area"), QJsonArray{g.top, g.left, g.bottom, g.right});
        QJsonArray columns;
        for (double x : g.columns)
            columns.append(x);
        object.insert(QLatin1String("columns"), columns);
        object.insert(QLatin1String("join_lines"), entry.joinLines);
        pages.append(object);
    }
    return QJsonDocument(QJsonObject{{QLatin1String("pages"), pages}}).toJson(QJsonDocument::Indented);
}

QString writeLayoutFile(const QString& path, const QVector<LayoutEntry>& entries)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return file.errorString();
    const QByteArray bytes = layoutJson(entries);
    if (file.write(bytes) != bytes.size()) {
        const QString reason = file.errorString();
        file.cancelWriting();
        return reason;
    }
    if (!file.commit())
        return file.errorString();
    return {};
}
