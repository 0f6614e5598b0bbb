#pragma once

// Layout files: the table geometry of a document's pages as JSON, the format zq-extract's
// -t reads and the window's "Save layout…" writes:
//
//   {"pages": [{"page": 1, "area": [top, left, bottom, right], "columns": [x, ...],
//               "join_lines": false},
//              {"pages": "2-9", "area": [...]},
//              {"pages": "all", "area": [...]}]}
//
// Positions are PDF points from the top-left corner of the page as displayed (after its
// rotation). An entry names one "page" or a range of "pages" ("2-9", "4", or "all" for every
// page of whichever document the layout is put on); a later entry overrides earlier ones on
// the pages it names. "columns" may be left out (one column), "join_lines" too (false).
// Unknown keys are ignored, so files written by a later version still read.
//
// Reading is a pure function from the file's bytes to plain entries, so hostile files are
// refused early and cheaply: every number is checked for type, range and integrality before
// it is converted, and the counts are bounded before anything large is built.

#include <QByteArray>
#include <QRectF>
#include <QString>
#include <QVector>

#include <limits>
#include <optional>

// A table outline and its column separators in PDF points, measured from the top-left
// corner of the page as displayed.
struct TableGeometry {
    double top = 0;
    double left = 0;
    double bottom = 0;
    double right = 0;
    QVector<double> columns;

    // On a canvas at zoom 1 whose image has `pixelsPerPoint` pixels per point:
    // the rectangle (left·s, top·s, (right − left)·s, (bottom − top)·s), not rounded, and
    // one line (x·s, top·s, 0, (bottom − top)·s) per separator.
    QRectF canvasRect(double pixelsPerPoint) const;
    QVector<QRectF> canvasLines(double pixelsPerPoint) const;

    bool operator==(const TableGeometry&) const = default;
};

// One entry of a layout file: the pages firstPage … lastPage (1-based; equal for a "page"
// entry; lastPage is kThroughLastPage for "all") get `geometry`.
struct LayoutEntry {
    static constexpr int kThroughLastPage = std::numeric_limits<int>::max();

    int firstPage = 0;
    int lastPage = 0;
    TableGeometry geometry;
    bool joinLines = false; // "join_lines": wrapped lines of a cell make one row

    bool operator==(const LayoutEntry&) const = default;
};

// What one page of a document gets from a layout.
struct PageLayout {
    TableGeometry geometry;
    bool joinLines = false;

    bool operator==(const PageLayout&) const = default;
};

// A layout put on a document of `pageCount` pages: pages[p − 1] is what page p gets (the last
// entry naming it wins), nullopt for a page no entry names. `missingPages` are the pages
// entries name past the document's end, ascending, each once.
struct ResolvedLayout {
    QVector<std::optional<PageLayout>> pages;
    QVector<int> missingPages;
};
ResolvedLayout resolveLayout(const QVector<LayoutEntry>& entries, int pageCount);

// The entries that give exactly `pages` (index p − 1 for page p): runs of consecutive pages
// with equal layouts become one "pages": "a-b" entry, single pages a "page" entry.
QVector<LayoutEntry> layoutEntriesForPages(const QVector<std::optional<PageLayout>>& pages);

// "3, 7-9" for the pages {3, 7, 8, 9} (ascending).
QString pageRangesText(const QVector<int>& pages);

// Bounds that keep a hostile file from costing time and memory.
struct LayoutLimits {
    int maxPage = 1999;           // page numbers 1 … maxPage; also the most entries a file holds
    int maxColumns = 16383;       // column separators per entry
    qsizetype maxBytes = 8 << 20; // the file itself
    double maxPosition = 14400;   // points (200 inches, the largest PDF page)
};

struct LayoutReadResult {
    QVector<LayoutEntry> entries; // in file order
    QString error;                // empty when the file is usable; names the entry and the key

    bool ok() const { return error.isEmpty(); }
};

// "the area starts outside the page", "the area is empty or reversed …" or empty when the
// outline is usable.
QString tableAreaError(const TableGeometry& geometry);

// Parses a layout file's bytes.
LayoutReadResult parseLayout(const QByteArray& json, const LayoutLimits& limits = {});

// Reads and parses the file at `path`; a file larger than limits.maxBytes is refused
// before it is read. Errors start with the path.
LayoutReadResult readLayoutFile(const QString& path, const LayoutLimits& limits = {});

// The file "Save layout…" writes: one entry per element of `entries`, every key given
// ("page" or "pages", "area", "columns", "join_lines"), numbers in their shortest exact form.
QByteArray layoutJson(const QVector<LayoutEntry>& entries);

// Writes layoutJson(entries) to `path` through a temporary file renamed into place, so an
// existing file stays as it was when the write fails. Empty on success, else why.
QString writeLayoutFile(const QString& path, const QVector<LayoutEntry>& entries);
