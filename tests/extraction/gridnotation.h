#pragma once

#include "pagegrid.h"
#include "subtext.h"

#include <QString>
#include <QStringList>
#include <QVector>

#include <ostream>

// Runs written one per line as "left top width height text"; the text may hold blanks.
inline QVector<Subtext> runs(const QString& notation)
{
    QVector<Subtext> out;
    for (const QString& line : notation.split(u'\n', Qt::SkipEmptyParts)) {
        const QStringList parts = line.trimmed().split(u' ');
        if (parts.size() < 4)
            continue;
        out.append({parts[0].toInt(), parts[1].toInt(), parts[2].toInt(), parts[3].toInt(),
                    parts.mid(4).join(u' ')});
    }
    return out;
}

// A grid as text: its size on the first line, then its grid text.
inline QString describe(const PageGrid& grid)
{
    return QStringLiteral("%1x%2\n").arg(grid.rows).arg(grid.columns) + grid.gridText();
}

inline std::ostream& operator<<(std::ostream& os, const QString& text)
{
    return os << text.toStdString();
}
