// Qtmingw.dll: converts a PDF into page images and positioned page text.
//   Qtmingw.dll -htmlformat "<pdf>" "<folder>/text.xml" [--page-timeout SECONDS]
// Exits with a ConverterExit code; on failure prints one line on stderr saying why. Its
// progress goes to stdout: "pages N" once the document is open, "page K" per page written.
#include "documentconverter.h"

#include <QCoreApplication>
#include <QFile>

#include <poppler-qt6.h>

#include <csignal>
#include <cstdio>

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

} // namespace

int main(int argc, char** argv)
{
    // A reader gone away must not kill the conversion mid-page: writes then just fail.
    std::signal(SIGPIPE, SIG_IGN);
    qInstallMessageHandler(silentQt);
    Poppler::setDebugErrorFunction(silentPoppler, QVariant());
    QCoreApplication app(argc, argv);

    const QString usage =
        QStringLiteral("Usage: Qtmingw.dll -htmlformat <file.pdf> <folder>/text.xml [--page-timeout SECONDS]");
    if ((argc != 4 && argc != 6) || qstrcmp(argv[1], "-htmlformat") != 0)
        return report(ConverterExit::BadArguments, usage);
    int pageTimeout = kDefaultPageTimeout;
    if (argc == 6) {
        bool ok = false;
        pageTimeout = QByteArray(argv[5]).toInt(&ok);
        if (qstrcmp(argv[4], "--page-timeout") != 0 || !ok || pageTimeout <= 0 || pageTimeout > 86400)
            return report(ConverterExit::BadArguments, usage);
    }

    auto progress = [](int pageCount, int pageDone) {
        const QByteArray line = pageDone == 0 ? "pages " + QByteArray::number(pageCount) + '\n'
                                              : "page " + QByteArray::number(pageDone) + '\n';
        std::fwrite(line.constData(), 1, line.size(), stdout);
        std::fflush(stdout);
    };
    DocumentConverter converter(QFile::decodeName(argv[2]), QFile::decodeName(argv[3]), pageTimeout, progress);
    const ConverterExit result = converter.run();
    if (result != ConverterExit::Success)
        return report(result, converter.failureMessage());
    return 0;
}
