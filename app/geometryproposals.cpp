#include "app/geometryproposals.h"

#include "extraction/columnguess.h"

#include <cmath>

namespace {

// The store keeps a rectangle as canvas ÷ zoom: a shown proposal may differ by rounding.
bool sameRect(const QRectF& a, const QRectF& b)
{
    constexpr double kTolerance = 0.5;
    return std::abs(a.left() - b.left()) < kTolerance && std::abs(a.top() - b.top()) < kTolerance &&
           std::abs(a.right() - b.right()) < kTolerance && std::abs(a.bottom() - b.bottom()) < kTolerance;
}

} // namespace

QVector<QRectF> columnLinesAcross(const QRectF& rect, const QVector<double>& columns)
{
    QVector<QRectF> lines;
    lines.reserve(columns.size());
    for (double x : columns)
        lines.append(QRectF(std::round(x), rect.top(), 0, rect.height()));
    return lines;
}

ProposedGeometry guessedColumnsGeometry(const QVector<Subtext>& words, const QVector<PageRule>& rules,
                                        const QRectF& rect)
{
    const QRectF area = rect.normalized();
    return {area, columnLinesAcross(area, guessColumns(words, rules, area))};
}

const QVector<TableProposal>& TableProposals::of(int index, const QVector<Subtext>& words,
                                                 const QVector<PageRule>& rules, const QSizeF& pageSize)
{
    const auto found = pages_.find(index);
    if (found != pages_.end())
        return found->second.proposals;
    return pages_.emplace(index, Page{findTables(words, rules, pageSize), -1, {}}).first->second.proposals;
}

int TableProposals::next(int index, int count, const QRectF& shownRect) const
{
    if (count <= 0)
        return -1;
    const auto found = pages_.find(index);
    if (found == pages_.end() || found->second.shownNumber < 0 ||
        !sameRect(found->second.shownRect, shownRect))
        return 0;
    return (found->second.shownNumber + 1) % count;
}

void TableProposals::shown(int index, int number, const QRectF& rect)
{
    Page& page = pages_[index];
    page.shownNumber = number;
    page.shownRect = rect;
}
