#include "filesaving.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace {
QString tr(const char* text)
{
    return QCoreApplication::translate("TableExport", text);
}

SaveResult failure(const QString& fileName, const QString& systemError)
{
    return SaveResult{false, describeWriteFailure(fileName, systemError)};
}

// Writes all of `bytes`. A short write (the disk filled up) is followed by another, which
// fails with the system's reason; false with that reason in the device's error string.
bool writeAll(QFileDevice& file, const QByteArray& bytes)
{
    qint64 written = 0;
    while (written < bytes.size()) {
        const qint64 step = file.write(bytes.constData() + written, bytes.size() - written);
        if (step <= 0)
            return false;
        written += step;
    }
    return true;
}

SaveResult writeDirectly(const QString& fileName, const QByteArray& bytes)
{
    QFile file(fileName);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return failure(fileName, file.errorString());
    if (!writeAll(file, bytes))
        return failure(fileName, file.errorString());
    file.close();
    if (file.error() != QFileDevice::NoError)
        return failure(fileName, file.errorString());
    return SaveResult{true, {}};
}
} // namespace

SaveResult writeFileSafely(const QString& fileName, const QByteArray& bytes)
{
    // A link is followed, so the file it points to is replaced and the link stays.
    const QFileInfo target(fileName);
    const QString path = target.isSymLink() && target.exists() ? target.canonicalFilePath() : fileName;
    const QFileInfo resolved(path);
    if (resolved.exists() && !resolved.isFile())
        return resolved.isDir() ? failure(fileName, {}) : writeDirectly(path, bytes);

    QSaveFile file(path);
    // Unbuffered, a failing write (a full disk) reports the system's reason at once.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return failure(fileName, file.errorString());
    if (!writeAll(file, bytes)) {
        const QString error = file.errorString();
        file.cancelWriting();
        return failure(fileName, error);
    }
    if (!file.commit())
        return failure(fileName, file.errorString());
    return SaveResult{true, {}};
}

QString writeObstacle(const QString& fileName)
{
    const QFileInfo target(fileName);
    if (target.isDir())
        return tr("\"%1\" is a folder.").arg(QDir::toNativeSeparators(fileName));
    // A device or a pipe is written in place: its folder does not matter.
    if (target.exists() && !target.isFile())
        return {};

    // Walk up to the nearest part of the path that exists: it tells a missing folder from a
    // path that runs through a file.
    const QFileInfo folder(target.absolutePath());
    if (!folder.exists()) {
        QFileInfo existing = folder;
        while (!existing.exists() && existing.absoluteFilePath() != existing.absolutePath())
            existing.setFile(existing.absolutePath());
        if (existing.exists() && !existing.isDir())
            return tr("\"%1\" is a file, not a folder.")
                .arg(QDir::toNativeSeparators(existing.absoluteFilePath()));
        return tr("The folder \"%1\" does not exist.")
            .arg(QDir::toNativeSeparators(folder.absoluteFilePath()));
    }
    if (!folder.isDir())
        return tr("\"%1\" is a file, not a folder.").arg(QDir::toNativeSeparators(folder.absoluteFilePath()));
    // The new file is made beside the old one and renamed over it, so the folder itself
    // must be writable even when the file is.
    if (!folder.isWritable())
        return tr("There is no permission to write in the folder \"%1\".")
            .arg(QDir::toNativeSeparators(folder.absoluteFilePath()));
    if (target.exists() && !target.isWritable())
        return tr("There is no permission to write \"%1\".").arg(QDir::toNativeSeparators(fileName));
    return {};
}

QString describeWriteFailure(const QString& fileName, const QString& systemError)
{
    const QString obstacle = writeObstacle(fileName);
    if (!obstacle.isEmpty())
        return obstacle;
    if (!systemError.isEmpty())
        return tr("The file could not be written: %1.").arg(systemError);
    return tr("The file could not be written completely; the disk may be full.");
}
