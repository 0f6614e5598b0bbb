// A stand-in for our converter, for the tests of what a misbehaving converter makes of a load.
// Started like the real one (Qtmingw.dll -htmlformat <pdf> <folder>/text.xml ...), it does
// what $ZQ_STANDIN says, "<mode>:<pages written>:<pages in the document>":
//   ok:N:N        a complete conversion of N small pages
//   crash:K:N     K pages, then it aborts (SIGABRT)
//   exit3:K:N     K pages, then exit code 3 with a line on stderr
//   hang:K:N      K pages, then it sleeps for good
//   quiet:K:N     K pages, then exit code 0 without text.xml
//   other:N:N     all pages, but text.xml lists pages 2 … N+1
//   skip:P:N      all pages but page P's image, text.xml as if complete
//   full:K:N      K pages, then exit code 6 saying the disk is full
//   noisy:N:N     as ok, with lines between the progress lines that are no progress
//   mute:N:N      as ok, without any progress lines
// and writes its process id into $ZQ_STANDIN_PID when that is set.
#include "protocol/pagefiles.h"
#include "protocol/pagetext.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QThread>

#include <cstdio>
#include <cstdlib>
#include <unistd.h>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc < 4)
        return 1;
    if (const QString pidFile = qEnvironmentVariable("ZQ_STANDIN_PID"); !pidFile.isEmpty()) {
        QFile file(pidFile);
        if (file.open(QIODevice::WriteOnly))
            file.write(QByteArray::number(getpid()));
    }
    const QStringList spec = qEnvironmentVariable("ZQ_STANDIN", "ok:1:1").split(':');
    const QString mode = spec.value(0);
    const int written = spec.value(1).toInt();
    const int total = spec.value(2).toInt();
    const QString folder = QFileInfo(QFile::decodeName(argv[3])).path();

    const bool mute = mode == "mute";
    const bool noisy = mode == "noisy";
    // Unknown words, bad numbers, pages beyond the total, a second total, a very long line,
    // and a progress line written in two pieces.
    auto noise = [noisy](int page) {
        if (!noisy)
            return;
        std::printf("pages x\npage -1\npage 99\nprogress 50%%\npage %d 3\n\n%s", page,
                    page > 0 ? "pages 7\n" : "");
        std::printf("%s\n", QByteArray(10000, 'p').constData());
        std::printf("pa");
        std::fflush(stdout);
    };
    noise(0);
    if (!mute)
        std::printf(noisy ? "ges %d\n" : "pages %d\n", total);
    std::fflush(stdout);
    QImage image(40, 50, QImage::Format_RGB32);
    image.fill(Qt::white);
    const int pages = mode == "skip" || mode == "other" ? total : written;
    DocumentInfo info;
    info.pageCount = total;
    for (int page = 1; page <= pages; ++page) {
        if (!(mode == "skip" && page == written))
            image.save(PageFiles::imagePath(folder, page), "png");
        QFile text(PageFiles::textPath(folder, page));
        if (!text.open(QIODevice::WriteOnly))
            return 6;
        QString run;
        PageTextWriter::appendRun(run, {1, 2, 30, 10, QStringLiteral("p%1").arg(page)});
        text.write(run.toUtf8());
        text.close();
        noise(page);
        if (!mute)
            std::printf(noisy ? "ge %d\n" : "page %d\n", page);
        std::fflush(stdout);
        info.pages.append({mode == "other" ? page + 1 : page, 30, 37.5, 40, 50});
    }
    if (mode == "crash")
        std::abort();
    if (mode == "exit3") {
        std::fprintf(stderr, "Cannot convert \"%s\": the file is damaged or is not a PDF document\n",
                     argv[2]);
        return 3;
    }
    if (mode == "full") {
        std::fprintf(
            stderr,
            "Cannot convert \"%s\": the page files could not be written (%s: No space left on device)\n",
            argv[2], qPrintable(PageFiles::imagePath(folder, written + 1)));
        return 6;
    }
    if (mode == "hang")
        for (;;)
            QThread::sleep(1);
    if (mode == "quiet")
        return 0;
    return info.write(PageFiles::documentInfoPath(folder)) ? 0 : 6;
}
