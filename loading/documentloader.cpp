#include "loading/documentloader.h"

#include "protocol/converter.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStorageInfo>

#include <csignal>
#include <cstring>
#include <sys/prctl.h>
#include <unistd.h>

namespace {

// Page texts read per turn of the event loop while checking a finished conversion.
constexpr int kTextsPerTurn = 16;
// The converter's own page budget comes first; from outside it gets this much longer.
constexpr int kWatchdogGraceMs = 3000;
// Longer output without a line end is no progress line.
constexpr qsizetype kMaxProgressLine = 4096;

QString signalName(int signal)
{
    const char* name = strsignal(signal);
    return name ? QString::fromLocal8Bit(name) : QString::number(signal);
}

} // namespace

DocumentLoader::DocumentLoader(QString converterDir, QString folderPrefix, QObject* parent)
    : QObject(parent), converterDir_(std::move(converterDir)), prefix_(std::move(folderPrefix))
{
    watchdog_.setSingleShot(true);
    connect(&watchdog_, &QTimer::timeout, this, &DocumentLoader::pageOverdue);
    reader_.setInterval(0);
    connect(&reader_, &QTimer::timeout, this, &DocumentLoader::readSomePages);
}

DocumentLoader::~DocumentLoader()
{
    // The converter must not outlive the folder it writes into.
    stopConverter();
}

void DocumentLoader::start(const QString& pdfPath)
{
    cancel();
    document_ = {};
    failure_.clear();
    failureKind_ = LoadFailure::None;
    pdfPath_ = pdfPath;
    pagesDone_.clear();
    total_ = 0;
    pendingOutput_.clear();
    converterErrors_.clear();
    nextText_ = 0;
    texts_.clear();
    info_ = {};
    running_ = true;

    commandLine_.clear();
    QString error;
    folder_ = PrivateFolder::create(prefix_, &error);
    if (!folder_) {
        fail(LoadFailure::TemporaryFolder, error);
        return;
    }
    ConverterCommand run = ConverterCommand::make(converterDir_, pdfPath, folder_->path(), pageTimeout_);
    run.arguments << TextRecognition::converterArguments(recognition_, languages_);
    commandLine_ = run.commandLine();

    converter_ = new QProcess(this);
    converter_->setStandardInputFile(QProcess::nullDevice());
    // The converter dies with this process, whatever ends it; a parent gone before the
    // signal was armed is caught by its changed parent id.
    const pid_t parentPid = getpid();
    converter_->setChildProcessModifier([parentPid] {
        prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (getppid() != parentPid)
            _exit(127);
    });
    connect(converter_, &QProcess::readyReadStandardOutput, this, &DocumentLoader::readProgress);
    connect(converter_, &QProcess::readyReadStandardError, this,
            [this] { converterErrors_ += QString::fromLocal8Bit(converter_->readAllStandardError()); });
    connect(converter_, &QProcess::finished, this, &DocumentLoader::converterFinished);
    connect(converter_, &QProcess::errorOccurred, this, &DocumentLoader::converterError);
    watchdog_.start(pageTimeout_ * 1000 + kWatchdogGraceMs);
    converter_->start(run.program, run.arguments);
}

void DocumentLoader::cancel()
{
    if (running_)
        end(Outcome::Cancelled);
}

void DocumentLoader::stopConverter()
{
    watchdog_.stop();
    reader_.stop();
    if (!converter_)
        return;
    converter_->disconnect(this);
    if (converter_->state() != QProcess::NotRunning) {
        converter_->kill();
        converter_->waitForFinished(-1);
    }
    converter_->deleteLater();
    converter_ = nullptr;
}

void DocumentLoader::fail(LoadFailure kind, const QString& reason)
{
    failureKind_ = kind;
    failure_ = reason;
    end(Outcome::Failed);
}

