#pragma once

#include <QString>
#include <QtGlobal>

// The diagnostic log: every Qt message of the process appended to "excellog.txt" in the
// per-user data folder, one line per message ("Debug: …", "Warning: …", "Critical: …",
// "Fatal: …"). Each message opens, appends and closes the file; a fatal one then aborts.
namespace MessageLog {

QString logFilePath();

// The line for one message, without its line feed. The message is inserted as it stands,
// "%1" in it included.
QString formatLine(QtMsgType type, const QString& message);

// Installs the handler. Called before the application object exists, so that its own
// messages are caught too.
void install();

// Empties the log of the previous run (start-up, once the application object exists).
void clear();

void handler(QtMsgType type, const QMessageLogContext& context, const QString& message);

} // namespace MessageLog
