#include "converter/documentconverter.h"

#include "converter/pagerecogniser.h"
#include "converter/pagewriter.h"
#include "protocol/pagefiles.h"

#include <QFile>
#include <QFileInfo>
#include <QThread>

#include <poppler-qt6.h>

#include <algorithm>
#include <atomic>
#include <mutex>
#include <thread>

DocumentConverter::DocumentConverter(const QString& pdfPath, const QString& infoPath, int pageTimeout,
                                     Progress onProgress)
    : pdfPath_(pdfPath), infoPath_(infoPath), folder_(QFileInfo(infoPath).path()), pageTimeout_(pageTimeout),
      onProgress_(std::move(onProgress))
{
}

DocumentConverter::~DocumentConverter() = default;

void DocumentConverter::setRecognition(TextRecognition::Mode mode, const QString& languages)
{
    recognition_ = mode;
    languages_ = languages.isEmpty() ? TextRecognition::defaultLanguages() : languages;
}

ConverterExit DocumentConverter::run()
{

    // Writing text.xml over the document would destroy it.
    const QString pdf = QFileInfo(pdfPath_).canonicalFilePath();
    if (!pdf.isEmpty() && pdf == QFileInfo(infoPath_).canonicalFilePath())
        return fail(ConverterExit::BadArguments, QStringLiteral("the output file is the document itself"));

    ConverterExit result = checkLanguages();
    if (result == ConverterExit::Success)
        result = open();
    if (result == ConverterExit::Success)
        result = checkFolder();
    if (result == ConverterExit::Success)
        result = convertPages();
    if (result != ConverterExit::Success) {
        removePageFilesFrom(folder_, 1, pageCount_);
        QFile::remove(infoPath_);
    }
    return result;
}

ConverterExit DocumentConverter::fail(ConverterExit code, const QString& detail)
{
    // The detail names the page, which says it all.
    if (code == ConverterExit::PageTimeout) {
        failure_ = detail;
        return code;
    }
    failure_ = QStringLiteral("Cannot convert \"%1\": %2").arg(pdfPath_, converterExitMessage(int(code)));
    if (!detail.isEmpty())
        failure_ += " (" + detail + ')';
    return code;
}

std::unique_ptr<Poppler::Document> DocumentConverter::load() const
{
    std::unique_ptr<Poppler::Document> document = Poppler::Document::load(pdfPath_);
    if (document) {
        document->setRenderHint(Poppler::Document::Antialiasing);
        document->setRenderHint(Poppler::Document::TextAntialiasing);
        // Table rules a fraction of a pixel wide stay visible at screen resolution.
        document->setRenderHint(Poppler::Document::ThinLineSolid);
    }
    return document;
}

ConverterExit DocumentConverter::checkLanguages()
{
    if (recognition_ == TextRecognition::Mode::Off)
        return ConverterExit::Success;
    QString error;
    languages_ = TextRecognition::resolveLanguages(languages_, &error);
    return languages_.isEmpty() ? fail(ConverterExit::NoRecognition, error) : ConverterExit::Success;
}

ConverterExit DocumentConverter::open()
{
    const QFileInfo info(pdfPath_);
    if (!info.exists())
        return fail(ConverterExit::CannotOpen, QStringLiteral("no such file"));
    if (info.isDir())
        return fail(ConverterExit::CannotOpen, QStringLiteral("it is a folder"));
    QFile file(pdfPath_);
    if (!file.open(QIODevice::ReadOnly))
        return fail(ConverterExit::CannotOpen, file.errorString());
    if (file.size() == 0)
        return fail(ConverterExit::NotAPdf, QStringLiteral("the file is empty"));
    file.close();

    std::unique_ptr<Poppler::Document> document = load();
    if (!document)
        return fail(ConverterExit::NotAPdf, {});
    if (document->isLocked())
        return fail(ConverterExit::Locked, {});
    pageCount_ = document->numPages();
    if (pageCount_ <= 0)
        return fail(ConverterExit::NoPages, {});
    documents_.push_back(std::move(document));
    return ConverterExit::Success;
}

