#include "cli/batchrun.h"

#include "cli/batchplan.h"

#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <functional>
#include <memory>
#include <vector>

#include <sys/prctl.h>
#include <unistd.h>

namespace {

constexpr int kPollMs = 50;
// How long a child may take to stop its converter and clean up after SIGTERM before its
// whole process group is killed.
constexpr int kGraceMs = 5000;

QString number(double value)
{
    return QString::number(value, 'g', 17);
}

// The single-PDF options that give this batch's table geometry and export options.
QStringList geometryArguments(const ExtractOptions& o)
{
    QStringList args;
    if (!o.templatePath.isEmpty()) {
        args << "-t" << QFileInfo(o.templatePath).absoluteFilePath();
    } else if (o.guessTables) {
        args << "-g";
    } else {
        const TableGeometry& g = *o.geometry;
        args << "-a"
             << QStringList{number(g.top), number(g.left), number(g.bottom), number(g.right)}.join(',');
        QStringList columns;
        for (double x : g.columns)
            columns.append(number(x));
        if (o.guessColumns)
            args << "-c"
                 << "auto";
        else if (!columns.isEmpty())
            args << "-c" << columns.join(',');
    }
    if (o.pages != QLatin1String("all"))
        args << "-p" << o.pages;
    if (o.exportOptions.numbersAsNumbers)
        args << "--numbers";
    args << TextRecognition::converterArguments(o.recognition, o.recognitionLanguages);
    return args;
}

// A child's messages without its "zq-extract: " and its input's name (the batch puts the
// PDF's name as the user gave it in front) and without the usage text after a blank line.
QStringList childMessages(const QByteArray& stderrBytes, const QString& childInput)
{
    QString text = QString::fromLocal8Bit(stderrBytes);
    const qsizetype blank = text.indexOf(QLatin1String("\n\n"));
    if (blank >= 0)
        text.truncate(blank);
    QStringList lines;
    for (QString line : text.split('\n', Qt::SkipEmptyParts)) {
        line = line.trimmed();
        if (line.startsWith(QLatin1String("zq-extract: ")))
            line.remove(0, 12);
        if (line.startsWith(childInput + QLatin1String(": ")))
            line.remove(0, childInput.size() + 2);
        if (!line.isEmpty())
            lines.append(line);
    }
    return lines;
}

ExtractExit exitFromCode(int code)
{
    switch (code) {
    case 0:
        return ExtractExit::Written;
    case 1:
        return ExtractExit::BadArguments;
    case 3:
        return ExtractExit::CannotWrite;
    case 130:
        return ExtractExit::Interrupted;
    default:
        return ExtractExit::Unreadable;
    }
}

QString suffixOf(const QString& format)
{
    for (const BatchFormat& f : batchFormats())
        if (f.name == format)
            return f.suffix;
    return ".xls";
}

struct Job {
    int item = 0;
    QString childInput; // the absolute path handed to the child
    QString privateOutput;
    QString scratchFolder;
    std::unique_ptr<QProcess> process;
    QElapsedTimer clock;
    QElapsedTimer stopClock; // valid once SIGTERM was sent
    bool timedOut = false;
};

void stop(Job& job)
{
    if (!job.stopClock.isValid()) {
        ::kill(static_cast<pid_t>(job.process->processId()), SIGTERM);
        job.stopClock.start();
    } else if (job.stopClock.elapsed() > kGraceMs) {
        const auto pid = static_cast<pid_t>(job.process->processId());
        if (pid > 0) {
            ::kill(-pid, SIGKILL); // the child and its converter
            ::kill(pid, SIGKILL);
        }
    }
}

} // namespace

int exitSeverity(ExtractExit exit)
{
    switch (exit) {
    case ExtractExit::Written:
        return 0;
    case ExtractExit::CannotWrite:
        return 1;
    case ExtractExit::TemporaryFolder:
        return 2;
    case ExtractExit::Unreadable:
        return 3;
    case ExtractExit::BadArguments:
        return 4;
    case ExtractExit::Interrupted:
        return 5;
    }
    return 2;
}

