#pragma once

// One zq-extract run: convert the PDF with our converter into a private temporary folder,
// read every page's text, put the table geometry on the chosen pages the way the window's
// "Apply to All" does, and save through the window's own export code.

#include "extractoptions.h"

#include <QString>
#include <QTextStream>

#include <atomic>

class ExtractJob {
public:
    // `converterDir` holds Qtmingw.dll (the tool's own folder). `interrupted` is polled while
    // the converter runs; when it turns true the converter is stopped and the run ends.
    ExtractJob(QString converterDir, const std::atomic<bool>& interrupted, QTextStream& err);

    ExtractExit run(const ExtractOptions& options);

private:
    bool convert(const QString& input, const QString& folder, ExtractExit* exit);

    QString converterDir_;
    const std::atomic<bool>& interrupted_;
    QTextStream& err_;
};
