#include "extraction/pagestore.h"

#include "extraction/joinedgrid.h"
#include "extraction/zoommapping.h"

namespace {

// What a page without a table holds.
QVector<QRectF> noTableLines()
{
    return {QRectF()};
}

GridBuild buildGrid(const QVector<Subtext>& runs, const QRectF& canvasRect,
                    const QVector<QRectF>& canvasLines, float zoomFactor, const QVector<PageRule>* joinRules)
{
    if (joinRules)
        return buildJoinedPageGrid(runs, *joinRules, canvasRect, canvasLines, zoomFactor);
    return buildPageGrid(runs, canvasRect, canvasLines, zoomFactor);
}

bool hasEntries(const PageStore& store, const QVector<PageText>& pageTexts, int index)
{
    return store.hasPage(index) && index < pageTexts.size();
}

} // namespace

void PageStore::reset(int pageCount)
{
    const qsizetype count = qMax(pageCount, 0);
    pageOutputs = QVector<QString>(count);
    pageRects = QVector<QRectF>(count);
    pageLines = QVector<QVector<QRectF>>(count, noTableLines());
    pageGrids = QVector<PageGrid>(count);
    pageJoined = QVector<bool>(count, false);
}

void PageStore::clearPage(int index)
{
    if (!hasPage(index))
        return;
    pageOutputs[index].clear();
    pageRects[index] = QRectF();
    pageLines[index] = noTableLines();
    pageGrids[index] = PageGrid();
    pageJoined[index] = false;
}

void PageStore::storePage(int index, const GridBuild& build, bool joined)
{
    if (!hasPage(index))
        return;
    pageOutputs[index] = build.grid.gridText();
    pageRects[index] = build.pageRect;
    pageLines[index] = build.pageLines;
    pageGrids[index] = build.grid;
    pageJoined[index] = joined;
}

const PageGrid* updatePage(PageStore& store, const QVector<PageText>& pageTexts, int index,
                           const QRectF& canvasRect, const QVector<QRectF>& canvasLines, float zoomFactor,
                           const QVector<PageRule>* joinRules)
{
    if (!hasEntries(store, pageTexts, index))
        return nullptr;
    if (isNoTable(canvasRect)) {
        store.clearPage(index);
        return nullptr;
    }
    store.storePage(index, buildGrid(pageTexts[index].runs, canvasRect, canvasLines, zoomFactor, joinRules),
                    joinRules != nullptr);
    return &store.pageGrids[index];
}

void applyToAllPages(PageStore& store, const QVector<PageText>& pageTexts, int currentIndex,
                     const QRectF& canvasRect, const QVector<QRectF>& canvasLines, float zoomFactor,
                     const JoinRulesOf& joinRulesOf)
{
    if (isNoTable(canvasRect)) {
        // Only the page on screen loses its table; the others keep what was drawn on them.
        if (hasEntries(store, pageTexts, currentIndex))
            store.clearPage(currentIndex);
        return;
    }
    const int pages = int(qMin(store.size(), pageTexts.size()));
    for (int index = 0; index < pages; ++index) {
        const QVector<PageRule>* joinRules = joinRulesOf ? joinRulesOf(index) : nullptr;
        store.storePage(index,
                        buildGrid(pageTexts[index].runs, canvasRect, canvasLines, zoomFactor, joinRules),
                        joinRules != nullptr);
    }
}

void rebuildForJoining(PageStore& store, const QVector<PageText>& pageTexts, const JoinRulesOf& joinRulesOf)
{
    const int pages = int(qMin(store.size(), pageTexts.size()));
    for (int index = 0; index < pages; ++index) {
        if (isNoTable(store.pageRects[index]))
            continue;
        // The rules are only asked for (and a page image only read) when joining is on.
        const QVector<PageRule>* joinRules = joinRulesOf ? joinRulesOf(index) : nullptr;
        if ((joinRules != nullptr) == store.pageJoined[index])
            continue;
        // Stored geometry is in page pixels: at zoom 1 the lines convert to themselves.
        const QRectF rect = store.pageRects[index];
        const QVector<QRectF> lines = store.pageLines[index];
        store.storePage(index, buildGrid(pageTexts[index].runs, rect, lines, 1.0f, joinRules),
                        joinRules != nullptr);
    }
}
