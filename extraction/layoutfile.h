#pragma once

// Layout files: the table geometry of a document's pages as JSON, the format zq-extract's
// -t reads:
//
//   {"pages": [{"page": 1, "area": [top, left, bottom, right], "columns": [x, ...]}, ...]}
//
// Positions are PDF points from the top-left corner of the page as displayed (after its
// rotation). "columns" may be left out (one column). Unknown keys are ignored.
//
// Reading is a pure function from the file's bytes to plain entries, so hostile files are
// refused early and cheaply: every number is checked for type, range and integrality before
// it is converted, duplicates are found in one pass, and the counts are bounded before
// anything large is built.

#include <QByteArray>
#include <QRectF>
#include <QString>
#include <QVector>

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
// entry) get `geometry`.
struct LayoutEntry {
    int firstPage = 0;
    int lastPage = 0;
    TableGeometry geometry;

    bool operator==(const LayoutEntry&) const = default;
};

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

// Parses a layout file's bytes. A page named twice is refused.
LayoutReadResult parseLayout(const QByteArray& json, const LayoutLimits& limits = {});

// Reads and parses the file at `path`; a file larger than limits.maxBytes is refused
// before it is read. Errors start with the path.
LayoutReadResult readLayoutFile(const QString& path, const LayoutLimits& limits = {});
