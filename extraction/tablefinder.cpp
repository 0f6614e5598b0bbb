#include "extraction/tablefinder.h"

#include "extraction/columnguess.h"
#include "extraction/textlines.h"

#include <algorithm>
#include <cmath>
#include <numeric>

namespace {

// Pairs of horizontal and vertical rules compared when looking for ruled boxes; a page with
// more (a hostile one) is searched for unruled tables only.
constexpr double kMaxRulePairs = 4e6;
// Rules this close count as touching: the ends of drawn lines rarely meet exactly.
constexpr double kTouch = 3;
constexpr double kMinBoxSide = 20;

struct Interval {
    double left;
    double right;
    double width() const { return right - left; }
};

std::vector<Interval> inkOf(const std::vector<const Subtext*>& words)
{
    std::vector<Interval> ink;
    for (const Subtext* w : words) {
        const Interval s{double(w->left), double(w->left) + w->width};
        if (!ink.empty() && s.left <= ink.back().right)
            ink.back().right = std::max(ink.back().right, s.right);
        else
            ink.push_back(s);
    }
    return ink;
}

// Ink spans closer than `minWidth` make one group (the words of one cell).
std::vector<Interval> groupsOf(const std::vector<Interval>& ink, double minWidth)
{
    std::vector<Interval> groups;
    for (const Interval& s : ink) {
        if (!groups.empty() && s.left - groups.back().right < minWidth)
            groups.back().right = std::max(groups.back().right, s.right);
        else
            groups.push_back(s);
    }
    return groups;
}

std::vector<Interval> gapsBetween(const std::vector<Interval>& groups)
{
    std::vector<Interval> gaps;
    for (size_t i = 1; i < groups.size(); ++i)
        gaps.push_back({groups[i - 1].right, groups[i].left});
    return gaps;
}

// What stays of `channels` where the line with `ink` has none, pieces at least `minWidth` wide.
std::vector<Interval> keepFree(const std::vector<Interval>& channels, const std::vector<Interval>& ink,
                               double minWidth)
{
    std::vector<Interval> kept;
    for (const Interval& c : channels) {
        double from = c.left;
        for (const Interval& s : ink) {
            if (s.right <= from || s.left >= c.right)
                continue;
            if (s.left - from >= minWidth)
                kept.push_back({from, s.left});
            from = std::max(from, s.right);
        }
        if (c.right - from >= minWidth)
            kept.push_back({from, c.right});
    }
    return kept;
}

struct Line {
    const WordLine* text;
    std::vector<Interval> ink;
    std::vector<Interval> groups;
    bool tableLine() const { return groups.size() >= 3; }
};

class Finder {
public:
    Finder(const QVector<Subtext>& words, const QVector<PageRule>& rules, const QSizeF& pageSize)
        : words_(words), rules_(rules), page_(QPointF(0, 0), pageSize)
    {
    }

    QVector<TableProposal> run()
    {
        std::vector<const Subtext*> all = wordsInArea(words_, QRectF());
        if (all.empty())
            return {};
        const double height = medianWordHeight(all);
        charWidth_ = medianCharacterWidth(all);
        minWidth_ = std::max(2.0, charWidth_ * ColumnGuess::kMinChannel);
        maxLineGap_ = height * TableFinding::kMaxLineGap;

        std::vector<bool> taken(all.size(), false);
        for (const QRectF& box : ruledBoxes()) {
            std::vector<const Subtext*> inside;
            std::vector<size_t> indexes;
            for (size_t i = 0; i < all.size(); ++i) {
                const Subtext* w = all[i];
                if (!taken[i] && box.contains(QPointF(w->left + w->width / 2.0, w->top + w->height / 2.0))) {
                    inside.push_back(w);
                    indexes.push_back(i);
                }
            }
            if (groupTextLines(inside).size() < 2 || !propose(inside))
                continue;
            for (size_t i : indexes)
                taken[i] = true;
        }
        std::vector<const Subtext*> rest;
        for (size_t i = 0; i < all.size(); ++i)
            if (!taken[i])
                rest.push_back(all[i]);
        findBlocks(rest);

        std::stable_sort(proposals_.begin(), proposals_.end(),
                         [](const TableProposal& a, const TableProposal& b) {
                             if (a.rect.top() != b.rect.top())
                                 return a.rect.top() < b.rect.top();
                             return a.rect.left() < b.rect.left();
                         });
        return proposals_;
    }

private:
    // Bounding boxes of connected rule sets with at least two rules of each direction.
    std::vector<QRectF> ruledBoxes() const
    {
        std::vector<const PageRule*> horizontal, vertical;
        for (const PageRule& r : rules_)
            (r.isHorizontal() ? horizontal : vertical).push_back(&r);
        if (horizontal.size() < 2 || vertical.size() < 2 ||
            double(horizontal.size()) * double(vertical.size()) > kMaxRulePairs)
            return {};
        const size_t hCount = horizontal.size();
        std::vector<size_t> parent(hCount + vertical.size());
        std::iota(parent.begin(), parent.end(), size_t(0));
        const auto root = [&](size_t i) {
            while (parent[i] != i)
                i = parent[i] = parent[parent[i]];
            return i;
        };
        for (size_t h = 0; h < hCount; ++h) {
            const PageRule& a = *horizontal[h];
            for (size_t v = 0; v < vertical.size(); ++v) {
                const PageRule& b = *vertical[v];
                if (b.position >= a.start - kTouch && b.position <= a.end + kTouch &&
                    a.position >= b.start - kTouch && a.position <= b.end + kTouch)
                    parent[root(h)] = root(hCount + v);
            }
        }
        std::vector<std::vector<const PageRule*>> components(parent.size());
        for (size_t i = 0; i < parent.size(); ++i)
            components[root(i)].push_back(i < hCount ? horizontal[i] : vertical[i - hCount]);
        std::vector<QRectF> found;
        for (const auto& component : components) {
            const QRectF box = enclosedBox(component);
            if (!box.isNull())
                found.push_back(box);
        }
        std::sort(found.begin(), found.end(), [](const QRectF& a, const QRectF& b) {
            return std::pair(a.top(), a.left()) < std::pair(b.top(), b.left());
        });
        return found;
    }

