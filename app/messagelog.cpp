#include "app/messagelog.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTextStream>

#include <cstdlib>
#include <mutex>

namespace MessageLog {

QString logFilePath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + "/excellog.txt";
}

QString formatLine(QtMsgType type, const QString& message)
{
    QString pattern;
    switch (type) {
    case QtDebugMsg:
        pattern = QStringLiteral("Debug: %1");
        break;
    case QtInfoMsg:
        pattern = QStringLiteral("Info: %1");
        break;
    case QtWarningMsg:
        pattern = QStringLiteral("Warning: %1");
        break;
    case QtCriticalMsg:
        pattern = QStringLiteral("Critical: %1");
        break;
    case QtFatalMsg:
        pattern = QStringLiteral("Fatal: %1");
        break;
    }
    return pattern.arg(message, 0, QLatin1Char(' '));
}

void install()
{
    qInstallMessageHandler(handler);
}

void clear()
{
    QFile::remove(logFilePath());
}

void handler(QtMsgType type, const QMessageLogContext&, const QString& message)
{
    // Qt's own threads may report too; one message is written as a whole.
    static std::mutex lock;
    {
        const std::lock_guard<std::mutex> guard(lock);
        const QString path = logFilePath();
        // On a new account the data folder may not exist yet.
        QDir().mkpath(QFileInfo(path).absolutePath());
        QFile file(path);
        if (file.open(QIODevice::WriteOnly | QIODevice::Append)) {
            QTextStream out(&file);
            out << formatLine(type, message) << '\n';
        }
    }
    if (type == QtFatalMsg)
        std::abort();
}

} // namespace MessageLog
