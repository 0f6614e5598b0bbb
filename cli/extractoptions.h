#pragma once

// Command line of zq-extract: which PDF, which table geometry on which pages, which output.

#include "export/tableexport.h"
#include "extraction/layoutfile.h"
#include "extraction/textrecognition.h"

#include <QRectF>
#include <QString>
#include <QStringList>
#include <QVector>

#include <optional>

// Exit codes of zq-extract.
enum class ExtractExit : int {
    Written = 0,
    BadArguments = 1,
    Unreadable = 2,      // the PDF cannot be read or has no pages
    CannotWrite = 3,     // the output cannot be written (a previous file stays intact)
    TemporaryFolder = 4, // no temporary folder, or it filled up or cannot be written
    Interrupted = 130,
};

struct PageTable {
    int page = 0; // 1-based
    TableGeometry geometry;
    bool joinLines = false; // the layout file's "join_lines"
};

// Many PDFs in one call. Each PDF is extracted by a child zq-extract of its own into a private
// folder; its output is named after the PDF inside the output folder (-o).
struct BatchOptions {
    QStringList inputs;     // PDFs named on the command line
    QString folder;         // -b: every .pdf directly in this folder
    QString format = "xls"; // --format: a name of batchFormats()
    int jobs = 0;           // -j: PDFs at a time; 0 = one per core
    int shardIndex = 0;     // --shard I/N: only inputs i (in name order) with i % N == I
    int shardCount = 1;
    double timeoutSeconds = 0; // --timeout: per PDF; 0 = no limit
};

struct ExtractOptions {
    QString input;
    QString output;
    std::optional<TableGeometry> geometry; // -a with -c
    QString pages = "all";                 // -p
    QString templatePath;                  // -t
    std::optional<BatchOptions> batch;     // several inputs, -b, --format, -j or --shard
    ExportOptions exportOptions;           // --numbers
    bool joinLines = false;                // --join-lines: on every page
    bool guessColumns = false;             // -c auto: columns guessed inside -a on every page
    bool guessTables = false;              // -g: the largest table found on each page
    bool printLayout = false;              // --print-layout: the geometry used, to stdout
    int pageTimeout = 60;                  // --page-timeout, seconds a page may take to render
    TextRecognition::Mode recognition = TextRecognition::Mode::Off; // --ocr, --ocr=force
    QString recognitionLanguages; // --ocr-lang; empty: the converter's default
    bool help = false;
    bool version = false;
};

struct ParsedArguments {
    ExtractOptions options;
    QString error; // empty when the arguments are usable
};

ParsedArguments parseExtractArguments(const QStringList& arguments);

QString extractUsage();

// The output types of a batch: the --format name and the suffix its files get.
struct BatchFormat {
    QString name;
    QString suffix; // with the dot
};
const QVector<BatchFormat>& batchFormats();

// "all" or a list such as "1-3,7" → the pages in ascending order without repeats.
// A page past `pageCount`, a reversed range, 0 or junk gives nullopt and an error text.
std::optional<QVector<int>> parsePageList(const QString& list, int pageCount, QString* error);

// The most column separators a table may have for `output`: one less than the columns an
// .xls sheet holds, or than a spreadsheet program opens from a CSV file.
int maxColumnSeparators(const QString& output);

// {"pages": [{"page": 1, "area": [top, left, bottom, right], "columns": [x, …]}, …]}
// (see layoutfile.h), at most `maxColumns` separators an entry.
std::optional<QVector<LayoutEntry>> readTemplate(const QString& path, int maxColumns, QString* error);

// The template's entries put on a document of `pageCount` pages: one table per page an entry
// names, in page order, later entries overriding earlier ones. A page past the end is refused.
std::optional<QVector<PageTable>> templateTables(const QVector<LayoutEntry>& entries, int pageCount,
                                                 QString* error);
