#include "converter/pagewriter.h"

#include "converter/pagetexthtml.h"
#include "protocol/pagefiles.h"
#include "protocol/pagetext.h"

#include <QBuffer>
#include <QFile>
#include <QImageWriter>

namespace {

// Encoding dominates the converter's time. zlib's fastest level (Qt's PNG writer maps
// quality 80 to it) makes page images of text a little larger than its default level
// but encodes them much faster.
constexpr int kPngQuality = 80;

bool writeBytes(const QByteArray& bytes, const QString& path, QString* error)
{
    QFile file(path);
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size() &&
        file.flush())
        return true;
    *error = path + ": " + file.errorString();
    return false;
}

// Encoded in memory, so that a full disk is our own write error with its cause, not the
// PNG library's message on stderr.
bool writeImage(const QImage& image, const QString& path, QString* error)
{
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "png");
    writer.setQuality(kPngQuality);
    if (!writer.write(image)) {
        *error = path + ": " + writer.errorString();
        return false;
    }
    return writeBytes(png, path, error);
}

} // namespace

bool writePageFiles(const RenderedPage& page, const QString& folder, QString* error)
{
    QByteArray text = PageTextHtml::write(page.lines, page.raster.pixelsPerPoint, page.image.size());
    if (page.recognised)
        text.prepend(QByteArray(PageTextParser::kRecognisedMarker) + '\n');
    return writeBytes(text, PageFiles::textPath(folder, page.number), error) &&
           writeImage(page.image, PageFiles::imagePath(folder, page.number), error);
}

void removePageFilesFrom(const QString& folder, int from, int through)
{
    for (int page = from;; ++page) {
        const bool image = QFile::remove(PageFiles::imagePath(folder, page));
        const bool text = QFile::remove(PageFiles::textPath(folder, page));
        if (!image && !text && page >= through)
            break;
    }
}
