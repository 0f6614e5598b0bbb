#pragma once

// Test PDFs with known words at known places, made with QPdfWriter at 72 dpi so that painter
// units are PDF points: origin at the page's top-left corner, y downwards.

#include <QLineF>
#include <QRectF>
#include <QSizeF>
#include <QString>
#include <QStringList>
#include <QVector>

struct PdfWord {
    double x = 0;        // left edge of the text, points from the page's left
    double baseline = 0; // points from the page's top
    QString text;
    double pointSize = 10; // DejaVu Sans
};

struct PdfPage {
    QVector<PdfWord> words;
    QVector<QLineF> rules;  // black, 0.75 pt wide, drawn over the shading
    QVector<QRectF> shades; // light grey bands (header or zebra shading), drawn first
    QSizeF size{612, 792};  // US Letter portrait
};

// Writes `pages`. Returns, per page, the box of each word as the font's metrics place it
// (origin to advance, ascent to descent), or nothing on failure.
QVector<QVector<QRectF>> writePdfPages(const QString& path, const QVector<PdfPage>& pages);

// Writes `pages`; false on failure.
bool writePdf(const QString& path, const QVector<PdfPage>& pages);

// A table of `rows` × cells.size() laid out on a grid: column c's text starts at
// columnX[c], row r's baseline is firstBaseline + r × rowPitch.
PdfPage tablePage(const QVector<QStringList>& cells, const QVector<double>& columnX, double firstBaseline,
                  double rowPitch);
