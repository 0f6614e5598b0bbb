#pragma once

// One zq-extract run: load the PDF through the document loader (our converter into a private
// temporary folder, every page checked and its text read), put the table geometry on the
// chosen pages the way the window's "Apply to All" does, and save through the window's own
// export code.

#include "cli/extractoptions.h"

#include <QString>
#include <QTextStream>

#include <atomic>

struct LoadedDocument;

class ExtractJob {
public:
    // `converterDir` holds Qtmingw.dll (the tool's own folder). `interrupted` is polled while
    // the document loads; when it turns true the load is cancelled and the run ends as
    // interrupted, however the converter ended.
    ExtractJob(QString converterDir, const std::atomic<bool>& interrupted, QTextStream& err);

    ExtractExit run(const ExtractOptions& options);

private:
    ExtractExit load(const ExtractOptions& options, LoadedDocument* document);

    QString converterDir_;
    const std::atomic<bool>& interrupted_;
    QTextStream& err_;
};
