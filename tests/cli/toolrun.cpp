#include "toolrun.h"

#include "testsupport.h"

#include <QProcess>

ToolRun runExtract(const QStringList& args, int timeoutMs)
{
    QProcess p;
    p.start(TestSupport::binDir() + "/zq-extract", args);
    if (!p.waitForFinished(timeoutMs)) {
        p.kill();
        p.waitForFinished();
    }
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, p.readAllStandardOutput(),
            QString::fromLocal8Bit(p.readAllStandardError())};
}

QString work(const QString& name)
{
    return TestSupport::workDir() + '/' + name;
}
