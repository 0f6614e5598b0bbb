#pragma once

// Running zq-extract from bin/ in the end-to-end tests, and their files in the working folder.

#include <QByteArray>
#include <QString>
#include <QStringList>

struct ToolRun {
    int exitCode = -1; // -1 when the tool did not end by itself
    QByteArray out;
    QString err;
};

// zq-extract with `args`, killed when it takes longer than `timeoutMs`.
ToolRun runExtract(const QStringList& args, int timeoutMs = 120000);

// `name` in the test's working folder.
QString work(const QString& name);
