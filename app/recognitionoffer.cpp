#include "app/recognitionoffer.h"

#include "app/busyprogress.h"
#include "app/windowdialogs.h"

#include <QCoreApplication>
#include <QProgressDialog>

namespace {

QString tr(const char* text)
{
    return QCoreApplication::translate("ExcelMain", text);
}

} // namespace

namespace NoTextLayer {

QVector<int> pages(const QVector<PageText>& texts)
{
    QVector<int> pages;
    for (int i = 0; i < texts.size(); ++i)
        if (texts[i].runs.isEmpty() && !texts[i].recognised)
            pages.append(i + 1);
    return pages;
}

QString question(const QVector<int>& pages, int pageCount)
{
    const QString which = pages.size() == 1
                              ? tr("Page %1 has no text layer").arg(pages.first())
                              : tr("%1 of the %2 pages have no text layer").arg(pages.size()).arg(pageCount);
    return which + tr(" (a scanned page, for instance), so no table can be taken from its text.\n\n"
                      "Recognise text from the page images? This may take a while.");
}

QString pageNote(int page, const PageText& text)
{
    if (text.recognised)
        return text.runs.isEmpty() ? tr("Page %1: no text was recognised in the image").arg(page)
                                   : tr("Page %1: text recognised from the image").arg(page);
    return text.runs.isEmpty() ? tr("Page %1 has no text layer").arg(page) : QString();
}

} // namespace NoTextLayer

RecognitionRun::RecognitionRun(QObject* parent)
    : QObject(parent), loader_(QString(), QStringLiteral("zarnich-quorvel"))
{
    // The converter's default languages: English, with the Latin-script data when installed.
    loader_.setRecognition(TextRecognition::Mode::BlankPages);
}

LoadedDocument RecognitionRun::run(const QString& pdfPath, const QString& converterDir, QProgressDialog* busy,
                                   WindowDialogs& dialogs)
{
    failure_.clear();
    busy->setLabelText(tr("Recognising text…"));
    busy->setRange(0, 0);
    busy->setValue(0);
    // Queued, like the load's: a modal progress dialog handles events while it takes a value.
    const auto recognising = connect(
        &loader_, &DocumentLoader::progress, busy,
        [this, busy](int done, int total) {
            if (loader_.isRunning())
                showBusyProgress(busy, BusyStep::Recognising, done, total);
        },
        Qt::QueuedConnection);
    const auto reading = connect(
        &loader_, &DocumentLoader::readingProgress, busy,
        [this, busy](int done, int total) {
            if (loader_.isRunning())
                showBusyProgress(busy, BusyStep::Reading, done, total);
        },
        Qt::QueuedConnection);
    const auto cancel = connect(busy, &QProgressDialog::canceled, &loader_, &DocumentLoader::cancel);
    const auto finished =
        connect(&loader_, &DocumentLoader::finished, busy, [busy](DocumentLoader::Outcome outcome) {
            busy->done(outcome == DocumentLoader::Outcome::Complete ? QDialog::Accepted : QDialog::Rejected);
        });

    loader_.setConverterDirectory(converterDir);
    loader_.start(pdfPath);
    // It may have failed at once (no private folder, no converter).
    if (loader_.isRunning())
        dialogs.runBusy(busy);
    // Still running once the dialog is gone: the user closed it.
    loader_.cancel();
    for (const auto& connection : {recognising, reading, cancel, finished})
        disconnect(connection);
    failure_ = loader_.failureReason();
    return loader_.takeDocument();
}
