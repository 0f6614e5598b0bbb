// Converter benchmark: a generated 200-page document of tables, converted by our converter
// (page images and positioned text) and, in the same run, by poppler-utils' pdftoppm -png
// plus pdftotext -bbox at the same resolution. Prints seconds per page and the peak memory of
// each child, and the ratio of the times.
//   bench_converter [pages] [runs]
#include <QDir>
#include <QFont>
#include <QGuiApplication>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr int kDpi = 96; // the converter's resolution

struct Measurement {
    double seconds = 0;
    long peakKiB = 0;
    bool ok = false;
};

// Runs `command` as a child of this process and waits for it. Prints "<seconds> <peak KiB>
// <exit status>" on stdout.
int measure(char** command)
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

// Pages of a price list: a title, a ruled table of 40 rows by 6 columns and a footer.
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

} // namespace

int main(int argc, char** argv)
{
    if (argc > 2 && std::strcmp(argv[1], "--measure") == 0)
        return measure(argv + 2);
    qputenv("QT_QPA_PLATFORM",
            qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QGuiApplication app(argc, argv);
    const int pages = argc > 1 ? std::max(1, atoi(argv[1])) : 200;
    const int runs = argc > 2 ? std::max(1, atoi(argv[2])) : 3;

    QTemporaryDir dir;
    const QString pdf = dir.filePath("tables.pdf");
    if (!writeTableDocument(pdf, pages)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(pdf));
        return 1;
    }
    const std::string converter = (QCoreApplication::applicationDirPath() + "/Qtmingw.dll").toStdString();
    const std::string pdfPath = pdf.toStdString();

    std::vector<Measurement> ours, images, texts;
    for (int run = 0; run < runs; ++run) {
        // Each tool writes into an empty folder, as it would for a freshly opened document.
        const QString ourDir = dir.filePath(QString("ours%1").arg(run));
        const QString refDir = dir.filePath(QString("ref%1").arg(run));
        QDir().mkpath(ourDir);
        QDir().mkpath(refDir);
        ours.push_back(runChild({converter, "-htmlformat", pdfPath, (ourDir + "/text.xml").toStdString()}));
        images.push_back(runChild(
            {"pdftoppm", "-png", "-r", std::to_string(kDpi), pdfPath, (refDir + "/page").toStdString()}));
        texts.push_back(runChild({"pdftotext", "-bbox", pdfPath, (refDir + "/text.html").toStdString()}));
        QDir(ourDir).removeRecursively();
        QDir(refDir).removeRecursively();
    }
    const Measurement our = best(ours);
    const Measurement image = best(images);
    const Measurement text = best(texts);
    if (!our.ok || !image.ok || !text.ok)
        return 1;

    const Measurement floor = runChild({"true"});
    const double reference = image.seconds + text.seconds;
    std::printf("converter benchmark: %d pages at %d dpi, best of %d runs\n", pages, kDpi, runs);
    std::printf("  Qtmingw.dll                   %7.4f s/page  %8.1f s  peak %6.1f MiB\n",
                our.seconds / pages, our.seconds, our.peakKiB / 1024.0);
    std::printf("  pdftoppm -png + pdftotext     %7.4f s/page  %8.1f s  peak %6.1f MiB\n", reference / pages,
                reference, std::max(image.peakKiB, text.peakKiB) / 1024.0);
    std::printf("    pdftoppm -png -r %d         %7.4f s/page  peak %6.1f MiB\n", kDpi, image.seconds / pages,
                image.peakKiB / 1024.0);
    std::printf("    pdftotext -bbox             %7.4f s/page  peak %6.1f MiB\n", text.seconds / pages,
                text.peakKiB / 1024.0);
    std::printf("  (peaks include %.1f MiB that any child inherits from the launcher)\n",
                floor.peakKiB / 1024.0);
    std::printf("ratio (converter / reference): %.3f (target at most 0.3)\n", our.seconds / reference);
    return 0;
}
