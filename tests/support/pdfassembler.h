#pragma once

#include <QByteArray>
#include <QString>
#include <QVector>

// PDF files written byte by byte, for documents no PDF writer would make.

// A PDF of `objects` (numbered from 1, object 1 the catalog) with a correct cross-reference
// table.
QByteArray assemblePdf(const QVector<QByteArray>& objects);

// "<< /Length N >>\nstream\n<data>\nendstream": a stream object holding `data`.
QByteArray pdfStream(const QByteArray& data);

// A one-page PDF, about a kilobyte, whose page draws an image that declares 10⁶ × 10⁶ gray
// pixels: rendering it keeps the PDF library scaling the image for hours.
bool writeHangingPdf(const QString& path);
