// Qtmingw.dll: converts a PDF into page images and positioned page text.
//   Qtmingw.dll -htmlformat "<pdf>" "<folder>/text.xml"
// Exits with a ConverterExit code; on failure prints one line on stderr saying why.
#include "documentconverter.h"

#include <QCoreApplication>
#include <QFile>

#include <poppler-qt6.h>

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
    qInstallMessageHandler(silentQt);
    Poppler::setDebugErrorFunction(silentPoppler, QVariant());
    QCoreApplication app(argc, argv);

    if (argc != 4 || qstrcmp(argv[1], "-htmlformat") != 0)
        return report(ConverterExit::BadArguments,
                      QStringLiteral("Usage: Qtmingw.dll -htmlformat <file.pdf> <folder>/text.xml"));

    DocumentConverter converter(QFile::decodeName(argv[2]), QFile::decodeName(argv[3]));
    const ConverterExit result = converter.run();
    if (result != ConverterExit::Success)
        return report(result, converter.failureMessage());
    return 0;
}
