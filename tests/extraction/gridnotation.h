#pragma once

#include "extraction/pagegrid.h"
#include "protocol/subtext.h"

#include <QString>
#include <QStringList>
#include <QVector>

#include <gtest/gtest.h>

#include <ostream>

// Runs written one per line as "left top width height text"; the text may hold blanks.
inline QVector<Subtext> runs(const QString& notation)
{
    QVector<Subtext> out;
    for (const QString& line : notation.split(u'\n', Qt::SkipEmptyParts)) {
        if (line.trimmed().isEmpty())
            continue;
        const QStringList parts = line.trimmed().split(u' ');
        int numbers[4] = {};
        bool valid = parts.size() >= 4;
        for (int i = 0; valid && i < 4; ++i)
            numbers[i] = parts[i].toInt(&valid);
        // A typo in a test's runs must fail the test, not quietly drop the run.
        if (!valid) {
            ADD_FAILURE() << "malformed run \"" << line.toStdString()
                          << "\": expected \"left top width height text\"";
            continue;
        }
        out.append({numbers[0], numbers[1], numbers[2], numbers[3], parts.mid(4).join(u' ')});
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
