#pragma once

// The rows of a saved document, laid out across all pages the same way in both file formats:
// each page's grid rows, then one empty row after every page (the line that separates it
// from the next page; after the last page the empty line that closes the document). A page
// without a table still gives its empty row. No pages at all give one empty row.
//
//   page 1: rows "a","b" and "c","d"; page 2: row "e"
//   → rows: [a b] [c d] [] [e] []      columnCount() = 2

#include "extraction/pagegrid.h"

#include <QString>
#include <QVector>

#include <span>

class DocumentRows {
public:
    // The pages must outlive this object: rows refer to their cells.
    explicit DocumentRows(const QVector<PageGrid>& pages);

    int rowCount() const { return int(m_rows.size()); }
    // The cells of one row, left to right; empty for an empty row.
    std::span<const QString> row(int index) const { return m_rows.at(index); }
    // The largest cell count over all rows, at least 1: every row is padded to it.
    int columnCount() const { return m_columnCount; }

private:
    QVector<std::span<const QString>> m_rows;
    int m_columnCount = 1;
};