    // The box a set of touching rules encloses: their bounding box when rules run along at
    // least 90% of each of its four sides, else a null rectangle. Shaded rows alone (zebra
    // stripes) leave gaps along the sides and enclose nothing.
    static QRectF enclosedBox(const std::vector<const PageRule*>& rules)
    {
        if (rules.size() < 4)
            return {};
        double left = INFINITY, top = INFINITY, right = -INFINITY, bottom = -INFINITY;
        for (const PageRule* r : rules) {
            const bool h = r->isHorizontal();
            left = std::min(left, h ? r->start : r->position);
            right = std::max(right, h ? r->end : r->position);
            top = std::min(top, h ? r->position : r->start);
            bottom = std::max(bottom, h ? r->position : r->end);
        }
        if (right - left < kMinBoxSide || bottom - top < kMinBoxSide)
            return {};
        const auto sideCovered = [&](bool horizontalSide, double at, double from, double to) {
            std::vector<Interval> pieces;
            for (const PageRule* r : rules)
                if (r->isHorizontal() == horizontalSide && std::abs(r->position - at) <= kTouch + 1)
                    pieces.push_back({std::max(r->start, from), std::min(r->end, to)});
            std::sort(pieces.begin(), pieces.end(),
                      [](const Interval& a, const Interval& b) { return a.left < b.left; });
            double covered = 0, reached = from;
            for (const Interval& p : pieces) {
                covered += std::max(0.0, p.right - std::max(p.left, reached));
                reached = std::max(reached, p.right);
            }
            return covered >= 0.9 * (to - from);
        };
        if (!sideCovered(true, top, left, right) || !sideCovered(true, bottom, left, right) ||
            !sideCovered(false, left, top, bottom) || !sideCovered(false, right, top, bottom))
            return {};
        return QRectF(QPointF(left, top), QPointF(right, bottom));
    }

    // Adds the table holding `words`; false when guessing finds no column in it.
    bool propose(const std::vector<const Subtext*>& words)
    {
        if (words.empty())
            return false;
        double left = INFINITY, top = INFINITY, right = -INFINITY, bottom = -INFINITY;
        for (const Subtext* w : words) {
            left = std::min(left, double(w->left));
            top = std::min(top, double(w->top));
            right = std::max(right, double(w->left) + w->width);
            bottom = std::max(bottom, double(w->top) + w->height);
        }
        const double p = TableFinding::kPadding;
        QRectF rect = QRectF(QPointF(left - p, top - p), QPointF(right + p, bottom + p));
        if (!page_.isEmpty())
            rect = rect.intersected(page_);
        if (rect.isEmpty())
            return false;
        const QVector<double> columns = guessColumns(words_, rules_, rect);
        if (columns.isEmpty())
            return false;
        proposals_.append({rect, columns});
        return true;
    }

