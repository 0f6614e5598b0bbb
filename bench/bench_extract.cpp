// zq-extract benchmark: a generated 200-page document with a table on every page, extracted
// to .xls, next to the converter alone on the same file in the same run. The ratio is the
// cost of everything after conversion (reading the page texts, grid building, the save).
//   bench_extract [pages] [runs]
#include "benchsupport.h"

#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QStringList>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace {

std::string numbers(std::initializer_list<double> values)
{
    QStringList parts;
    for (double v : values)
        parts.append(QString::number(v));
    return parts.join(',').toStdString();
}

std::string separators()
{
    QStringList parts;
    for (double x : kTableSeparators)
        parts.append(QString::number(x));
    return parts.join(',').toStdString();
}

} // namespace

int main(int argc, char** argv)
{
    if (argc > 2 && std::strcmp(argv[1], "--measure") == 0)
        return measureChild(argv + 2);
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const auto [pages, runs] = benchArguments(argc, argv, 200, 3);

    QTemporaryDir dir;
    const QString pdf = tableDocumentIn(dir.path(), pages);
    if (pdf.isEmpty())
        return 1;
    const QString bin = QCoreApplication::applicationDirPath();
    const std::string pdfPath = pdf.toStdString();

    std::vector<Measurement> converter, extract;
    for (int run = 0; run < runs; ++run) {
        const QString folder = dir.filePath(QString("pages%1").arg(run));
        QDir().mkpath(folder);
        converter.push_back(runChild({(bin + "/Qtmingw.dll").toStdString(), "-htmlformat", pdfPath,
                                      (folder + "/text.xml").toStdString()}));
        QDir(folder).removeRecursively();
        extract.push_back(runChild({(bin + "/zq-extract").toStdString(), pdfPath, "-a",
                                    numbers({kTableTop, kTableLeft, kTableBottom, kTableRight}), "-c",
                                    separators(), "-o", dir.filePath("tables.xls").toStdString()}));
    }
    const Measurement alone = best(converter);
    const Measurement whole = best(extract);
    if (!alone.ok || !whole.ok)
        return 1;
    std::printf("zq-extract benchmark: %d pages with a 40 x 6 table each, to .xls, best of %d runs\n", pages,
                runs);
    std::printf("  zq-extract          %7.4f s/page  %7.2f s  peak %6.1f MiB\n", whole.seconds / pages,
                whole.seconds, whole.peakKiB / 1024.0);
    std::printf("  converter alone     %7.4f s/page  %7.2f s  peak %6.1f MiB\n", alone.seconds / pages,
                alone.seconds, alone.peakKiB / 1024.0);
    std::printf("  output %.1f KiB\n", QFileInfo(dir.filePath("tables.xls")).size() / 1024.0);
    std::printf("ratio (zq-extract / converter alone): %.3f (target under 1.15)\n",
                whole.seconds / alone.seconds);
    return 0;
}
