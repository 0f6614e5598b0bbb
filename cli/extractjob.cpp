#include "cli/extractjob.h"

#include "cli/guessedtables.h"
#include "cli/pagetextnotes.h"
#include "export/filesaving.h"
#include "export/tableexport.h"
#include "extraction/pagerulescache.h"
#include "extraction/pagestore.h"
#include "loading/documentloader.h"
#include "protocol/pagetext.h"

#include <QEventLoop>
#include <QFile>
#include <QTimer>

#include <unistd.h>

ExtractJob::ExtractJob(QString converterDir, const std::atomic<bool>& interrupted, QTextStream& err)
    : converterDir_(std::move(converterDir)), interrupted_(interrupted), err_(err)
{
}

ExtractExit ExtractJob::load(const ExtractOptions& options, LoadedDocument* document)
{
    DocumentLoader loader(converterDir_, QStringLiteral("zq-extract"));
    loader.setPageTimeout(options.pageTimeout);
    loader.setRecognition(options.recognition, options.recognitionLanguages);
    QEventLoop loop;
    DocumentLoader::Outcome outcome = DocumentLoader::Outcome::Cancelled;
    QObject::connect(&loader, &DocumentLoader::finished, &loop, [&](DocumentLoader::Outcome o) {
        outcome = o;
        loop.quit();
    });
    const bool showProgress = isatty(STDERR_FILENO);
    int shown = -1;
    QObject::connect(&loader, &DocumentLoader::progress, &loop, [&](int done, int) {
        if (showProgress && done != shown) {
            err_ << "\rConverting pages: " << done << " done" << Qt::flush;
            shown = done;
        }
    });
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (interrupted_)
            loader.cancel();
    });
    poll.start(50);
    loader.start(options.input);
    if (loader.isRunning())
        loop.exec();
    if (showProgress && shown >= 0)
        err_ << "\r\x1b[K" << Qt::flush;

    // Ctrl-C reaches the converter too; its death by that signal is the interrupt's doing.
    if (interrupted_)
        return ExtractExit::Interrupted;
    if (outcome == DocumentLoader::Outcome::Complete) {
        *document = loader.takeDocument();
        return ExtractExit::Written;
    }
    err_ << "zq-extract: " << options.input << ": " << loader.failureReason() << Qt::endl;
    return loader.failureKind() == LoadFailure::TemporaryFolder ? ExtractExit::TemporaryFolder
                                                                : ExtractExit::Unreadable;
}

ExtractExit ExtractJob::run(const ExtractOptions& options)
{
    if (isSameFile(options.input, options.output)) {
        err_ << "zq-extract: the output " << options.output << " is the input file; nothing was written"
             << Qt::endl;
        return ExtractExit::BadArguments;
    }
    QVector<PageTable> tables;
    QVector<LayoutEntry> layout;
    if (!options.templatePath.isEmpty()) {
        QString error;
        auto read = readTemplate(options.templatePath, maxColumnSeparators(options.output), &error);
        if (!read) {
            err_ << "zq-extract: " << error << Qt::endl;
            return ExtractExit::BadArguments;
        }
        layout = *read;
    }

    LoadedDocument document;
    const ExtractExit loaded = load(options, &document);
    if (loaded != ExtractExit::Written)
        return loaded;
    const int pageCount = document.pageCount();
    if (document.info.pageCount > pageCount)
        err_ << "zq-extract: warning: the document has " << document.info.pageCount
             << " pages; only the first " << pageCount << " are extracted" << Qt::endl;
    for (const QString& warning : pagesWithoutTextWarnings(document.texts))
        err_ << "zq-extract: warning: " << warning << Qt::endl;

    PageRulesCache rules;
    rules.reset(document.folderPath());
    const auto warn = [this](const QString& message) {
        err_ << "zq-extract: warning: " << message << Qt::endl;
    };
    GuessedTables guessed(document, rules, warn);
    if (options.geometry || options.guessTables) {
        QString error;
        const auto pages = parsePageList(options.pages, pageCount, &error);
        if (!pages) {
            err_ << "zq-extract: " << error << "\n\n" << extractUsage() << Qt::flush;
            return ExtractExit::BadArguments;
        }
        if (options.guessTables)
            tables = guessed.findLargestTables(*pages, options.joinLines);
        else
            for (int page : *pages)
                tables.append({page, *options.geometry, false});
        if (options.guessColumns)
            guessed.guessColumns(tables);
    } else {
        QString error;
        const auto pages = templateTables(layout, pageCount, &error);
        if (!pages) {
            err_ << "zq-extract: " << error << Qt::endl;
            return ExtractExit::BadArguments;
        }
        tables = *pages;
    }

    const QVector<PageText>& pageTexts = document.texts;
    PageStore store;
    store.reset(pageCount);
    for (const PageTable& table : tables) {
        const int index = table.page - 1;
        const double s = document.info.pages.value(index).pixelsPerPoint();
        const QVector<PageRule>* joinRules =
            options.joinLines || table.joinLines ? &rules.rules(index, pageTexts[index].runs, warn) : nullptr;
        updatePage(store, pageTexts, index, table.geometry.canvasRect(s), table.geometry.canvasLines(s), 1.0f,
                   joinRules);
    }

    if (!options.output.isEmpty()) {
        ExportOptions exportOptions = options.exportOptions;
        exportOptions.interrupted = &interrupted_;
        const SaveResult saved = saveTables(options.output, store.pageGrids, exportOptions);
        // A signal during the save ends it; a regular file keeps what it held before.
        if (interrupted_)
            return ExtractExit::Interrupted;
        if (!saved.ok) {
            err_ << "zq-extract: cannot write " << options.output << ": " << saved.error << Qt::endl;
            return ExtractExit::CannotWrite;
        }
    }
    if (options.printLayout) {
        QFile out;
        if (!out.open(stdout, QIODevice::WriteOnly) ||
            out.write(usedLayout(tables, pageCount, options.joinLines)) < 0 || !out.flush()) {
            err_ << "zq-extract: cannot write the layout to the standard output" << Qt::endl;
            return ExtractExit::CannotWrite;
        }
    }
    return ExtractExit::Written;
}
