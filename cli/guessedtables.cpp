#include "cli/guessedtables.h"

#include "extraction/columnguess.h"
#include "extraction/joinedgrid.h"
#include "extraction/layoutfile.h"
#include "extraction/pagegrid.h"
#include "extraction/tablefinder.h"
#include "loading/documentloader.h"

namespace {

// A proposal in page pixels as geometry in points (`s` pixels per point).
TableGeometry inPoints(const QRectF& rect, const QVector<double>& columns, double s)
{
    TableGeometry g{rect.top() / s, rect.left() / s, rect.bottom() / s, rect.right() / s, {}};
    for (double x : columns)
        g.columns.append(x / s);
    return g;
}

QVector<QRectF> lineRects(const QRectF& rect, const QVector<double>& columns)
{
    QVector<QRectF> lines;
    for (double x : columns)
        lines.append(QRectF(x, rect.top(), 0, rect.height()));
    return lines;
}

} // namespace

GuessedTables::GuessedTables(const LoadedDocument& document, PageRulesCache& rules, Warn warn)
    : document_(document), rules_(rules), warn_(std::move(warn))
{
}

const QVector<PageRule>& GuessedTables::rulesOf(int index)
{
    return rules_.rules(index, document_.texts[index].runs, warn_);
}

void GuessedTables::guessColumns(QVector<PageTable>& tables)
{
    for (PageTable& table : tables) {
        const int index = table.page - 1;
        const double s = document_.info.pages.value(index).pixelsPerPoint();
        if (s <= 0)
            continue;
        const QRectF rect = table.geometry.canvasRect(s);
        const QVector<double> columns = ::guessColumns(document_.texts[index].runs, rulesOf(index), rect);
        table.geometry.columns.clear();
        for (double x : columns)
            table.geometry.columns.append(x / s);
    }
}

QVector<PageTable> GuessedTables::findLargestTables(const QVector<int>& pages, bool joinLines)
{
    QVector<PageTable> tables;
    for (int page : pages) {
        const int index = page - 1;
        const PageInfo info = document_.info.pages.value(index);
        const double s = info.pixelsPerPoint();
        if (s <= 0)
            continue;
        const QVector<Subtext>& runs = document_.texts[index].runs;
        const QVector<PageRule>& rules = rulesOf(index);
        int mostCells = -1;
        TableGeometry best;
        for (const TableProposal& p : findTables(runs, rules, QSizeF(info.imageWidth, info.imageHeight))) {
            const QVector<QRectF> lines = lineRects(p.rect, p.columns);
            const PageGrid grid = joinLines ? buildJoinedPageGrid(runs, rules, p.rect, lines, 1.0f).grid
                                            : buildPageGrid(runs, p.rect, lines, 1.0f).grid;
            if (grid.rows * grid.columns > mostCells) {
                mostCells = grid.rows * grid.columns;
                best = inPoints(p.rect, p.columns, s);
            }
        }
        if (mostCells >= 0)
            tables.append({page, best, false});
    }
    return tables;
}

QByteArray usedLayout(const QVector<PageTable>& tables, int pageCount, bool joinLines)
{
    QVector<std::optional<PageLayout>> pages(pageCount);
    for (const PageTable& table : tables)
        if (table.page >= 1 && table.page <= pageCount)
            pages[table.page - 1] = PageLayout{table.geometry, joinLines || table.joinLines};
    return layoutJson(layoutEntriesForPages(pages));
}
