#include "export/filesaving.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

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

QString systemReason(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

bool wasInterrupted(const std::atomic<bool>* interrupted)
{
    return interrupted && interrupted->load();
}

// Opens a pipe or a device for writing without blocking: a pipe that nobody reads fails
// (ENXIO) instead of waiting for a reader for ever. A reader that starts a moment later, as
// in `zq-extract … -o fifo & cat fifo`, still gets the file.
int openSpecialFile(const QByteArray& path, const std::atomic<bool>* interrupted)
{
    constexpr int kAttempts = 200; // 10 ms apart: two seconds for a reader to come
    for (int attempt = 0;; ++attempt) {
        const int fd = ::open(path.constData(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
        if (fd >= 0 || errno != ENXIO || attempt == kAttempts || wasInterrupted(interrupted))
            return fd;
        ::usleep(10000);
    }
}

// Writes into an open pipe or device, waiting while it is full but giving up as soon as
// `interrupted` turns true, so a reader that stops reading cannot hold the program.
SaveResult writeIntoSpecialFile(const QString& fileName, int fd, const QByteArray& bytes,
                                const std::atomic<bool>* interrupted)
{
    const auto interruptedFailure = [&] {
        return SaveResult{false,
                          tr("The save of %1 was interrupted.").arg(QDir::toNativeSeparators(fileName))};
    };
    qint64 written = 0;
    while (written < bytes.size()) {
        if (wasInterrupted(interrupted))
            return interruptedFailure();
        const ssize_t step = ::write(fd, bytes.constData() + written, size_t(bytes.size() - written));
        if (step > 0) {
            written += step;
            continue;
        }
        if (step < 0 && (errno == EAGAIN || errno == EINTR)) {
            pollfd ready{fd, POLLOUT, 0};
            ::poll(&ready, 1, 100);
            continue;
        }
        return failure(fileName, step < 0 ? systemReason(errno) : QString());
    }
    return wasInterrupted(interrupted) ? interruptedFailure() : SaveResult{true, {}};
}

SaveResult writeDirectly(const QString& fileName, const QString& path, const QByteArray& bytes,
                         const std::atomic<bool>* interrupted)
{
    const int fd = openSpecialFile(QFile::encodeName(path), interrupted);
    if (fd < 0) {
        if (errno == ENXIO)
            return SaveResult{false, tr("Nothing reads from the pipe \"%1\"; nothing was written.")
                                         .arg(QDir::toNativeSeparators(fileName))};
        return failure(fileName, systemReason(errno));
    }
    const SaveResult result = writeIntoSpecialFile(fileName, fd, bytes, interrupted);
    const bool closed = ::close(fd) == 0 || errno == EINTR;
    if (result.ok && !closed)
        return failure(fileName, systemReason(errno));
    return result;
}
} // namespace

SaveResult writeFileSafely(const QString& fileName, const QByteArray& bytes,
                           const std::atomic<bool>* interrupted)
{
    // A link is followed, so the file it points to is replaced and the link stays.
    const QFileInfo target(fileName);
    const QString path = target.isSymLink() && target.exists() ? target.canonicalFilePath() : fileName;
    const QFileInfo resolved(path);
    if (resolved.exists() && !resolved.isFile())
        return resolved.isDir() ? failure(fileName, {}) : writeDirectly(fileName, path, bytes, interrupted);

    QSaveFile file(path);
    // Unbuffered, a failing write (a full disk) reports the system's reason at once.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return failure(fileName, file.errorString());
    if (!writeAll(file, bytes)) {
        const QString error = file.errorString();
        file.cancelWriting();
        return failure(fileName, error);
    }
    if (wasInterrupted(interrupted)) {
        file.cancelWriting();
        return SaveResult{false,
                          tr("The save of %1 was interrupted.").arg(QDir::toNativeSeparators(fileName))};
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

bool isSameFile(const QString& first, const QString& second)
{
    struct stat a {};
    struct stat b {};
    if (::stat(QFile::encodeName(first).constData(), &a) != 0 ||
        ::stat(QFile::encodeName(second).constData(), &b) != 0)
        return false;
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}
