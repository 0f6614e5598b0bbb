#include "benchsupport.h"

#include <QCoreApplication>
#include <QFont>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QProcess>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

int measureChild(char** command)
{
    const auto start = std::chrono::steady_clock::now();
    const pid_t pid = fork();
    if (pid == 0) {
        const int null = open("/dev/null", O_WRONLY);
        dup2(null, 1);
        execvp(command[0], command);
        _exit(127);
    }
    int status = 0;
    rusage usage{};
    if (pid < 0 || wait4(pid, &status, 0, &usage) != pid)
        return 1;
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("%f %ld %d\n", seconds, usage.ru_maxrss, WIFEXITED(status) ? WEXITSTATUS(status) : 128);
    return 0;
}

// A child's peak memory counts what its parent held when it was forked, so children are
// started from a small launcher (this program again, before it loads anything) rather than
// from this process with a whole document in memory.
Measurement runChild(const std::vector<std::string>& command)
{
    QProcess launcher;
    QStringList arguments{"--measure"};
    for (const std::string& arg : command)
        arguments << QString::fromStdString(arg);
    launcher.start(QCoreApplication::applicationFilePath(), arguments);
    launcher.waitForFinished(-1);
    const QStringList fields = QString::fromLatin1(launcher.readAllStandardOutput()).split(' ');
    Measurement m;
    if (fields.size() == 3) {
        m.seconds = fields[0].toDouble();
        m.peakKiB = fields[1].toLong();
        m.ok = fields[2].trimmed() == "0";
    }
    if (!m.ok)
        std::fprintf(stderr, "%s failed\n", command.front().c_str());
    return m;
}

bool writeTableDocument(const QString& path, int pages)
{
    QPdfWriter writer(path);
    writer.setPageSize(QPageSize(QPageSize::A4));
    writer.setResolution(72);
    writer.setPageMargins(QMarginsF(0, 0, 0, 0));
    QPainter painter(&writer);
    if (!painter.isActive())
        return false;
    QFont font("DejaVu Sans");
    const int columns[] = {40, 110, 250, 330, 410, 480, 555};
    for (int page = 1; page <= pages; ++page) {
        if (page > 1)
            writer.newPage();
        font.setPointSizeF(16);
        painter.setFont(font);
        painter.drawText(QPointF(40, 50), QString("Stock list, part %1").arg(page));
        font.setPointSizeF(9);
        painter.setFont(font);
        for (int row = 0; row <= 40; ++row) {
            const double y = 80 + row * 17;
            painter.drawLine(QPointF(columns[0], y), QPointF(columns[6], y));
            if (row == 40)
                break;
            const int item = (page - 1) * 40 + row;
            const QString cells[] = {QString("GC-%1").arg(20000 + item),
                                     QString("Item %1, %2 pcs").arg(item).arg(item % 17 + 1),
                                     QString("B-%1").arg(item % 23),
                                     QString::number(item * 37 % 2000 - 300),
                                     QString::number(item % 97 + 0.25, 'f', 2),
                                     QString::number(item * 13.5, 'f', 2)};
            for (int c = 0; c < 6; ++c)
                painter.drawText(QPointF(columns[c] + 4, y + 12), cells[c]);
        }
        for (int c = 0; c < 7; ++c)
            painter.drawLine(QPointF(columns[c], 80), QPointF(columns[c], 80 + 40 * 17));
        painter.drawText(QPointF(40, 800), QString("Page %1 of %2").arg(page).arg(pages));
    }
    return painter.end();
}

Measurement best(const std::vector<Measurement>& runs)
{
    Measurement m = runs.front();
    for (const Measurement& r : runs) {
        m.seconds = std::min(m.seconds, r.seconds);
        m.peakKiB = std::max(m.peakKiB, r.peakKiB);
        m.ok = m.ok && r.ok;
    }
    return m;
}

BenchArguments benchArguments(int argc, char** argv, int defaultPages, int defaultRuns)
{
    return {argc > 1 ? std::max(1, std::atoi(argv[1])) : defaultPages,
            argc > 2 ? std::max(1, std::atoi(argv[2])) : defaultRuns};
}

QString tableDocumentIn(const QString& folder, int pages)
{
    const QString pdf = folder + "/tables.pdf";
    if (!writeTableDocument(pdf, pages)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(pdf));
        return {};
    }
    return pdf;
}
