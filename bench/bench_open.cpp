// Opening a long document in the window: a generated 500-page PDF opened in ExcelMain
// (offscreen, the file chosen through the dialog seam), timed from the chosen file to page 1
// shown, next to our converter alone on the same file in the same run. Prints both times,
// the peak memory of the window process and of the converter, and the ratio of the times.
//   bench_open [pages] [runs]
#include "app/excelmain.h"
#include "app/windowdialogs.h"
#include "benchsupport.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <sys/resource.h>

namespace {

// Answers the open dialog with the document and notes when it did.
class ChosenFile : public WindowDialogs {
public:
    explicit ChosenFile(QString pdf) : pdf_(std::move(pdf)) {}
    QString openFileName(QWidget*, const QString&, const QString&, const QString&) override
    {
        clock.start();
        return pdf_;
    }
    void warning(QWidget*, const QString& title, const QString& text) override
    {
        std::fprintf(stderr, "%s: %s\n", qPrintable(title), qPrintable(text));
    }
    QElapsedTimer clock;

private:
    QString pdf_;
};

// --window <pdf>: opens the document in the window and prints "<seconds> <peak KiB> <pages>".
int openInWindow(int argc, char** argv)
{
    QApplication app(argc, argv);
    QTemporaryDir cwd; // the window keeps its settings in the working directory
    QDir::setCurrent(cwd.path());
    ExcelMain window;
    auto dialogs = std::make_unique<ChosenFile>(QString::fromLocal8Bit(argv[2]));
    ChosenFile* chosen = dialogs.get();
    window.setDialogs(std::move(dialogs));
    window.show();
    QMetaObject::invokeMethod(&window, "on_pushButton_openfile_clicked");
    // Page 1 is on the canvas once the open slot has returned; let it paint.
    QApplication::processEvents();
    const double seconds = chosen->clock.nsecsElapsed() / 1e9;
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("%f %ld %d\n", seconds, usage.ru_maxrss, window.pageCount);
    return window.pageCount > 0 ? 0 : 1;
}

// Runs this program again with `arguments` (--measure or --window) and reads its figures.
Measurement runSelf(const QStringList& arguments, int* pages = nullptr)
{
    QProcess child;
    child.start(QCoreApplication::applicationFilePath(), arguments);
    child.waitForFinished(-1);
    const QStringList fields = QString::fromLatin1(child.readAllStandardOutput()).trimmed().split(' ');
    Measurement m;
    if (fields.size() == 3) {
        m.seconds = fields[0].toDouble();
        m.peakKiB = fields[1].toLong();
        m.ok = child.exitCode() == 0 && (pages ? fields[2].toInt() > 0 : fields[2] == "0");
        if (pages)
            *pages = fields[2].toInt();
    }
    if (!m.ok)
        std::fprintf(stderr, "%s failed: %s\n", qPrintable(arguments.join(' ')),
                     child.readAllStandardError().constData());
    return m;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc > 2 && std::string(argv[1]) == "--measure")
        return measureChild(argv + 2);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    if (argc > 2 && std::string(argv[1]) == "--window")
        return openInWindow(argc, argv);

    QGuiApplication app(argc, argv);
    const auto [pages, runs] = benchArguments(argc, argv, 500, 2);
    QTemporaryDir folder;
    const QString pdf = tableDocumentIn(folder.path(), pages);
    if (pdf.isEmpty())
        return 1;
    const QString converter = QCoreApplication::applicationDirPath() + "/Qtmingw.dll";

    // Alternate the two, best of `runs` each, so both see the same machine state.
    Measurement alone{1e30, 0, true}, window{1e30, 0, true};
    int shownPages = 0;
    for (int run = 0; run < runs; ++run) {
        QTemporaryDir out;
        const Measurement c = runSelf({"--measure", converter, "-htmlformat", pdf, out.filePath("text.xml")});
        const Measurement w = runSelf({"--window", pdf}, &shownPages);
        if (!c.ok || !w.ok)
            return 1;
        alone.seconds = std::min(alone.seconds, c.seconds);
        alone.peakKiB = std::max(alone.peakKiB, c.peakKiB);
        window.seconds = std::min(window.seconds, w.seconds);
        window.peakKiB = std::max(window.peakKiB, w.peakKiB);
    }
    std::printf("document: %d pages, %d shown in the window, best of %d runs\n", pages, shownPages, runs);
    std::printf("converter alone:        %8.2f s   peak %7.1f MB\n", alone.seconds, alone.peakKiB / 1024.0);
    std::printf("open in the window:     %8.2f s   peak %7.1f MB (window process)\n", window.seconds,
                window.peakKiB / 1024.0);
    std::printf("ratio window / converter: %.3f (target <= 1.2)\n", window.seconds / alone.seconds);
    return 0;
}
