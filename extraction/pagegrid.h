#pragma once

#include "protocol/subtext.h"

#include <QRectF>
#include <QStringList>
#include <QVector>

// The grid of one page's table: rows × columns cell texts, row-major. Rows come from the
// vertical bands of the runs inside the table, columns from the drawn lines (lines + 1).
// Every non-empty cell text ends with one blank (each run's text is followed by one).
struct PageGrid {
    int rows = 0;
    int columns = 1;
    QStringList cells;

    const QString& cell(int row, int column) const { return cells.at(row * columns + column); }

    // Text form: per row, each cell in double quotes, joined by ",", the row closed by "\n".
    // Nothing inside a cell is escaped. No rows give the empty string.
    QString gridText() const;

    bool operator==(const PageGrid&) const = default;
};

// What one grid build gives back: the grid, and the geometry it used in page pixels.
struct GridBuild {
    PageGrid grid;
    QRectF pageRect;
    QVector<QRectF> pageLines;
};

// Builds the grid of a page from its runs and the table drawn on the canvas (canvas pixels at
// zoomFactor). The rectangle must have a non-zero width and height; a negative width or
// height (an edge dragged past the opposite one) is used in its normalized form.
GridBuild buildPageGrid(const QVector<Subtext>& runs, const QRectF& canvasRect,
                        const QVector<QRectF>& canvasLines, float zoomFactor);
