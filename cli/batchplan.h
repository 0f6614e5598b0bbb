#pragma once

// Which PDFs a batch of zq-extract extracts, in which order, and what each output is called.
// Plain lists in, plain lists out; only listPdfs() looks at the disk.

#include <QString>
#include <QStringList>
#include <QVector>

#include <optional>

struct BatchItem {
    QString input;      // the PDF as the user named it (folder joined for -b)
    QString outputName; // the file name in the output folder
};

// "statement-2026-11.pdf" with ".xls" → "statement-2026-11.xls". Only a final ".pdf" (in any
// case) is dropped: "scan" → "scan.xls", "a.b.PDF" → "a.b.xls". So an output never has the
// name of an input, and writing a batch into its input folder replaces no PDF.
QString batchOutputName(const QString& input, const QString& suffix);

// The files ending in .pdf (any case) directly in `folder`, not in its sub-folders, joined to
// `folder` as given. nullopt with a reason when the folder cannot be listed.
std::optional<QStringList> listPdfs(const QString& folder, QString* error);

// Orders `inputs` by file name (byte order of UTF-16, so every machine agrees), refuses two
// inputs that would give the same output name, then keeps the items i with
// i % shardCount == shardIndex. The shards 0 … shardCount − 1 together hold every input once.
std::optional<QVector<BatchItem>> planBatch(const QStringList& inputs, const QString& suffix, int shardIndex,
                                            int shardCount, QString* error);