void DocumentLoader::end(Outcome outcome)
{
    stopConverter();
    running_ = false;
    if (outcome == Outcome::Complete) {
        document_.pdfPath = pdfPath_;
        document_.folder = std::move(folder_);
        document_.info = std::move(info_);
        document_.texts = std::move(texts_);
    }
    folder_.reset();
    info_ = {};
    texts_.clear();
    emit finished(outcome);
}

// The converter says "pages N" once it has opened the document and "page K" for every page
// whose two files are written (K within N). Anything else is no progress and is skipped, so
// a converter that says nothing, or something else, still loads.
void DocumentLoader::readProgress()
{
    pendingOutput_ += converter_->readAllStandardOutput();
    // A progress line is short; one that never ends would only grow.
    if (pendingOutput_.size() > kMaxProgressLine && !pendingOutput_.contains('\n'))
        pendingOutput_.clear();
    bool moved = false;
    for (qsizetype end = pendingOutput_.indexOf('\n'); end >= 0; end = pendingOutput_.indexOf('\n')) {
        const QByteArray line = pendingOutput_.left(end).trimmed();
        pendingOutput_.remove(0, end + 1);
        const QList<QByteArray> words = line.split(' ');
        if (words.size() != 2)
            continue;
        bool ok = false;
        const int value = words[1].toInt(&ok);
        if (!ok || value <= 0)
            continue;
        if (words[0] == "pages" && total_ == 0) {
            total_ = value;
            moved = true;
        } else if (words[0] == "page" && value <= total_) {
            pagesDone_.insert(value);
            moved = true;
        }
    }
    if (!moved)
        return;
    watchdog_.start(pageTimeout_ * 1000 + kWatchdogGraceMs);
    emit progress(int(pagesDone_.size()), total_);
}

// "The conversion stopped after 40 of 300 pages: " when the converter had said how many.
QString DocumentLoader::stoppedAfter() const
{
    if (total_ <= 0 || pagesDone_.size() >= total_)
        return QString();
    return tr("The conversion stopped after %1 of %2 pages: ").arg(pagesDone_.size()).arg(total_);
}

QString DocumentLoader::writeFailure(const QString& detail) const
{
    const QString folder = QDir::toNativeSeparators(folder_ ? folder_->temporaryFolder() : QString());
    const QStorageInfo storage(folder_ ? folder_->path() : QString());
    // Less than a page image's worth left: the folder is full, whatever the writer said.
    const bool full = detail.contains(QLatin1String("No space left")) ||
                      (storage.isValid() && storage.bytesAvailable() < 1024 * 1024);
    if (full)
        return tr("No space left in the temporary folder %1").arg(folder);
    return tr("The temporary folder %1 cannot be written: %2").arg(folder, detail);
}

void DocumentLoader::converterError(QProcess::ProcessError error)
{
    // A crash also ends in finished(), where it is handled.
    if (error != QProcess::FailedToStart || !running_)
        return;
    fail(LoadFailure::Document,
         tr("the converter %1 could not be started (%2)")
             .arg(QDir::toNativeSeparators(converter_->program()), converter_->errorString()));
}

void DocumentLoader::pageOverdue()
{
    if (!running_ || !converter_)
        return;
    int page = 1;
    while (pagesDone_.contains(page))
        ++page;
    if (total_ > 0 && page > total_) {
        // Every page is done and the converter still runs: it hangs writing text.xml.
        fail(LoadFailure::Timeout, tr("The converter did not finish within %1 s").arg(pageTimeout_));
        return;
    }
    fail(LoadFailure::Timeout, tr("Page %1 could not be rendered within %2 s").arg(page).arg(pageTimeout_));
}

