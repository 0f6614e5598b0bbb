#pragma once

// Command line of zq-extract: which PDF, which table geometry on which pages, which output.

#include <QRectF>
#include <QString>
#include <QStringList>
#include <QVector>

#include <optional>

// Exit codes of zq-extract.
enum class ExtractExit : int {
    Written = 0,
    BadArguments = 1,
    Unreadable = 2,    // the PDF cannot be read or has no pages
    CannotWrite = 3,   // the output cannot be written (a previous file stays intact)
    TemporaryFolder = 4, // no temporary folder, or it filled up or cannot be written
    Interrupted = 130,
};

// A table outline and its column separators in PDF points, measured from the top-left
// corner of the page as displayed (after its rotation).
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
};

struct PageTable {
    int page = 0;  // 1-based
    TableGeometry geometry;
};

struct ExtractOptions {
    QString input;
    QString output;
    std::optional<TableGeometry> geometry;  // -a with -c
    QString pages = "all";                  // -p
    QString templatePath;                   // -t
    int pageTimeout = 60;                   // --page-timeout, seconds a page may take to render
    bool help = false;
    bool version = false;
};

struct ParsedArguments {
    ExtractOptions options;
    QString error;  // empty when the arguments are usable
};

ParsedArguments parseExtractArguments(const QStringList& arguments);

QString extractUsage();

// "all" or a list such as "1-3,7" → the pages in ascending order without repeats.
// A page past `pageCount`, a reversed range, 0 or junk gives nullopt and an error text.
std::optional<QVector<int>> parsePageList(const QString& list, int pageCount, QString* error);

// {"pages": [{"page": 1, "area": [top, left, bottom, right], "columns": [x, …]}, …]}
std::optional<QVector<PageTable>> readTemplate(const QString& path, QString* error);