BatchRun::BatchRun(QString program, const std::atomic<bool>& interrupted, QTextStream& err)
    : program_(std::move(program)), interrupted_(interrupted), err_(err)
{
}

ExtractExit BatchRun::run(const ExtractOptions& options)
{
    const BatchOptions& batch = *options.batch;
    auto refuse = [&](ExtractExit exit, const QString& message) {
        err_ << "zq-extract: " << message << Qt::endl;
        return exit;
    };

    // Everything that can be refused for the whole batch is refused before any PDF is touched.
    QStringList inputs = batch.inputs;
    QString error;
    if (!batch.folder.isEmpty()) {
        const auto pdfs = listPdfs(batch.folder, &error);
        if (!pdfs)
            return refuse(ExtractExit::BadArguments, error);
        if (pdfs->isEmpty())
            return refuse(ExtractExit::BadArguments,
                          QStringLiteral("no PDF files in the folder %1").arg(batch.folder));
        inputs = *pdfs;
    }
    const QString suffix = suffixOf(batch.format);
    if (!options.templatePath.isEmpty() &&
        !readTemplate(options.templatePath, maxColumnSeparators("output" + suffix), &error))
        return refuse(ExtractExit::BadArguments, error);
    const auto items = planBatch(inputs, suffix, batch.shardIndex, batch.shardCount, &error);
    if (!items)
        return refuse(ExtractExit::BadArguments, error);

    if (!QDir().mkpath(options.output) || !QFileInfo(options.output).isDir())
        return refuse(ExtractExit::CannotWrite,
                      QStringLiteral("cannot create the output folder %1").arg(options.output));
    const QDir outputDir(options.output);
    // Outputs are written here and renamed into place when complete (same file system).
    QTemporaryDir outputs(outputDir.absoluteFilePath(".zq-extract-XXXXXX"));
    if (!outputs.isValid())
        return refuse(ExtractExit::CannotWrite, QStringLiteral("cannot write into the output folder %1: %2")
                                                    .arg(options.output, outputs.errorString()));
    QTemporaryDir scratch(QDir::tempPath() + "/zq-batch-XXXXXX");
    if (!scratch.isValid())
        return refuse(ExtractExit::CannotWrite,
                      QStringLiteral("cannot create a temporary folder: %1").arg(scratch.errorString()));
    const QStringList geometry = geometryArguments(options);
    const int jobLimit = batch.jobs > 0 ? batch.jobs : std::max(1, QThread::idealThreadCount());
    const bool showProgress = isatty(STDERR_FILENO);
    std::vector<std::unique_ptr<Job>> running;
    int next = 0;
    int written = 0;
    int failed = 0;
    int finished = 0;
    bool stopping = false;
    ExtractExit worst = ExtractExit::Written;
    QEventLoop loop;
    QObject context;
    std::function<void()> sweep;

    auto clearProgress = [&] {
        if (showProgress)
            err_ << "\r\x1b[K" << Qt::flush;
    };
    auto start = [&](int index) {
        auto job = std::make_unique<Job>();
        job->item = index;
        job->childInput = QFileInfo((*items)[index].input).absoluteFilePath();
        job->privateOutput = outputs.filePath((*items)[index].outputName);
        job->scratchFolder = scratch.filePath(QString::number(index));
        QDir().mkpath(job->scratchFolder);
        job->process = std::make_unique<QProcess>();
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("TMPDIR", job->scratchFolder);
        job->process->setProcessEnvironment(environment);
        job->process->setStandardInputFile(QProcess::nullDevice());
        job->process->setStandardOutputFile(QProcess::nullDevice());
        // A process group of its own, so a stuck child is killed with its converter; and
        // stopped when this process dies without cleaning up.
        job->process->setChildProcessModifier([] {
            ::setpgid(0, 0);
            ::prctl(PR_SET_PDEATHSIG, SIGTERM);
        });
        // A finished child is handled at once rather than at the next poll; queued, so that its
        // QProcess is not deleted while it emits.
        QObject::connect(
            job->process.get(), &QProcess::finished, &context, [&] { sweep(); }, Qt::QueuedConnection);
        job->process->start(program_, geometry + QStringList{job->childInput, "-o", job->privateOutput});
        job->clock.start();
        running.push_back(std::move(job));
    };
    auto finish = [&](Job& job) {
        const BatchItem& item = (*items)[job.item];
        QProcess& process = *job.process;
        QStringList messages = childMessages(process.readAllStandardError(), job.childInput);
        ExtractExit exit;
        if (process.error() == QProcess::FailedToStart) {
            exit = ExtractExit::Unreadable;
            messages = {QStringLiteral("cannot start %1: %2").arg(program_, process.errorString())};
        } else if (job.timedOut) {
            exit = ExtractExit::Unreadable;
            messages = {
                QStringLiteral("stopped after the time limit of %1 seconds").arg(batch.timeoutSeconds)};
        } else if (process.exitStatus() == QProcess::CrashExit) {
            exit = ExtractExit::Unreadable;
            messages.append(
                QStringLiteral("the extraction ended abnormally (signal %1)").arg(process.exitCode()));
        } else {
            exit = exitFromCode(process.exitCode());
        }
        if (exit == ExtractExit::Written && !stopping) {
            const QString target = outputDir.absoluteFilePath(item.outputName);
            if (::rename(QFile::encodeName(job.privateOutput).constData(),
                         QFile::encodeName(target).constData()) != 0) {
                exit = ExtractExit::CannotWrite;
                messages.append(QStringLiteral("cannot write %1: %2")
                                    .arg(target, QString::fromLocal8Bit(std::strerror(errno))));
            }
        }
        QFile::remove(job.privateOutput);
        QDir(job.scratchFolder).removeRecursively();
        if (stopping)
            return; // what an interrupted child says is noise; its output is dropped
        ++finished;
        if (exit == ExtractExit::Written)
            ++written;
        else
            ++failed;
        if (exitSeverity(exit) > exitSeverity(worst))
            worst = exit;
        if (!messages.isEmpty()) {
            clearProgress();
            for (const QString& message : messages)
                err_ << "zq-extract: " << item.input << ": " << message << '\n';
            err_.flush();
        }
    };
    sweep = [&] {
        if (interrupted_ && !stopping) {
            stopping = true;
            for (auto& job : running)
                stop(*job);
        }
        for (auto it = running.begin(); it != running.end();) {
            Job& job = **it;
            if (job.process->state() == QProcess::NotRunning) {
                finish(job);
                it = running.erase(it);
                continue;
            }
            if (batch.timeoutSeconds > 0 && job.clock.elapsed() > batch.timeoutSeconds * 1000)
                job.timedOut = true;
            if (job.timedOut || stopping)
                stop(job);
            ++it;
        }
        while (!stopping && static_cast<int>(running.size()) < jobLimit && next < items->size())
            start(next++);
        if (showProgress && !stopping)
            err_ << "\r" << finished << " of " << items->size() << " files done" << Qt::flush;
        if (running.empty() && (stopping || next >= items->size()))
            loop.quit();
    };

    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &context, [&] { sweep(); });
    poll.start(kPollMs);
    QTimer::singleShot(0, &context, [&] { sweep(); });
    loop.exec();
    clearProgress();

    if (stopping) {
        err_ << "zq-extract: interrupted" << Qt::endl;
        err_ << written << " written, " << failed << " failed, " << items->size() - finished << " not done"
             << Qt::endl;
        return ExtractExit::Interrupted;
    }
    err_ << written << " written, " << failed << " failed" << Qt::endl;
    return worst;
}
