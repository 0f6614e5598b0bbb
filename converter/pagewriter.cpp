#include "pagewriter.h"

#include "pagefiles.h"
#include "pagetexthtml.h"

#include <QFile>
#include <QImageWriter>

namespace {

// Encoding dominates the converter's time. zlib's fastest level (Qt's PNG writer maps
// quality 80 to it) makes page images of text a little larger than its default level
// but encodes them much faster.
constexpr int kPngQuality = 80;

bool writeImage(const QImage& image, const QString& path, QString* error)
{
    QImageWriter writer(path, "png");
    writer.setQuality(kPngQuality);
    if (writer.write(image))
        return true;
    *error = path + ": " + writer.errorString();
    return false;
}

bool writeText(const QByteArray& text, const QString& path, QString* error)
{
    QFile file(path);
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(text) == text.size() &&
        file.flush())
        return true;
    *error = path + ": " + file.errorString();
    return false;
}

} // namespace

bool writePageFiles(const RenderedPage& page, const QString& folder, QString* error)
{
    const QByteArray text = PageTextHtml::write(page.lines, page.raster.pixelsPerPoint, page.image.size());
    return writeText(text, PageFiles::textPath(folder, page.number), error) &&
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
