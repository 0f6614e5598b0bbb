// Converter benchmark: a generated 200-page document of tables, converted by our converter
// (page images and positioned text) and, in the same run, by poppler-utils' pdftoppm -png
// plus pdftotext -bbox at the same resolution. Prints seconds per page and the peak memory of
// each child, and the ratio of the times.
//   bench_converter [pages] [runs]
#include "benchsupport.h"

#include <QDir>
#include <QGuiApplication>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {
constexpr int kDpi = 96; // the converter's resolution
} // namespace

int main(int argc, char** argv)
{
    if (argc > 2 && std::strcmp(argv[1], "--measure") == 0)
        return measureChild(argv + 2);
    qputenv("QT_QPA_PLATFORM",
            qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QGuiApplication app(argc, argv);
    const auto [pages, runs] = benchArguments(argc, argv, 200, 3);

    QTemporaryDir dir;
    const QString pdf = tableDocumentIn(dir.path(), pages);
    if (pdf.isEmpty())
        return 1;
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
