#pragma once

#include "extraction/pagegrid.h"
#include "extraction/pagerules.h"
#include "protocol/subtext.h"

#include <QRectF>
#include <QString>
#include <QVector>

#include <functional>

// Per-page results of the open document, index = page number − 1: the grid text
// (pageOutputs), the table rectangle and column lines in page pixels (pageRects, pageLines)
// and the structured grid the text was made from (pageGrids, what the save writes).
// A page without a table holds an empty text, a zero rectangle, a line list of one zero
// rectangle and an empty grid.
class PageStore {
public:
    // One empty entry per page (after a document has loaded); 0 empties the store.
    void reset(int pageCount);
    int size() const { return pageOutputs.size(); }
    bool hasPage(int index) const { return index >= 0 && index < pageOutputs.size(); }

    // Resets page `index` to "no table". Out-of-range indexes are ignored.
    void clearPage(int index);
    // Stores a built grid and its page-pixel geometry for page `index`; `joined` tells whether
    // it was built with wrapped lines joined.
    void storePage(int index, const GridBuild& build, bool joined = false);

    QVector<QString> pageOutputs;
    QVector<QRectF> pageRects;
    QVector<QVector<QRectF>> pageLines;
    QVector<PageGrid> pageGrids;
    QVector<bool> pageJoined; // the grid was built with wrapped lines joined
};

// Extracts the current page with the drawn table (what the window does after every edit):
// a table without area clears the page; otherwise its grid is built and stored. Returns the
// grid to show, or nullptr when the page has no entry in the texts or the store (nothing done)
// or no table (page cleared). With `joinRules` given, wrapped lines are joined into their rows
// (buildJoinedPageGrid with these rules of the page).
const PageGrid* updatePage(PageStore& store, const QVector<PageText>& pageTexts, int index,
                           const QRectF& canvasRect, const QVector<QRectF>& canvasLines, float zoomFactor,
                           const QVector<PageRule>* joinRules = nullptr);

// The rules of page `index` when its wrapped lines are to be joined, else nullptr.
using JoinRulesOf = std::function<const QVector<PageRule>*(int index)>;

// Before a save: every page with a table whose grid was built the other way than `joinRulesOf`
// asks for now (joined where it gives rules) is built again from its stored geometry. When no
// page was ever joined and none is to be, nothing changes.
void rebuildForJoining(PageStore& store, const QVector<PageText>& pageTexts, const JoinRulesOf& joinRulesOf);

// "Apply to All": the drawn table applied to every page that has text and store entries.
// Without a table only the current page (`currentIndex`) is cleared.
void applyToAllPages(PageStore& store, const QVector<PageText>& pageTexts, int currentIndex,
                     const QRectF& canvasRect, const QVector<QRectF>& canvasLines, float zoomFactor,
                     const JoinRulesOf& joinRulesOf = {});
