// Qtmingw.dll: converts a PDF into page images and positioned page text.
//   Qtmingw.dll -htmlformat "<pdf>" "<folder>/text.xml" [--page-timeout SECONDS]
//               [--ocr | --ocr=force] [--ocr-lang LANGUAGES]
// Exits with a ConverterExit code; on failure prints one line on stderr saying why. Its
// progress goes to stdout: "pages N" once the document is open, "page K" per page written.
#include "converter/documentconverter.h"

#include <QCoreApplication>
#include <QFile>

#include <poppler-qt6.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <unistd.h>

namespace {

// The converter's stderr carries exactly one line on failure: poppler's and Qt's own
// messages about damaged documents would only bury it.
void silentPoppler(const QString&, const QVariant&) {}
void silentQt(QtMsgType, const QMessageLogContext&, const QString&) {}

// File names may hold line feeds; the message must stay one line.
QString oneLine(QString text)
{
    for (QChar& c : text)
        if (c.unicode() < 0x20)
            c = ' ';
    return text;
}

int report(ConverterExit code, const QString& message)
{
    const QByteArray line = oneLine(message).toLocal8Bit() + '\n';
    std::fwrite(line.constData(), 1, line.size(), stderr);
    return int(code);
}

// Pages are recognised in parallel, one engine per thread: Tesseract's own OpenMP threads
// would only compete with them. The OpenMP runtime reads its limit once, as it loads, so the
// converter starts itself again with the limit set.
void limitOpenMpThreads(char** argv)
{
    const char* limit = std::getenv("OMP_THREAD_LIMIT");
    if (limit && qstrcmp(limit, "1") == 0)
        return;
    setenv("OMP_THREAD_LIMIT", "1", 1);
    execv("/proc/self/exe", argv);
    // Not restarted: recognition still works, only with more threads than cores.
}

struct Options {
    int pageTimeout = kDefaultPageTimeout;
    TextRecognition::Mode recognition = TextRecognition::Mode::Off;
    QString languages;
};

// The options after the two paths; false on anything else.
bool readOptions(int argc, char** argv, Options* options)
{
    for (int i = 4; i < argc; ++i) {
        const QByteArray option = argv[i];
        if (option == "--ocr") {
            options->recognition = TextRecognition::Mode::BlankPages;
        } else if (option == "--ocr=force") {
            options->recognition = TextRecognition::Mode::EveryPage;
        } else if ((option == "--page-timeout" || option == "--ocr-lang") && i + 1 < argc) {
            const QByteArray value = argv[++i];
            if (option == "--ocr-lang") {
                options->languages = QString::fromUtf8(value);
                continue;
            }
            bool ok = false;
            options->pageTimeout = value.toInt(&ok);
            if (!ok || options->pageTimeout <= 0 || options->pageTimeout > 86400)
                return false;
        } else {
            return false;
        }
    }
    return !options->languages.isEmpty() ? options->recognition != TextRecognition::Mode::Off : true;
}

} // namespace

int main(int argc, char** argv)
{
    // A reader gone away must not kill the conversion mid-page: writes then just fail.
    std::signal(SIGPIPE, SIG_IGN);
    qInstallMessageHandler(silentQt);
    Poppler::setDebugErrorFunction(silentPoppler, QVariant());
    const QString usage =
        QStringLiteral("Usage: Qtmingw.dll -htmlformat <file.pdf> <folder>/text.xml "
                       "[--page-timeout SECONDS] [--ocr | --ocr=force] [--ocr-lang LANGUAGES]");
    Options options;
    if (argc < 4 || qstrcmp(argv[1], "-htmlformat") != 0 || !readOptions(argc, argv, &options))
        return report(ConverterExit::BadArguments, usage);
    if (options.recognition != TextRecognition::Mode::Off)
        limitOpenMpThreads(argv);
    QCoreApplication app(argc, argv);

    auto progress = [](int pageCount, int pageDone) {
        const QByteArray line = pageDone == 0 ? "pages " + QByteArray::number(pageCount) + '\n'
                                              : "page " + QByteArray::number(pageDone) + '\n';
        std::fwrite(line.constData(), 1, line.size(), stdout);
        std::fflush(stdout);
    };
    DocumentConverter converter(QFile::decodeName(argv[2]), QFile::decodeName(argv[3]), options.pageTimeout,
                                progress);
    if (options.recognition != TextRecognition::Mode::Off)
        converter.setRecognition(options.recognition, options.languages);
    const ConverterExit result = converter.run();
    if (result != ConverterExit::Success)
        return report(result, converter.failureMessage());
    return 0;
}
