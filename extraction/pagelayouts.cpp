#include "extraction/pagelayouts.h"

#include "extraction/zoommapping.h"

QVector<std::optional<PageLayout>> storePageLayouts(const PageStore& store, const DocumentInfo& info)
{
    QVector<std::optional<PageLayout>> pages(store.size());
    for (int index = 0; index < store.size(); ++index) {
        const QRectF rect = store.pageRects[index].normalized();
        const double s = info.pages.value(index).pixelsPerPoint();
        if (isNoTable(rect) || !(s > 0))
            continue;
        PageLayout layout;
        layout.geometry = {rect.top() / s, rect.left() / s, rect.bottom() / s, rect.right() / s, {}};
        for (const QRectF& line : store.pageLines[index])
            layout.geometry.columns.append(line.x() / s);
        pages[index] = layout;
    }
    return pages;
}

QVector<int> pagesWithColumnsOutside(const QVector<std::optional<PageLayout>>& pages)
{
    QVector<int> outside;
    for (int index = 0; index < pages.size(); ++index) {
        if (!pages[index])
            continue;
        const TableGeometry& g = pages[index]->geometry;
        for (double x : g.columns)
            if (x < g.left || x > g.right) {
                outside.append(index + 1);
                break;
            }
    }
    return outside;
}

void applyPageLayouts(PageStore& store, const QVector<PageText>& pageTexts,
                      const QVector<std::optional<PageLayout>>& pages, const DocumentInfo& info)
{
    for (int index = 0; index < store.size(); ++index) {
        const std::optional<PageLayout> page = pages.value(index);
        const double s = info.pages.value(index).pixelsPerPoint();
        if (!page || !(s > 0) || index >= pageTexts.size()) {
            store.clearPage(index);
            continue;
        }
        updatePage(store, pageTexts, index, page->geometry.canvasRect(s), page->geometry.canvasLines(s),
                   1.0f);
    }
}
