#include "extractjob.h"

#include "converter.h"
#include "pagefiles.h"
#include "pagerulescache.h"
#include "pagestore.h"
#include "pagetext.h"
#include "tableexport.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <unistd.h>

ExtractJob::ExtractJob(QString converterDir, const std::atomic<bool>& interrupted, QTextStream& err)
    : converterDir_(std::move(converterDir)), interrupted_(interrupted), err_(err)
{
}

bool ExtractJob::convert(const QString& input, const QString& folder, ExtractExit* exit)
{
    const ConverterCommand command = ConverterCommand::make(converterDir_, input, folder);
    QProcess process;
    process.setProcessChannelMode(QProcess::SeparateChannels);
    process.start(command.program, command.arguments);
    if (!process.waitForStarted()) {
        err_ << "zq-extract: cannot start the converter " << command.program << ": "
             << process.errorString() << Qt::endl;
        *exit = ExtractExit::Unreadable;
        return false;
    }
    const bool showProgress = isatty(STDERR_FILENO);
    int shown = -1;
    while (!process.waitForFinished(100)) {
        if (interrupted_) {
            process.kill();
            process.waitForFinished();
            *exit = ExtractExit::Interrupted;
            return false;
        }
        if (showProgress) {
            int done = 0;
            while (QFile::exists(PageFiles::textPath(folder, done + 1)))
                ++done;
            if (done != shown) {
                err_ << "\rConverting pages: " << done << " done" << Qt::flush;
                shown = done;
            }
        }
    }
    if (showProgress && shown >= 0)
        err_ << "\r\x1b[K" << Qt::flush;
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
        const QString reason = QString::fromLocal8Bit(process.readAllStandardError()).trimmed();
        err_ << "zq-extract: " << input << ": "
             << (reason.isEmpty() ? converterExitMessage(process.exitCode()) : reason) << Qt::endl;
        *exit = ExtractExit::Unreadable;
        return false;
    }
    return true;
}

ExtractExit ExtractJob::run(const ExtractOptions& options)
{
    // The page files are private to this run and removed with the folder, also on failure.
    QTemporaryDir work(QDir::tempPath() + "/zq-extract-XXXXXX");
    if (!work.isValid()) {
        err_ << "zq-extract: cannot create a temporary folder: " << work.errorString() << Qt::endl;
        return ExtractExit::CannotWrite;
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

    ExtractExit exit = ExtractExit::Written;
    if (!convert(options.input, work.path(), &exit))
        return exit;

    const auto info = DocumentInfo::read(PageFiles::documentInfoPath(work.path()));
    int pageCount = PageFiles::countPageImages(work.path(), PageFiles::kMaxPages + 1);
    if (!info || pageCount == 0) {
        err_ << "zq-extract: " << options.input << ": the document has no pages" << Qt::endl;
        return ExtractExit::Unreadable;
    }
    if (pageCount > PageFiles::kMaxPages) {
        err_ << "zq-extract: warning: the document has " << info->pageCount << " pages; only the first "
             << PageFiles::kMaxPages << " are extracted" << Qt::endl;
        pageCount = PageFiles::kMaxPages;
    }

    if (options.geometry) {
        QString error;
        const auto pages = parsePageList(options.pages, pageCount, &error);
        if (!pages) {
            err_ << "zq-extract: " << error << "\n\n" << extractUsage() << Qt::flush;
            return ExtractExit::BadArguments;
        }
        for (int page : *pages)
            tables.append({page, *options.geometry, false});
    } else {
        QString error;
        const auto pages = templateTables(layout, pageCount, &error);
        if (!pages) {
            err_ << "zq-extract: " << error << Qt::endl;
            return ExtractExit::BadArguments;
        }
        tables = *pages;
    }

    QVector<PageText> pageTexts;
    pageTexts.reserve(pageCount);
    for (int page = 1; page <= pageCount; ++page) {
        QFile file(PageFiles::textPath(work.path(), page));
        const QByteArray bytes = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
        pageTexts.append(PageTextParser::getTextPosition(PageTextParser::decodePageBytes(bytes)));
    }

    PageStore store;
    store.reset(pageCount);
    PageRulesCache rules;
    rules.reset(work.path());
    const auto warn = [this](const QString& message) { err_ << "zq-extract: warning: " << message << Qt::endl; };
    for (const PageTable& table : tables) {
        const int index = table.page - 1;
        const double s = info->pages.value(index).pixelsPerPoint();
        const QVector<PageRule>* joinRules =
            options.joinLines || table.joinLines ? &rules.rules(index, pageTexts[index].runs, warn) : nullptr;
        updatePage(store, pageTexts, index, table.geometry.canvasRect(s), table.geometry.canvasLines(s), 1.0f,
                   joinRules);
    }

    const SaveResult saved = saveTables(options.output, store.pageGrids, options.exportOptions);
    if (!saved.ok) {
        err_ << "zq-extract: cannot write " << options.output << ": " << saved.error << Qt::endl;
        return ExtractExit::CannotWrite;
    }
    return ExtractExit::Written;
}
