#pragma once

#include <QByteArray>
#include <QPointF>
#include <QRectF>
#include <QSizeF>
#include <QString>

#include <vector>

// PDF documents the converter tests make themselves. Coordinates are points, origin at the
// page's top-left corner, y downwards.
namespace TestDocuments {

struct DrawnWord {
    QString text;
    QPointF baseline; // where the text starts, on its baseline
    double pointSize = 12;
};

struct DrawnPage {
    QSizeF size{612, 792}; // US Letter
    std::vector<DrawnWord> words;
};

// Writes `pages` with QPdfWriter in DejaVu Sans. Returns, per page, the box of each word as
// the font's metrics place it (origin to advance, ascent to descent), or nothing on failure.
std::vector<std::vector<QRectF>> write(const QString& path, const std::vector<DrawnPage>& pages);

// One Letter page showing `text` in Helvetica at 24 pt; the font's ToUnicode map gives each
// byte of `text` the code point of `unicode` at the same index (bytes must differ).
QByteArray pageWithMappedText(const QByteArray& text, const std::vector<char16_t>& unicode);

bool writeFile(const QString& path, const QByteArray& bytes);

} // namespace TestDocuments
