#pragma once

// A batch of zq-extract: many PDFs, each extracted by a child zq-extract process of its own
// (the single-PDF tool, so memory per PDF stays what one call needs), `jobs` at a time.
//
// Each child converts in a private temporary folder (its TMPDIR) and writes its output into a
// private folder inside the output folder; only a finished output is renamed to its final
// name, so an interrupted or failed PDF never leaves a half-written file behind. A PDF that
// fails, crashes or runs past the time limit fails alone; the others go on.

#include "cli/extractoptions.h"

#include <QString>
#include <QTextStream>

#include <atomic>

class BatchRun {
public:
    // `program` is the zq-extract executable run for every PDF. `interrupted` is polled;
    // when it turns true every child is stopped and the run ends with Interrupted.
    BatchRun(QString program, const std::atomic<bool>& interrupted, QTextStream& err);

    // `options.batch` must be set. Prints each failure with its PDF's name, then a summary
    // line ("38 written, 2 failed"); returns the worst exit of all PDFs.
    ExtractExit run(const ExtractOptions& options);

private:
    QString program_;
    const std::atomic<bool>& interrupted_;
    QTextStream& err_;
};

// How bad an exit is when a batch reports one for all its PDFs: interrupted, then bad
// arguments, then an unreadable PDF, then an unwritable output, then success.
int exitSeverity(ExtractExit exit);
