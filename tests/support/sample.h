#pragma once

// A sample PDF of the shared samples folder with the tables its JSON file describes (see the
// folder's README). Lengths are in points, the origin is the top-left corner of the page as
// displayed (after any /Rotate), y grows downwards.

#include "testsupport.h"

#include <QString>
#include <QStringList>
#include <QVector>

#include <optional>

// Where a table is drawn: its outline and its column lines.
struct SampleGeometry {
    double x0 = 0, top = 0, x1 = 0, bottom = 0; // the rectangle to draw
    QVector<double> separators;                 // x of each column line, left to right

    QString area() const;    // "top,left,bottom,right", as zq-extract's -a takes it
    QString columns() const; // "x,x,…", as zq-extract's -c takes it
};

struct SampleTable {
    int page = 0; // counted from 1
    SampleGeometry geometry;
    int rows = 0;
    int cols = 0;
    QVector<QStringList> cells; // rows × cols trimmed texts, header row first; "" is empty
    int lineRows = 0;           // the rows without joining wrapped lines; 0 when not given
};

struct Sample {
    QString pdf; // absolute
    int pageCount = 0;
    QVector<SampleTable> tables;
    std::optional<SampleGeometry> applyAll; // one geometry right for every page, when given
    QString error;                          // why the JSON file was not read; "" when it was
};

// The sample described by the JSON file at `jsonPath`; its PDF is the one the file names,
// beside it. A table whose cells are not `rows` × `cols`, or a geometry that is not a rectangle
// with separators, is an error.
Sample readSample(const QString& jsonPath);

// The sample NAME.pdf of the samples folder, by NAME.json.
inline Sample loadSample(const QString& name)
{
    return readSample(TestSupport::samplesDir() + '/' + name + ".json");
}