ConverterExit DocumentConverter::checkFolder()
{
    const QFileInfo folder(folder_);
    if (!folder.isDir())
        return fail(ConverterExit::CannotWrite, QStringLiteral("no folder \"%1\"").arg(folder_));
    if (!folder.isWritable())
        return fail(ConverterExit::CannotWrite, QStringLiteral("\"%1\" is not writable").arg(folder_));
    return ConverterExit::Success;
}

ConverterExit DocumentConverter::convertPages()
{
    const int threads = std::clamp(QThread::idealThreadCount(), 1, pageCount_);
    while (int(documents_.size()) < threads) {
        std::unique_ptr<Poppler::Document> copy = load();
        if (!copy)
            break;
        documents_.push_back(std::move(copy));
    }

    std::vector<PageInfo> pages(pageCount_); // each thread fills the entries of its pages
    std::atomic<int> nextPage = 1;
    std::atomic<bool> stop = false; // the first failure ends every thread's work
    std::mutex failureMutex;
    ConverterExit failure = ConverterExit::Success;
    QString failureDetail;
    auto failWith = [&](ConverterExit code, const QString& detail) {
        const std::lock_guard lock(failureMutex);
        if (!stop.exchange(true)) {
            failure = code;
            failureDetail = detail;
        }
    };
    if (onProgress_)
        onProgress_(pageCount_, 0);
    std::mutex progressMutex;

    auto work = [&](const Poppler::Document& document) {
        std::unique_ptr<PageRecogniser> recogniser; // loaded at this thread's first page to recognise
        for (int number = nextPage++; number <= pageCount_ && !stop; number = nextPage++) {
            const RenderLimit limit{QDeadlineTimer(std::chrono::seconds(pageTimeout_)), &stop};
            RenderedPage page = renderPage(document, number, limit);
            if (!page.aborted &&
                (recognition_ == TextRecognition::Mode::EveryPage ||
                 (recognition_ == TextRecognition::Mode::BlankPages && page.lines.empty()))) {
                if (!recogniser)
                    recogniser = std::make_unique<PageRecogniser>(TextRecognition::dataFolder(), languages_);
                if (!recogniser->isReady()) {
                    failWith(ConverterExit::NoRecognition,
                             QStringLiteral("Tesseract cannot load the languages %1").arg(languages_));
                    return;
                }
                bool overdue = false;
                page.lines = recognisePage(document, number, *recogniser, limit, &overdue);
                if (stop)
                    return;
                page.recognised = true;
            }
            if (page.aborted) {
                if (!stop)
                    failWith(ConverterExit::PageTimeout,
                             QStringLiteral("Page %1 could not be rendered within %2 s")
                                 .arg(number)
                                 .arg(pageTimeout_));
                return;
            }
            QString error;
            if (!writePageFiles(page, folder_, &error)) {
                failWith(ConverterExit::CannotWrite, error);
                return;
            }
            pages[number - 1] = {number, page.pointSize.width(), page.pointSize.height(), page.image.width(),
                                 page.image.height()};
            if (onProgress_) {
                const std::lock_guard lock(progressMutex);
                onProgress_(pageCount_, number);
            }
        }
    };
    {
        std::vector<std::jthread> workers;
        for (const auto& document : documents_)
            workers.emplace_back(work, std::cref(*document));
    }

    if (failure != ConverterExit::Success)
        return fail(failure, failureDetail);
    removePageFilesFrom(folder_, pageCount_ + 1);
    DocumentInfo info;
    info.pageCount = pageCount_;
    info.pages = QVector<PageInfo>(pages.begin(), pages.end());
    if (!info.write(infoPath_))
        return fail(ConverterExit::CannotWrite, QStringLiteral("cannot write \"%1\"").arg(infoPath_));
    return ConverterExit::Success;
}
