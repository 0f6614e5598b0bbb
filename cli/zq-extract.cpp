// zq-extract: the window's table extraction from the command line, for batch work.
#include "cli/batchrun.h"
#include "cli/extractjob.h"
#include "cli/extractoptions.h"

#include <QCoreApplication>
#include <QTextStream>

#include <atomic>
#include <csignal>
#include <cstdio>

namespace {
std::atomic<bool> g_interrupted{false};

void onInterrupt(int)
{
    g_interrupted = true;
}

void installInterruptHandlers()
{
    struct sigaction action = {};
    action.sa_handler = onInterrupt;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGHUP, &action, nullptr);
}
} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationVersion(QStringLiteral("2.0"));
    QTextStream out(stdout);
    QTextStream err(stderr);

    const ParsedArguments parsed = parseExtractArguments(app.arguments().mid(1));
    if (!parsed.error.isEmpty()) {
        err << "zq-extract: " << parsed.error << "\n\n" << extractUsage() << Qt::flush;
        return static_cast<int>(ExtractExit::BadArguments);
    }
    if (parsed.options.help) {
        out << extractUsage() << Qt::flush;
        return 0;
    }
    if (parsed.options.version) {
        out << "zq-extract " << QCoreApplication::applicationVersion() << Qt::endl;
        return 0;
    }

    // A missing language is known before any PDF is touched.
    if (parsed.options.recognition != TextRecognition::Mode::Off) {
        QString error;
        const QString languages = parsed.options.recognitionLanguages;
        if (TextRecognition::resolveLanguages(
                languages.isEmpty() ? TextRecognition::defaultLanguages() : languages, &error)
                .isEmpty()) {
            err << "zq-extract: " << error << Qt::endl;
            return static_cast<int>(ExtractExit::BadArguments);
        }
    }

    installInterruptHandlers();
    if (parsed.options.batch) {
        BatchRun batch(QCoreApplication::applicationFilePath(), g_interrupted, err);
        return static_cast<int>(batch.run(parsed.options));
    }
    ExtractJob job(QCoreApplication::applicationDirPath(), g_interrupted, err);
    const ExtractExit exit = job.run(parsed.options);
    if (exit == ExtractExit::Interrupted)
        err << "zq-extract: interrupted" << Qt::endl;
    return static_cast<int>(exit);
}
