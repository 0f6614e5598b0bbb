#pragma once

// zq-extract's guessed geometry: columns guessed inside a given area (-c auto), the largest
// table found on each page (-g), and the geometry used written as a layout (--print-layout).

#include "cli/extractoptions.h"
#include "extraction/pagerulescache.h"

#include <QByteArray>
#include <QVector>

#include <functional>

struct LoadedDocument;

class GuessedTables {
public:
    using Warn = PageRulesCache::Warn;

    // `rules` finds the page rules of `document` (reset to its folder by the caller).
    GuessedTables(const LoadedDocument& document, PageRulesCache& rules, Warn warn);

    // Each table's columns replaced by the ones guessed inside its area on its page.
    void guessColumns(QVector<PageTable>& tables);

    // On each of `pages` (1-based) the proposal of findTables() whose grid has the most cells
    // (the first of equal ones), with its guessed columns; a page without one gets no table.
    // `joinLines` builds the grids the way the output will (wrapped lines joined).
    QVector<PageTable> findLargestTables(const QVector<int>& pages, bool joinLines);

private:
    const QVector<PageRule>& rulesOf(int index);

    const LoadedDocument& document_;
    PageRulesCache& rules_;
    Warn warn_;
};

// The layout file of the tables used, one entry per page (runs of equal pages together), as
// "Save layout…" writes it; `joinLines` marks every entry as joined.
QByteArray usedLayout(const QVector<PageTable>& tables, int pageCount, bool joinLines);
