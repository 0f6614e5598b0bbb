#pragma once

#include "extraction/textrecognition.h"
#include "loading/privatefolder.h"
#include "protocol/converter.h"
#include "protocol/pagefiles.h"
#include "protocol/pagetext.h"

#include <QObject>
#include <QProcess>
#include <QSet>
#include <QString>
#include <QTimer>
#include <QVector>

#include <memory>

// A document loaded completely: every page of text.xml has its image and its text, and the
// texts of the pages handled (at most PageFiles::kMaxPages) are read. It owns the private
// folder holding the page files; the folder goes with it.
struct LoadedDocument {
    QString pdfPath;
    std::unique_ptr<PrivateFolder> folder;
    DocumentInfo info;       // every page of the PDF
    QVector<PageText> texts; // index = page number − 1, for the pages handled
    int pageCount() const { return int(texts.size()); }

    QString folderPath() const { return folder ? folder->path() : QString(); }
};

// Why a load failed, for the callers that tell causes apart (zq-extract's exit codes).
enum class LoadFailure {
    None,
    Document,        // the PDF cannot be read, or the converter did not convert it fully
    TemporaryFolder, // the private folder cannot be made, or filled up / cannot be written
    Timeout,         // a page was not rendered within the time budget
};

// Loads one PDF: runs our converter into a new private folder, follows its progress, checks
// what it wrote and reads the page texts, then reports exactly one outcome through
// finished(): complete, failed (with the reason the user sees) or cancelled. A crash, a kill,
// a non-zero exit, a missing or inconsistent text.xml or a missing page file is a failure,
// never a shorter document.
//
// The loader owns the converter process and the private folder until the document is taken:
// destroying it, cancelling or failing stops the one and removes the other. The converter is
// killed when this process dies, even by SIGKILL.
class DocumentLoader : public QObject {
    Q_OBJECT

public:
    enum class Outcome { Complete, Failed, Cancelled };
    Q_ENUM(Outcome)
    // Converting: the converter runs; Reading: it ended well and the page texts are read.
    enum class Stage { Idle, Converting, Reading };
    Q_ENUM(Stage)

    // `converterDir` holds Qtmingw.dll; private folders are named "<folderPrefix>-XXXXXX".
    DocumentLoader(QString converterDir, QString folderPrefix, QObject* parent = nullptr);
    ~DocumentLoader() override;

    void setConverterDirectory(const QString& folder) { converterDir_ = folder; }
    QString converterDirectory() const { return converterDir_; }
    // Seconds one page may take to render; the converter stops at a page that takes longer.
    void setPageTimeout(int seconds) { pageTimeout_ = seconds; }
    // Text recognition for the loads started from now on: the converter recognises the words
    // of the pages `mode` chooses in `languages` (empty: its default). Off by default.
    void setRecognition(TextRecognition::Mode mode, const QString& languages = {})
    {
        recognition_ = mode;
        languages_ = languages;
    }

    // Starts loading `pdfPath`. A load under way is cancelled first. Fails at once (finished()
    // emitted before start() returns) when no private folder can be made or the converter
    // cannot be started.
    void start(const QString& pdfPath);
    // Ends the load under way as cancelled; nothing happens when none is.
    void cancel();

    bool isRunning() const { return running_; }
    Stage stage() const { return !running_ ? Stage::Idle : converter_ ? Stage::Converting : Stage::Reading; }
    // The converter's command line of the load under way or last started.
    QString commandLine() const { return commandLine_; }
    QString failureReason() const { return failure_; }
    LoadFailure failureKind() const { return failureKind_; }

    // The complete document of the last load (once); empty otherwise.
    LoadedDocument takeDocument() { return std::move(document_); }

signals:
    // Pages finished so far of `total` (0 until the converter has said how many). Lines of the
    // converter's output other than a first "pages N" and then "page K" (K within N) are ignored.
    void progress(int done, int total);
    // Page texts read so far of `total`, once the converter has ended well.
    void readingProgress(int done, int total);
    void finished(DocumentLoader::Outcome outcome);

private:
    void readProgress();
    void converterFinished(int exitCode, QProcess::ExitStatus status);
    void converterError(QProcess::ProcessError error);
    void pageOverdue();
    void checkDocument();
    void readSomePages();
    void fail(LoadFailure kind, const QString& reason);
    void end(Outcome outcome);
    void stopConverter();
    QString stoppedAfter() const;
    QString writeFailure(const QString& detail) const;

    QString converterDir_;
    QString prefix_;
    int pageTimeout_ = kDefaultPageTimeout; // the converter's default
    TextRecognition::Mode recognition_ = TextRecognition::Mode::Off;
    QString languages_;

    bool running_ = false;
    QString pdfPath_;
    QString commandLine_;
    std::unique_ptr<PrivateFolder> folder_;
    QProcess* converter_ = nullptr; // a child, deleted later: it may be inside its own signal
    QByteArray pendingOutput_;
    QString converterErrors_;
    QSet<int> pagesDone_;
    int total_ = 0;
    QTimer watchdog_; // no page finished within the budget
    QTimer reader_;   // reads the page texts a few at a time, so a cancel gets through
    int nextText_ = 0;
    DocumentInfo info_;
    QVector<PageText> texts_;

    LoadedDocument document_;
    QString failure_;
    LoadFailure failureKind_ = LoadFailure::None;
};
