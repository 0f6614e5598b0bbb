#pragma once

#include <QSize>
#include <QString>
#include <QVector>

#include <optional>

// The converter's output folder: for every page n from 1 without gaps, "text_pg_%04d" with
// ".png" (the page image) and ".htm" (its positioned text), and "text.xml" describing the
// document (page count, each page's displayed size in points and image size in pixels).
namespace PageFiles {

constexpr int kMaxPages = 1999; // the window handles page numbers 1 … 1999

QString baseName(int page); // "text_pg_0001" for page 1
QString imagePath(const QString& folder, int page);
QString textPath(const QString& folder, int page);
QString documentInfoPath(const QString& folder); // folder + "/text.xml"

// Consecutive page images from page 1, stopping at the first missing one or at `limit`.
int countPageImages(const QString& folder, int limit = kMaxPages);

// The pixel size a PNG file's header gives, or an invalid size when `path` is no PNG file.
QSize pngSize(const QString& path);

} // namespace PageFiles

// What text.xml says about one page.
struct PageInfo {
    int number = 0;
    double widthPt = 0; // displayed width in points (after the page's rotation)
    double heightPt = 0;
    int imageWidth = 0; // page image size in pixels
    int imageHeight = 0;

    // Page-image pixels per PDF point.
    double pixelsPerPoint() const { return widthPt > 0 ? imageWidth / widthPt : 0; }
};

// text.xml:
//   <document pages="N">
//     <page number="1" width="612" height="792" imageWidth="816" imageHeight="1056"/>
//   </document>
struct DocumentInfo {
    int pageCount = 0;
    QVector<PageInfo> pages;

    static std::optional<DocumentInfo> read(const QString& path);
    bool write(const QString& path) const;
};
