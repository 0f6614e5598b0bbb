// Starts like the program does (handler, application object, log emptied) and then emits the
// messages named on its command line: pairs of a type (debug, warning, critical, fatal) and a
// text. The log tests run it as a child process, so a fatal message can abort it.
#include "app/messagelog.h"

#include <QCoreApplication>
#include <QString>

int main(int argc, char* argv[])
{
    MessageLog::install();
    QCoreApplication app(argc, argv);
    MessageLog::clear();
    for (int i = 1; i + 1 < argc; i += 2) {
        const QByteArray type = argv[i];
        const QString text = QString::fromUtf8(argv[i + 1]);
        if (type == "debug")
            qDebug().noquote() << text;
        else if (type == "warning")
            qWarning().noquote() << text;
        else if (type == "critical")
            qCritical().noquote() << text;
        else if (type == "fatal")
            qFatal("%s", qPrintable(text));
    }
    return 0;
}
