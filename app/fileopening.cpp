#include "app/fileopening.h"

#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileInfo>
#include <QMimeData>
#include <QTimer>
#include <QWidget>

#include <algorithm>

namespace {

// Long enough to read; a later message replaces it at once.
constexpr int kStatusTimeout = 15000;

// PDF readers accept the header anywhere in the first kilobyte.
bool startsLikePdf(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) && file.read(1024).contains("%PDF-");
}

bool hasLocalFile(const QMimeData* data)
{
    if (!data || !data->hasUrls())
        return false;
    const QList<QUrl> urls = data->urls();
    return std::any_of(urls.begin(), urls.end(), [](const QUrl& url) { return url.isLocalFile(); });
}

} // namespace

DropDecision decideDrop(const QList<QUrl>& urls)
{
    QString firstRefusal;
    for (const QUrl& url : urls) {
        if (!url.isLocalFile())
            continue;
        const QFileInfo info(url.toLocalFile());
        const QString shown = QDir::toNativeSeparators(info.absoluteFilePath());
        QString refusal;
        if (!info.exists())
            refusal = FileDropOpener::tr("%1 does not exist.").arg(shown);
        else if (info.isDir())
            refusal = FileDropOpener::tr("%1 is a folder, not a PDF.").arg(shown);
        else if (info.suffix().compare(u"pdf", Qt::CaseInsensitive) != 0 && !startsLikePdf(info.filePath()))
            refusal = FileDropOpener::tr("%1 is not a PDF.").arg(shown);
        else
            return {info.absoluteFilePath(), QString()};
        if (firstRefusal.isEmpty())
            firstRefusal = refusal;
    }
    if (firstRefusal.isEmpty())
        firstRefusal = FileDropOpener::tr("Only PDF files can be dropped here.");
    return {QString(), firstRefusal};
}

void openFileAtStart(DocumentOpener& window, const QString& path)
{
    const QFileInfo info(path);
    const QString shown = QDir::toNativeSeparators(info.absoluteFilePath());
    if (!info.exists())
        window.showStatus(FileDropOpener::tr("%1 does not exist.").arg(shown), kStatusTimeout);
    else if (info.isDir())
        window.showStatus(FileDropOpener::tr("%1 is a folder, not a PDF.").arg(shown), kStatusTimeout);
    else
        window.openDocument(info.absoluteFilePath());
}

FileDropOpener::FileDropOpener(QWidget* window, DocumentOpener* opener)
    : QObject(window), window_(window), opener_(opener)
{
    window_->setAcceptDrops(true);
    window_->installEventFilter(this);
}

bool FileDropOpener::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != window_)
        return false;
    switch (event->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove: {
        // Any local file is taken, so that dropping the wrong one can say why nothing opens.
        auto* drag = static_cast<QDragMoveEvent*>(event);
        if (hasLocalFile(drag->mimeData()) && !opener_->isLoading())
            drag->acceptProposedAction();
        else
            drag->ignore();
        return true;
    }
    case QEvent::Drop: {
        auto* drop = static_cast<QDropEvent*>(event);
        const DropDecision decision = decideDrop(drop->mimeData() ? drop->mimeData()->urls() : QList<QUrl>());
        if (decision.pdf.isEmpty() || opener_->isLoading()) {
            drop->ignore();
            if (!decision.message.isEmpty())
                opener_->showStatus(decision.message, kStatusTimeout);
            return true;
        }
        drop->acceptProposedAction();
        // The load runs its own event loop; the drop finishes before it starts.
        QTimer::singleShot(0, window_, [opener = opener_, pdf = decision.pdf] { opener->openDocument(pdf); });
        return true;
    }
    default:
        return false;
    }
}
