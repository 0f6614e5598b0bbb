#include "protocol/pagefiles.h"

#include <QFile>
#include <QSaveFile>
#include <QXmlStreamReader>
#include <QXmlStreamWriter>

namespace PageFiles {

QString baseName(int page)
{
    return QString::asprintf("text_pg_%04d", page);
}

QString imagePath(const QString& folder, int page)
{
    return folder + '/' + baseName(page) + ".png";
}

QString textPath(const QString& folder, int page)
{
    return folder + '/' + baseName(page) + ".htm";
}

QString documentInfoPath(const QString& folder)
{
    return folder + "/text.xml";
}

int countPageImages(const QString& folder, int limit)
{
    int n = 0;
    while (n < limit && QFile::exists(imagePath(folder, n + 1)))
        ++n;
    return n;
}

QSize pngSize(const QString& path)
{
    // Signature, then the IHDR chunk: length, type, width and height big-endian.
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray head = file.read(24);
    if (head.size() < 24 || !head.startsWith("\x89PNG\r\n\x1a\n") || head.mid(12, 4) != "IHDR")
        return {};
    auto be32 = [&](int at) {
        quint32 v = 0;
        for (int i = 0; i < 4; ++i)
            v = v << 8 | quint8(head[at + i]);
        return v;
    };
    const quint32 width = be32(16);
    const quint32 height = be32(20);
    if (width == 0 || height == 0 || width > 0x7fffffff || height > 0x7fffffff)
        return {};
    return QSize(int(width), int(height));
}

} // namespace PageFiles

std::optional<DocumentInfo> DocumentInfo::read(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    QXmlStreamReader xml(&file);
    DocumentInfo info;
    bool sawDocument = false;
    // One root element: reading on past its end reports a premature end of document.
    if (xml.readNextStartElement()) {
        if (xml.name() != QLatin1String("document"))
            return std::nullopt;
        sawDocument = true;
        info.pageCount = xml.attributes().value("pages").toInt();
        while (xml.readNextStartElement()) {
            if (xml.name() == QLatin1String("page")) {
                const auto a = xml.attributes();
                PageInfo page;
                page.number = a.value("number").toInt();
                page.widthPt = a.value("width").toDouble();
                page.heightPt = a.value("height").toDouble();
                page.imageWidth = a.value("imageWidth").toInt();
                page.imageHeight = a.value("imageHeight").toInt();
                info.pages.append(page);
            }
            xml.skipCurrentElement();
        }
    }
    if (xml.hasError() || !sawDocument || info.pageCount != info.pages.size())
        return std::nullopt;
    return info;
}

bool DocumentInfo::write(const QString& path) const
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    QXmlStreamWriter xml(&file);
    xml.setAutoFormatting(true);
    xml.writeStartDocument();
    xml.writeStartElement("document");
    xml.writeAttribute("pages", QString::number(pageCount));
    for (const PageInfo& page : pages) {
        xml.writeEmptyElement("page");
        xml.writeAttribute("number", QString::number(page.number));
        xml.writeAttribute("width", QString::number(page.widthPt, 'g', 10));
        xml.writeAttribute("height", QString::number(page.heightPt, 'g', 10));
        xml.writeAttribute("imageWidth", QString::number(page.imageWidth));
        xml.writeAttribute("imageHeight", QString::number(page.imageHeight));
    }
    xml.writeEndElement();
    xml.writeEndDocument();
    return !xml.hasError() && file.commit();
}
