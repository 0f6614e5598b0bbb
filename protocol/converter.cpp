#include "protocol/converter.h"

#include "protocol/pagefiles.h"

#include <QCoreApplication>

ConverterCommand ConverterCommand::make(const QString& applicationDir, const QString& pdfPath,
                                        const QString& folder, int pageTimeout)
{
    ConverterCommand command{applicationDir + "/Qtmingw.dll",
                             {"-htmlformat", pdfPath, PageFiles::documentInfoPath(folder)}};
    if (pageTimeout != kDefaultPageTimeout)
        command.arguments << QStringLiteral("--page-timeout") << QString::number(pageTimeout);
    return command;
}

QString ConverterCommand::commandLine() const
{
    // The options go bare, the two paths in double quotes.
    QString line = '"' + program + '"';
    for (int i = 0; i < arguments.size(); ++i)
        line += i == 0 || i > 2 ? ' ' + arguments[i] : QStringLiteral(" \"") + arguments[i] + '"';
    return line;
}

QString converterExitMessage(int exitCode)
{
    switch (static_cast<ConverterExit>(exitCode)) {
    case ConverterExit::Success:
        return QCoreApplication::translate("Converter", "the document was converted");
    case ConverterExit::BadArguments:
        return QCoreApplication::translate("Converter", "the converter was started with wrong arguments");
    case ConverterExit::CannotOpen:
        return QCoreApplication::translate("Converter", "the file is missing or cannot be read");
    case ConverterExit::NotAPdf:
        return QCoreApplication::translate("Converter", "the file is damaged or is not a PDF document");
    case ConverterExit::Locked:
        return QCoreApplication::translate("Converter", "the document is protected by a password");
    case ConverterExit::NoPages:
        return QCoreApplication::translate("Converter", "the document has no pages");
    case ConverterExit::CannotWrite:
        return QCoreApplication::translate("Converter", "the page files could not be written");
    case ConverterExit::PageTimeout:
        return QCoreApplication::translate("Converter", "a page could not be rendered in time");
    case ConverterExit::NoRecognition:
        return QCoreApplication::translate("Converter", "the text recognition languages cannot be loaded");
    }
    return QCoreApplication::translate("Converter", "the converter failed (exit code %1)").arg(exitCode);
}
