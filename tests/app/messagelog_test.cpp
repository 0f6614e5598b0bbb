#include "app/messagelog.h"

#include "apptestsupport.h"
#include "testsupport.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <QThread>
#include <gtest/gtest.h>

namespace {

// Runs the log helper (or the program) with its own data folder; returns the log's text.
struct LogRun {
    QTemporaryDir home;
    QString dataDir() const { return home.path() + "/data/new/folder"; }
    QString logPath() const { return dataDir() + "/excellog.txt"; }

    QProcess::ExitStatus run(const QString& program, const QStringList& arguments, int* exitCode = nullptr)
    {
        QProcess process;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("XDG_DATA_HOME", dataDir());
        env.insert("QT_QPA_PLATFORM", "offscreen");
        process.setProcessEnvironment(env);
        process.start(program, arguments);
        EXPECT_TRUE(process.waitForFinished(20000)) << qPrintable(program);
        if (exitCode)
            *exitCode = process.exitCode();
        return process.exitStatus();
    }
    QProcess::ExitStatus helper(const QStringList& arguments)
    {
        return run(TestSupport::binDir() + "/zq_log_helper", arguments);
    }
    QString log() const { return readText(logPath()); }
};

TEST(MessageLog, LinePatternsInsertTheMessageUnchanged)
{
    EXPECT_EQ(MessageLog::formatLine(QtDebugMsg, "abc"), "Debug: abc");
    EXPECT_EQ(MessageLog::formatLine(QtWarningMsg, "w"), "Warning: w");
    EXPECT_EQ(MessageLog::formatLine(QtCriticalMsg, "c"), "Critical: c");
    EXPECT_EQ(MessageLog::formatLine(QtFatalMsg, "f"), "Fatal: f");
    EXPECT_EQ(MessageLog::formatLine(QtDebugMsg, "50%1 of %2 %L1"), "Debug: 50%1 of %2 %L1");
    EXPECT_EQ(MessageLog::formatLine(QtDebugMsg, ""), "Debug: ");
}

TEST(MessageLog, ChildProcessWritesOneLinePerMessageIntoANewDataFolder)
{
    LogRun run;
    ASSERT_FALSE(QDir(run.dataDir()).exists()); // created by the first message
    EXPECT_EQ(run.helper({"debug", "abc", "warning", "50% done: %1 %2", "critical", "Grüße"}),
              QProcess::NormalExit);
    EXPECT_EQ(run.log(), "Debug: abc\nWarning: 50% done: %1 %2\nCritical: Grüße\n");

    // The next start empties the log first.
    EXPECT_EQ(run.helper({"debug", "second run"}), QProcess::NormalExit);
    EXPECT_EQ(run.log(), "Debug: second run\n");
}

TEST(MessageLog, FatalMessageIsWrittenBeforeTheAbort)
{
    LogRun run;
    EXPECT_EQ(run.helper({"debug", "before", "fatal", "out of %1 options", "debug", "never"}),
              QProcess::CrashExit);
    EXPECT_EQ(run.log(), "Debug: before\nFatal: out of %1 options\n");
}

TEST(MessageLog, TheProgramEmptiesThePreviousRunsLogAtStart)
{
    LogRun run;
    QDir().mkpath(run.dataDir());
    {
        QFile old(run.logPath());
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write("Debug: from the previous run\n");
    }
    // The window runs until it is closed: stop it once it is up.
    QProcess program;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("XDG_DATA_HOME", run.dataDir());
    env.insert("QT_QPA_PLATFORM", "offscreen");
    program.setProcessEnvironment(env);
    program.setWorkingDirectory(run.home.path());
    program.start(TestSupport::binDir() + "/zarnich-quorvel", {});
    ASSERT_TRUE(program.waitForStarted());
    QFile log(run.logPath());
    for (int i = 0; i < 100 && log.exists() && readText(run.logPath()).contains("previous run"); ++i)
        QThread::msleep(50);
    EXPECT_FALSE(readText(run.logPath()).contains("previous run"));
    EXPECT_EQ(program.state(), QProcess::Running); // it started and stays up
    program.kill();
    program.waitForFinished();
}

} // namespace