void DocumentLoader::converterFinished(int exitCode, QProcess::ExitStatus status)
{
    if (!running_)
        return;
    watchdog_.stop();
    readProgress();
    converterErrors_ += QString::fromLocal8Bit(converter_->readAllStandardError());
    QString said = converterErrors_.trimmed();
    said = said.mid(said.lastIndexOf('\n') + 1);
    // The converter names the file first; the caller names it already.
    static const QRegularExpression named(QStringLiteral("^Cannot convert \".*\": "));
    said.remove(named);

    if (status == QProcess::CrashExit) {
        // Qt gives the signal that ended the process as its exit code.
        fail(LoadFailure::Document,
             stoppedAfter() +
                 tr("the converter was stopped by signal %1 (%2)").arg(exitCode).arg(signalName(exitCode)));
        return;
    }
    if (exitCode != 0) {
        const auto code = static_cast<ConverterExit>(exitCode);
        const QString reason = said.isEmpty() ? converterExitMessage(exitCode) : said;
        if (code == ConverterExit::CannotWrite)
            fail(LoadFailure::TemporaryFolder, writeFailure(reason));
        else if (code == ConverterExit::PageTimeout)
            fail(LoadFailure::Timeout, reason);
        else
            fail(LoadFailure::Document, stoppedAfter() + reason);
        return;
    }
    converter_->disconnect(this);
    converter_->deleteLater();
    converter_ = nullptr;
    checkDocument();
}

// After a normal end: text.xml must parse and list pages 1 … N in order, and every page's
// image and text must be there. The texts are then read a few at a time.
void DocumentLoader::checkDocument()
{
    const QString folder = folder_->path();
    const auto info = DocumentInfo::read(PageFiles::documentInfoPath(folder));
    if (!info) {
        fail(LoadFailure::Document,
             tr("the converter ended without a valid description of the document (text.xml)"));
        return;
    }
    if (info->pageCount <= 0) {
        fail(LoadFailure::Document, converterExitMessage(int(ConverterExit::NoPages)));
        return;
    }
    for (int i = 0; i < info->pages.size(); ++i)
        if (info->pages[i].number != i + 1) {
            fail(LoadFailure::Document, tr("the converter's description of the document (text.xml) lists "
                                           "page %1 in place of page %2")
                                            .arg(info->pages[i].number)
                                            .arg(i + 1));
            return;
        }
    if (total_ > 0 && total_ != info->pageCount) {
        fail(LoadFailure::Document,
             tr("the converter reported %1 pages but described %2").arg(total_).arg(info->pageCount));
        return;
    }
    for (int page = 1; page <= info->pageCount; ++page) {
        const bool handled = page <= PageFiles::kMaxPages;
        const PageInfo& expected = info->pages[page - 1];
        const QSize size = PageFiles::pngSize(PageFiles::imagePath(folder, page));
        const bool imageOk = handled ? size == QSize(expected.imageWidth, expected.imageHeight)
                                     : QFile::exists(PageFiles::imagePath(folder, page));
        if (!imageOk || !QFile::exists(PageFiles::textPath(folder, page))) {
            fail(LoadFailure::Document,
                 tr("The conversion is incomplete: the %1 of page %2 of %3 is missing or damaged")
                     .arg(imageOk ? tr("text") : tr("image"))
                     .arg(page)
                     .arg(info->pageCount));
            return;
        }
    }
    info_ = *info;
    texts_.reserve(std::min(info_.pageCount, PageFiles::kMaxPages));
    reader_.start();
}

void DocumentLoader::readSomePages()
{
    const int handled = std::min(info_.pageCount, PageFiles::kMaxPages);
    for (int n = 0; n < kTextsPerTurn && nextText_ < handled; ++n) {
        const int page = ++nextText_;
        QFile file(PageFiles::textPath(folder_->path(), page));
        if (!file.open(QIODevice::ReadOnly)) {
            fail(LoadFailure::Document,
                 tr("the text of page %1 cannot be read: %2").arg(page).arg(file.errorString()));
            return;
        }
        texts_.append(PageTextParser::getTextPosition(PageTextParser::decodePageBytes(file.readAll())));
    }
    emit readingProgress(nextText_, handled);
    // A slot may have cancelled the load.
    if (running_ && nextText_ >= handled)
        end(Outcome::Complete);
}
