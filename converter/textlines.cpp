#include "converter/textlines.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

constexpr double kMaxHeightRatio = 3.0;

struct LineBuilder {
    TextLine line;
    QRectF reference; // the shortest word's box
};

double middle(const QRectF& box)
{
    return (box.top() + box.bottom()) / 2;
}

bool shareLine(const QRectF& a, const QRectF& b)
{
    const QRectF& shorter = a.height() <= b.height() ? a : b;
    const QRectF& taller = a.height() <= b.height() ? b : a;
    if (taller.height() > kMaxHeightRatio * std::max(shorter.height(), 1e-6))
        return false;
    const double m = middle(shorter);
    return m >= taller.top() && m <= taller.bottom();
}

} // namespace

std::vector<TextLine> groupIntoLines(std::vector<PageWord> words)
{
    std::stable_sort(words.begin(), words.end(),
                     [](const PageWord& a, const PageWord& b) { return middle(a.box) < middle(b.box); });
    double tallest = 0;
    for (const PageWord& word : words)
        tallest = std::max(tallest, word.box.height());

    std::vector<LineBuilder> builders;
    // Lines a later word may still reach. Words come by their middles, so no later word's
    // top lies above the current middle minus half the tallest word.
    std::vector<size_t> open;
    for (PageWord& word : words) {
        const double reach = middle(word.box) - tallest / 2;
        std::erase_if(open, [&](size_t i) { return builders[i].line.bottom < reach; });

        size_t best = builders.size();
        double bestDistance = std::numeric_limits<double>::max();
        for (size_t i : open) {
            if (!shareLine(word.box, builders[i].reference))
                continue;
            const double distance = std::abs(middle(word.box) - middle(builders[i].reference));
            if (distance < bestDistance) {
                bestDistance = distance;
                best = i;
            }
        }
        if (best == builders.size()) {
            builders.push_back({{word.box.top(), word.box.bottom(), {}}, word.box});
            open.push_back(best);
        }
        LineBuilder& builder = builders[best];
        builder.line.top = std::min(builder.line.top, word.box.top());
        builder.line.bottom = std::max(builder.line.bottom, word.box.bottom());
        if (word.box.height() < builder.reference.height())
            builder.reference = word.box;
        builder.line.words.push_back(std::move(word));
    }

    std::vector<TextLine> lines;
    lines.reserve(builders.size());
    for (LineBuilder& builder : builders) {
        std::stable_sort(builder.line.words.begin(), builder.line.words.end(),
                         [](const PageWord& a, const PageWord& b) { return a.box.left() < b.box.left(); });
        lines.push_back(std::move(builder.line));
    }
    std::stable_sort(lines.begin(), lines.end(), [](const TextLine& a, const TextLine& b) {
        return a.top + a.bottom < b.top + b.bottom;
    });
    return lines;
}
