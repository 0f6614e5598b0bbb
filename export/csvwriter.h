#pragma once

// The CSV form of the pages' tables: the byte order mark FF FE, then UTF-16LE text with one
// line per grid row, each cell in double quotes, cells separated by a tab, lines ended by a
// line feed, and one empty line between neighbouring pages (also for a page without a
// table). A double quote inside a cell is doubled.
//
//   one page, one row with the cells "a " and "b "
//   → FF FE, then "\"a \"\t\"b \"\n" in UTF-16LE

#include "extraction/pagegrid.h"

#include <QByteArray>
#include <QVector>

QByteArray csvFileBytes(const QVector<PageGrid>& pages);
