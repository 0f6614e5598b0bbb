// Rule finding on the converter's page images of a generated ruled table document: the time
// per page of decoding the PNG and finding its rules, next to decoding the same PNG alone.
// Target: under 1.5 × the decode.

#include "benchsupport.h"
#include "extraction/pagerules.h"
#include "protocol/pagefiles.h"
#include "protocol/pagetext.h"

#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>

#include <chrono>
#include <cstdio>
#include <functional>

namespace {

using Clock = std::chrono::steady_clock;

double secondsOf(const std::function<void()>& work)
{
    const Clock::time_point start = Clock::now();
    work();
    return std::chrono::duration<double>(Clock::now() - start).count();
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const BenchArguments args = benchArguments(argc, argv, 10, 5);
    QTemporaryDir work;
    const QString pdf = tableDocumentIn(work.path(), args.pages);
    if (pdf.isEmpty())
        return 1;
    const int exit = QProcess::execute(QCoreApplication::applicationDirPath() + "/Qtmingw.dll",
                                       {"-htmlformat", pdf, work.path() + "/text.xml"});
    if (exit != 0) {
        std::fprintf(stderr, "the converter failed (%d)\n", exit);
        return 1;
    }
    QVector<QVector<Subtext>> words;
    for (int page = 1; page <= args.pages; ++page) {
        QFile file(PageFiles::textPath(work.path(), page));
        if (!file.open(QIODevice::ReadOnly))
            return 1;
        words.append(PageTextParser::getTextPosition(PageTextParser::decodePageBytes(file.readAll())).runs);
    }

    // The fastest of several rounds over all pages, alternating the two measurements.
    double decodeBest = 1e9;
    double rulesBest = 1e9;
    qsizetype rulesFound = 0;
    for (int round = 0; round < args.runs; ++round) {
        decodeBest = std::min(decodeBest, secondsOf([&] {
                                  for (int page = 1; page <= args.pages; ++page)
                                      if (QImage(PageFiles::imagePath(work.path(), page)).isNull())
                                          std::abort();
                              }));
        rulesBest =
            std::min(rulesBest, secondsOf([&] {
                         rulesFound = 0;
                         for (int page = 1; page <= args.pages; ++page) {
                             GreyImage image;
                             QString error;
                             if (!readGreyImage(PageFiles::imagePath(work.path(), page), &image, &error))
                                 std::abort();
                             rulesFound += findPageRules(image, words[page - 1]).size();
                         }
                     }));
    }
    const QImage first(PageFiles::imagePath(work.path(), 1));
    std::printf("%d pages of %d x %d pixels, %lld rules found\n", args.pages, first.width(), first.height(),
                static_cast<long long>(rulesFound));
    std::printf("decoding and finding rules: %8.2f ms per page\n", rulesBest / args.pages * 1e3);
    std::printf("decoding the PNG alone:     %8.2f ms per page\n", decodeBest / args.pages * 1e3);
    std::printf("ratio:                      %8.2f (target under 1.5)\n", rulesBest / decodeBest);
    return 0;
}
