// Text recognition of a scanned table page at 300 dpi: our engine per page on one thread
// next to the tesseract command-line program on the same image in the same run, and pages
// recognised on two threads (one engine each) next to one thread.
//   bench_ocr [runs]
#include "converter/pagerecogniser.h"
#include "extraction/textrecognition.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFont>
#include <QGuiApplication>
#include <QPainter>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <thread>
#include <unistd.h>

namespace {

constexpr double kDotsPerPoint = 300.0 / 72;

// A ruled stock list of 30 rows by 4 columns, as a scanner gives it: grey, US Letter.
QImage scannedPage()
{
    QImage image(int(612 * kDotsPerPoint), int(792 * kDotsPerPoint), QImage::Format_Grayscale8);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(kDotsPerPoint, kDotsPerPoint);
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(10);
    painter.setFont(font);
    painter.setPen(QPen(Qt::black, 0.8));
    const double edges[] = {60, 140, 380, 460, 550};
    const double top = 80, pitch = 20;
    const int rows = 30;
    for (int row = 0; row <= rows; ++row)
        painter.drawLine(QPointF(edges[0], top + row * pitch), QPointF(edges[4], top + row * pitch));
    for (double x : edges)
        painter.drawLine(QPointF(x, top), QPointF(x, top + rows * pitch));
    for (int row = 0; row < rows; ++row) {
        const QStringList cells = {QStringLiteral("BM-%1").arg(4410 + row * 13),
                                   QStringLiteral("Washed gravel grade %1, bagged").arg(row % 7 + 1),
                                   QString::number((row * 37 + 11) % 900 + 1),
                                   QString::number(((row * 7919) % 4000) / 3.0 + 1.05, 'f', 2)};
        for (int c = 0; c < 4; ++c)
            painter.drawText(QRectF(edges[c] + 5, top + row * pitch, edges[c + 1] - edges[c] - 10, pitch),
                             Qt::AlignVCenter | (c >= 2 ? Qt::AlignRight : Qt::AlignLeft), cells[c]);
    }
    return image;
}

double seconds(const QElapsedTimer& timer)
{
    return timer.nsecsElapsed() / 1e9;
}

// Recognises `pages` images on `threads` threads, each with an engine of its own (loaded
// before the clock starts, as the converter's workers keep theirs over many pages).
double recogniseOnThreads(const QImage& image, int pages, int threads, const QString& data,
                          const QString& langs)
{
    std::vector<std::unique_ptr<PageRecogniser>> engines;
    for (int t = 0; t < threads; ++t)
        engines.push_back(std::make_unique<PageRecogniser>(data, langs));
    std::atomic<int> next{0};
    QElapsedTimer timer;
    timer.start();
    std::vector<std::thread> workers;
    for (int t = 0; t < threads; ++t)
        workers.emplace_back([&, t] {
            bool aborted = false;
            while (next.fetch_add(1) < pages)
                engines[size_t(t)]->recognise(image, {}, &aborted);
        });
    for (std::thread& worker : workers)
        worker.join();
    return seconds(timer);
}

} // namespace

int main(int argc, char** argv)
{
    // As in the converter: Tesseract's OpenMP threads off, set before the runtime loads.
    if (qstrcmp(std::getenv("OMP_THREAD_LIMIT"), "1") != 0) {
        setenv("OMP_THREAD_LIMIT", "1", 1);
        execv("/proc/self/exe", argv);
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, atoi(argv[1])) : 3;
    QString error;
    const QString langs = TextRecognition::resolveLanguages(TextRecognition::defaultLanguages(), &error);
    if (!error.isEmpty()) {
        std::fprintf(stderr, "bench_ocr: %s\n", qPrintable(error));
        return 1;
    }
    const QString data = TextRecognition::dataFolder();
    QTemporaryDir folder;
    const QImage image = scannedPage();
    const QString png = folder.filePath(QStringLiteral("page.png"));
    if (!folder.isValid() || !image.save(png)) {
        std::fprintf(stderr, "bench_ocr: cannot write the page image\n");
        return 1;
    }

    PageRecogniser engine(data, langs);
    if (!engine.isReady()) {
        std::fprintf(stderr, "bench_ocr: the language data %s cannot be loaded\n", qPrintable(langs));
        return 1;
    }
    double ours = 1e9, reference = 1e9;
    size_t lines = 0;
    for (int run = 0; run < runs; ++run) {
        QElapsedTimer timer;
        timer.start();
        bool aborted = false;
        lines = engine.recognise(image, {}, &aborted).size();
        ours = std::min(ours, seconds(timer));

        // The command line reads the same PNG with the same languages and segmentation, its
        // own threading off as ours is.
        QProcess cli;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("OMP_THREAD_LIMIT"), QStringLiteral("1"));
        cli.setProcessEnvironment(env);
        timer.restart();
        cli.start(QStringLiteral("tesseract"),
                  {png, QStringLiteral("stdout"), QStringLiteral("-l"), langs, QStringLiteral("--psm"),
                   QStringLiteral("6"), QStringLiteral("--tessdata-dir"), data});
        if (!cli.waitForFinished(300000) || cli.exitCode() != 0) {
            std::fprintf(stderr, "bench_ocr: the tesseract program failed (apt install tesseract-ocr)\n");
            return 1;
        }
        reference = std::min(reference, seconds(timer));
    }
    std::printf("page: %dx%d pixels at 300 dpi, languages %s, %zu text lines recognised\n", image.width(),
                image.height(), qPrintable(langs), lines);
    std::printf("  ours, one thread:     %.3f s per page\n", ours);
    std::printf("  tesseract program:    %.3f s per page (data loading included)\n", reference);
    std::printf("  ratio ours / program: %.2f   (target: at most 1.1)\n", ours / reference);

    const int pages = 4;
    const double one = recogniseOnThreads(image, pages, 1, data, langs);
    const double two = recogniseOnThreads(image, pages, 2, data, langs);
    std::printf("%d pages: one thread %.3f s, two threads %.3f s, speed-up %.2f on %u cores\n", pages, one,
                two, one / two, std::thread::hardware_concurrency());
    return 0;
}