    void findBlocks(const std::vector<const Subtext*>& words)
    {
        const std::vector<WordLine> textLines = groupTextLines(words);
        std::vector<Line> lines;
        lines.reserve(textLines.size());
        for (const WordLine& t : textLines) {
            Line line{&t, inkOf(t.words), {}};
            line.groups = groupsOf(line.ink, minWidth_);
            lines.push_back(std::move(line));
        }
        const size_t n = lines.size();
        size_t i = 0;
        while (i < n) {
            if (!lines[i].tableLine()) {
                ++i;
                continue;
            }
            std::vector<Interval> channels = gapsBetween(lines[i].groups);
            size_t last = i;
            int tableLines = 1;
            for (size_t j = i + 1; j < n; ++j) {
                if (lines[j].text->top - lines[j - 1].text->bottom > maxLineGap_)
                    break;
                std::vector<Interval> kept = keepFree(channels, lines[j].ink, minWidth_);
                if (int(kept.size()) < TableFinding::kMinChannels)
                    break;
                channels = std::move(kept);
                if (lines[j].tableLine()) {
                    last = j;
                    ++tableLines;
                }
            }
            // A header row of two groups (one heading over several columns) still belongs.
            size_t first = i;
            while (first > 0 && lines[first - 1].groups.size() >= 2 &&
                   lines[first].text->top - lines[first - 1].text->bottom <= maxLineGap_ &&
                   int(keepFree(channels, lines[first - 1].ink, minWidth_).size()) >=
                       TableFinding::kMinChannels &&
                   (proposalBottom_ < lines[first - 1].text->top))
                --first;
            if (int(last - first + 1) >= TableFinding::kMinLines && tableLines >= 2) {
                std::vector<const Line*> block;
                for (size_t k = first; k <= last; ++k)
                    block.push_back(&lines[k]);
                proposeSplit(block, channels);
                proposalBottom_ = lines[last].text->bottom;
            }
            i = last + 1;
        }
    }

    // Channel `c` is a gap between two tables whose rows line up: much wider than every
    // other channel, with columns on both sides.
    bool separatesTables(const std::vector<Interval>& channels, size_t c) const
    {
        if (c == 0 || c + 1 >= channels.size())
            return false;
        double widest = 0;
        for (size_t i = 0; i < channels.size(); ++i)
            if (i != c)
                widest = std::max(widest, channels[i].width());
        const double width = channels[c].width();
        return width >= TableFinding::kSideBySideGap * widest &&
               width >= TableFinding::kMinSideBySideGap * charWidth_;
    }

    // Proposes the block of `lines`, or two tables when most lines have words on one side
    // of one of the channels only.
    void proposeSplit(const std::vector<const Line*>& lines, const std::vector<Interval>& channels)
    {
        for (size_t c = 0; c < channels.size(); ++c) {
            const double x = (channels[c].left + channels[c].right) / 2;
            int oneSided = 0, leftLines = 0, rightLines = 0;
            for (const Line* line : lines) {
                const bool left = line->ink.front().left < x;
                const bool right = line->ink.back().right > x;
                oneSided += left != right;
                leftLines += left;
                rightLines += right;
            }
            if ((2 * oneSided < int(lines.size()) && !separatesTables(channels, c)) ||
                leftLines < TableFinding::kMinLines || rightLines < TableFinding::kMinLines)
                continue;
            std::vector<Line> leftParts, rightParts;
            for (const Line* line : lines) {
                Line l{line->text, {}, {}}, r{line->text, {}, {}};
                for (const Interval& s : line->ink)
                    (s.right <= x ? l : r).ink.push_back(s);
                for (const Interval& g : line->groups)
                    (g.right <= x ? l : r).groups.push_back(g);
                if (!l.ink.empty())
                    leftParts.push_back(std::move(l));
                if (!r.ink.empty())
                    rightParts.push_back(std::move(r));
            }
            const std::vector<Interval> leftChannels(channels.begin(), channels.begin() + std::ptrdiff_t(c));
            const std::vector<Interval> rightChannels(channels.begin() + std::ptrdiff_t(c) + 1,
                                                      channels.end());
            const auto pointers = [](const std::vector<Line>& parts) {
                std::vector<const Line*> p;
                for (const Line& l : parts)
                    p.push_back(&l);
                return p;
            };
            proposeSplit(pointers(leftParts), leftChannels);
            proposeSplit(pointers(rightParts), rightChannels);
            return;
        }
        std::vector<const Subtext*> words;
        for (const Line* line : lines) {
            // Words and spans both ascend by left: each word lies in the last span starting
            // at or before it, or in none.
            size_t s = 0;
            for (const Subtext* w : line->text->words) {
                while (s + 1 < line->ink.size() && line->ink[s + 1].left <= w->left)
                    ++s;
                if (w->left >= line->ink[s].left && w->left < line->ink[s].right)
                    words.push_back(w);
            }
        }
        propose(words);
    }

    const QVector<Subtext>& words_;
    const QVector<PageRule>& rules_;
    const QRectF page_;
    double charWidth_ = 1;
    double minWidth_ = 2;
    double maxLineGap_ = 0;
    double proposalBottom_ = -INFINITY; // the last unruled table's bottom
    QVector<TableProposal> proposals_;
};

} // namespace

QVector<TableProposal> findTables(const QVector<Subtext>& words, const QVector<PageRule>& rules,
                                  const QSizeF& pageSize)
{
    return Finder(words, rules, pageSize).run();
}
