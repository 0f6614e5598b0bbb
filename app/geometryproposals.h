#pragma once

// The window's proposed geometry ("Guess columns", "Find table"): what the actions put on a
// page, in page pixels, computed from the page's words and rules. No widgets: the window
// installs the result on its canvas in one step.

#include "extraction/pagerules.h"
#include "extraction/tablefinder.h"
#include "protocol/subtext.h"

#include <QRectF>
#include <QString>
#include <QVector>

#include <map>

// A table to install on a page: its rectangle and column lines in page pixels, each line as
// the canvas keeps them (x, the rectangle's top, width 0, the rectangle's height).
struct ProposedGeometry {
    QRectF rect;
    QVector<QRectF> lines;

    bool operator==(const ProposedGeometry&) const = default;
};

// Column lines at `columns` (page pixels) across `rect`, on whole pixels as the page store
// keeps them, so the lines shown are the lines extracted.
QVector<QRectF> columnLinesAcross(const QRectF& rect, const QVector<double>& columns);

// "Guess columns": the drawn `rect` with the columns guessed inside it; an empty line list
// when none are found.
ProposedGeometry guessedColumnsGeometry(const QVector<Subtext>& words, const QVector<PageRule>& rules,
                                        const QRectF& rect);

// "Find table": the proposals of each page, found once per page of a document, and which of
// them is shown. Pressing again on a page that still shows the proposal installed last moves
// on to the next one (after the last, back to the first); any other geometry on the page
// (drawn by hand, edited, another page's table) starts again at the first.
class TableProposals {
public:
    // Forgets every page: a document was opened or closed.
    void reset() { pages_.clear(); }

    // The proposals of page `index`, found from its words and rules the first time asked.
    const QVector<TableProposal>& of(int index, const QVector<Subtext>& words, const QVector<PageRule>& rules,
                                     const QSizeF& pageSize);
    bool known(int index) const { return pages_.count(index) != 0; }

    // The number (from 0) of the proposal to show next on page `index` among `count`, where
    // the page shows `shown` (page pixels) now; -1 when `count` is 0.
    int next(int index, int count, const QRectF& shown) const;
    // Records that proposal `number` of page `index` is shown, with the rectangle `rect`.
    void shown(int index, int number, const QRectF& rect);

private:
    struct Page {
        QVector<TableProposal> proposals;
        int shownNumber = -1;
        QRectF shownRect;
    };
    std::map<int, Page> pages_;
};
