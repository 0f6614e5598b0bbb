#include "extraction/columnguess.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace {

// Profiles wider than this (a hostile page) are not searched.
constexpr int64_t kMaxProfileWidth = int64_t(1) << 22;

struct Span {
    double left;
    double right;
};

// Column lines from the whitespace channels of `lines`, restricted to the words whose middle
// lies in [from, to).
void channelLines(const std::vector<WordLine>& allLines, double from, double to, std::vector<double>* out)
{
    // The lines' words inside the segment, as merged ink spans per line.
    std::vector<std::vector<Span>> ink;
    std::vector<const Subtext*> segmentWords;
    double left = INFINITY, right = -INFINITY;
    for (const WordLine& line : allLines) {
        std::vector<Span> spans;
        for (const Subtext* w : line.words) {
            const double middle = w->left + w->width / 2.0;
            if (middle < from || middle >= to)
                continue;
            segmentWords.push_back(w);
            const Span s{double(w->left), double(w->left) + w->width};
            left = std::min(left, s.left);
            right = std::max(right, s.right);
            if (!spans.empty() && s.left <= spans.back().right)
                spans.back().right = std::max(spans.back().right, s.right);
            else
                spans.push_back(s);
        }
        if (!spans.empty())
            ink.push_back(std::move(spans));
    }
    const int64_t lineCount = int64_t(ink.size());
    if (lineCount == 0)
        return;
    const int64_t base = int64_t(std::floor(left));
    const int64_t width = int64_t(std::ceil(right)) - base;
    if (width <= 1 || width > kMaxProfileWidth)
        return;

    // coverage[x]: how many lines have ink over pixel column base + x.
    std::vector<int32_t> coverage(size_t(width) + 1, 0);
    for (const auto& spans : ink) {
        for (const Span& s : spans) {
            coverage[size_t(int64_t(std::floor(s.left)) - base)] += 1;
            coverage[size_t(int64_t(std::ceil(s.right)) - base)] -= 1;
        }
    }
    for (int64_t x = 1; x <= width; ++x)
        coverage[size_t(x)] += coverage[size_t(x - 1)];

    const double scale = medianCharacterWidth(segmentWords);
    const bool oneLine = lineCount == 1;
    const double minWidth =
        std::max(2.0, scale * (oneLine ? ColumnGuess::kMinSingleLineGap : ColumnGuess::kMinChannel));
    const int32_t tolerance = int32_t((lineCount - 1) / 3);

    for (int64_t x = 0; x < width;) {
        if (coverage[size_t(x)] > tolerance) {
            ++x;
            continue;
        }
        int64_t end = x;
        while (end < width && coverage[size_t(end)] <= tolerance)
            ++end;
        const int64_t start = x;
        x = end;
        // Plateaus at the channel's lowest coverage and lower than both neighbours: its clean
        // parts, one on each side of words alone in the channel. A plateau at the text's left
        // or right end separates nothing, nor does a dip in the thinning ends of a column.
        const int32_t lowest = *std::min_element(coverage.begin() + start, coverage.begin() + end);
        std::vector<double> found;
        int64_t lowestStart = 0, lowestWidth = 0;
        for (int64_t a = start; a < end;) {
            const int32_t v = coverage[size_t(a)];
            int64_t b = a;
            while (b < end && coverage[size_t(b)] == v)
                ++b;
            if (v == lowest) {
                if (b - a > lowestWidth) {
                    lowestStart = a;
                    lowestWidth = b - a;
                }
                const bool valley =
                    a > 0 && b < width && coverage[size_t(a - 1)] > v && coverage[size_t(b)] > v;
                if (valley && double(b - a) >= minWidth)
                    found.push_back(double(base) + double(a + b) / 2);
            }
            a = b;
        }
        // A channel broken into narrow pieces by a stray word still separates two columns.
        if (found.empty() && start > 0 && end < width && double(end - start) >= minWidth && lowestStart > 0 &&
            lowestStart + lowestWidth < width)
            found.push_back(double(base) + double(2 * lowestStart + lowestWidth) / 2);
        out->insert(out->end(), found.begin(), found.end());
    }
}

// Vertical rules crossing most of the lines' height, strictly between their text's ends.
std::vector<double> ruleLines(const std::vector<WordLine>& lines, const QVector<PageRule>& rules)
{
    double top = INFINITY, bottom = -INFINITY, left = INFINITY, right = -INFINITY;
    for (const WordLine& line : lines) {
        top = std::min(top, line.top);
        bottom = std::max(bottom, line.bottom);
        left = std::min(left, line.left);
        right = std::max(right, line.right);
    }
    std::vector<double> positions;
    for (const PageRule& rule : rules) {
        if (rule.isHorizontal() || rule.position <= left + 1 || rule.position >= right - 1)
            continue;
        const double crossed = std::min(rule.end, bottom) - std::max(rule.start, top);
        if (crossed >= 0.6 * (bottom - top))
            positions.push_back(rule.position);
    }
    std::sort(positions.begin(), positions.end());
    std::vector<double> merged;
    for (size_t i = 0; i < positions.size();) {
        size_t j = i;
        double sum = 0;
        while (j < positions.size() && positions[j] - positions[i] < 4)
            sum += positions[j++];
        merged.push_back(sum / double(j - i));
        i = j;
    }
    return merged;
}

} // namespace

QVector<double> guessColumnsOfLines(const std::vector<WordLine>& lines, const QVector<PageRule>& rules)
{
    if (lines.empty())
        return {};
    const std::vector<double> ruled = ruleLines(lines, rules);
    std::vector<double> bounds;
    bounds.push_back(-INFINITY);
    bounds.insert(bounds.end(), ruled.begin(), ruled.end());
    bounds.push_back(INFINITY);
    std::vector<double> result;
    for (size_t i = 0; i + 1 < bounds.size(); ++i) {
        if (i > 0)
            result.push_back(bounds[i]);
        channelLines(lines, bounds[i], bounds[i + 1], &result);
    }
    std::sort(result.begin(), result.end());
    return QVector<double>(result.begin(), result.end());
}

QVector<double> guessColumns(const QVector<Subtext>& words, const QVector<PageRule>& rules,
                             const QRectF& area)
{
    if (area.isEmpty() && area.normalized().isEmpty())
        return {};
    return guessColumnsOfLines(groupTextLines(wordsInArea(words, area)), rules);
}
