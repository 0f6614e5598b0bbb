#include "export/documentrows.h"

#include <algorithm>

DocumentRows::DocumentRows(const QVector<PageGrid>& pages)
{
    for (const PageGrid& page : pages) {
        // Only whole rows of cells are present; a grid that claims more rows than it has
        // cells is taken as far as its cells go.
        const int columns = std::max(page.columns, 0);
        const int rows = columns == 0 ? 0 : std::min<qsizetype>(page.rows, page.cells.size() / columns);
        for (int r = 0; r < rows; ++r)
            m_rows.append(std::span<const QString>(page.cells.constData() + qsizetype(r) * columns, columns));
        if (rows > 0)
            m_columnCount = std::max(m_columnCount, columns);
        m_rows.append(std::span<const QString>());
    }
    if (pages.isEmpty())
        m_rows.append(std::span<const QString>());
}
