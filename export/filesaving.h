#pragma once

// Writing a finished file without harming an existing one, and telling the user why a file
// could not be written.

#include "export/exportoptions.h"

#include <QByteArray>
#include <QString>

#include <atomic>

// Writes `bytes` as the file `fileName`. A regular file (or a new one) is written to a
// temporary file beside it and renamed over it only when complete, so a failed write leaves
// the old file as it was. A target that exists but is not a regular file (a device, a pipe)
// is written directly, never replaced: opened without waiting (a pipe nobody reads within two
// seconds is refused) and written while it takes the bytes. When `interrupted` turns true the
// save stops and fails, and a regular file keeps its old content.
SaveResult writeFileSafely(const QString& fileName, const QByteArray& bytes,
                           const std::atomic<bool>* interrupted = nullptr);

// Whether both names lead to one existing file (the same device and inode: links, "..",
// another spelling of the path). An output that is the input would destroy it.
bool isSameFile(const QString& first, const QString& second);

// What keeps `fileName` from being written, found before writing: the name of a folder, a
// missing folder, a path that runs through a file, a folder or an existing file without write
// permission; empty when nothing is in the way.
QString writeObstacle(const QString& fileName);

// Why writing `fileName` failed, for the user: the obstacle if there is one, else the
// system's error text, else that the file could not be written completely.
QString describeWriteFailure(const QString& fileName, const QString& systemError = QString());
