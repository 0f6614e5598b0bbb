// zq-extract over many PDFs: 40 generated 5-page documents with a table on every page,
// extracted in one call with -j on every core, next to 40 sequential single calls on the
// same files in the same run. The ratio is what the batch saves on this machine.
//   bench_batch [documents] [runs]
#include "benchsupport.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>
#include <QThread>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace {

QStringList geometry()
{
    QStringList separators;
    for (double x : kTableSeparators)
        separators.append(QString::number(x));
    return {"-a",
            QStringList{QString::number(kTableTop), QString::number(kTableLeft),
                        QString::number(kTableBottom), QString::number(kTableRight)}
                .join(','),
            "-c", separators.join(',')};
}

bool run(const QString& program, const QStringList& arguments)
{
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(-1) || process.exitStatus() != QProcess::NormalExit ||
        process.exitCode() != 0) {
        std::fprintf(stderr, "bench_batch: %s failed: %s\n", qPrintable(arguments.join(' ')),
                     process.readAllStandardError().constData());
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const int documents = argc > 1 ? std::max(1, std::atoi(argv[1])) : 40;
    const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 1;
    const QString tool = QCoreApplication::applicationDirPath() + "/zq-extract";
    QTemporaryDir dir;
    const QString in = dir.filePath("in");
    QDir().mkpath(in);
    const QString first = tableDocumentIn(dir.path(), 5);
    if (first.isEmpty())
        return 1;
    QStringList inputs;
    for (int i = 1; i <= documents; ++i) {
        const QString path = QStringLiteral("%1/statement-%2.pdf").arg(in).arg(i, 2, 10, QChar('0'));
        if (!QFile::copy(first, path))
            return 1;
        inputs.append(path);
    }

    double bestBatch = 1e300;
    double bestSingles = 1e300;
    for (int r = 0; r < runs; ++r) {
        QElapsedTimer clock;
        clock.start();
        for (const QString& input : inputs)
            if (!run(tool, QStringList{input, "-o", dir.filePath("single.xls")} + geometry()))
                return 1;
        bestSingles = std::min(bestSingles, clock.nsecsElapsed() / 1e9);
        QDir(dir.filePath("out")).removeRecursively();
        clock.restart();
        if (!run(tool, QStringList{"-b", in, "-o", dir.filePath("out")} + geometry()))
            return 1;
        bestBatch = std::min(bestBatch, clock.nsecsElapsed() / 1e9);
    }
    std::printf("%d documents of 5 pages on %d cores: batch -j %d %.2f s, sequential single calls %.2f s, "
                "ratio %.2f (target <= 0.6 on 2 cores)\n",
                documents, QThread::idealThreadCount(), QThread::idealThreadCount(), bestBatch, bestSingles,
                bestBatch / bestSingles);
    return 0;
}
