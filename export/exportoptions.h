#pragma once

// What every file writer of the save takes and gives: how cells are written and how a save
// ended. Kept below the writers and the save that picks one of them.

#include <QString>

#include <atomic>

// How cells are written. The defaults give the files as they always were: every cell a text.
struct ExportOptions {
    // A cell whose whole text is a written number (see writtennumber.h) becomes a numeric cell
    // with a number format that shows it as written; spreadsheets only, the CSV stays text.
    bool numbersAsNumbers = false;
    // When set and turned true (a signal), the save stops: a regular file keeps its old
    // content, a pipe gets no more bytes, and the save fails as interrupted.
    const std::atomic<bool>* interrupted = nullptr;
};

struct SaveResult {
    bool ok = false;
    QString error; // why the file could not be written, for the user
};
