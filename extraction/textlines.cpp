#include "extraction/textlines.h"

#include "extraction/gridparts.h"

#include <algorithm>

bool isTextWord(const Subtext& word)
{
    return word.width > 0 && word.height > 0 && !word.text.trimmed().isEmpty();
}

std::vector<const Subtext*> wordsInArea(const QVector<Subtext>& words, const QRectF& area)
{
    std::vector<const Subtext*> selected;
    const QRectF a = area.normalized();
    const double m = GridParts::kMargin;
    for (const Subtext& word : words) {
        if (!isTextWord(word))
            continue;
        // Sums in 64 bits: a page text may hold coordinates up to 2^31 − 1.
        if (!area.isNull() && !(word.left > a.left() - m && int64_t(word.left) + word.width < a.right() + m &&
                                word.top > a.top() - m && int64_t(word.top) + word.height < a.bottom() + m))
            continue;
        selected.push_back(&word);
    }
    return selected;
}

double medianWordHeight(const std::vector<const Subtext*>& words)
{
    if (words.empty())
        return 0;
    std::vector<int32_t> heights;
    heights.reserve(words.size());
    for (const Subtext* word : words)
        heights.push_back(word->height);
    const auto middle = heights.begin() + std::ptrdiff_t(heights.size() / 2);
    std::nth_element(heights.begin(), middle, heights.end());
    return *middle;
}

double medianCharacterWidth(const std::vector<const Subtext*>& words)
{
    if (words.empty())
        return 0;
    std::vector<double> widths;
    widths.reserve(words.size());
    for (const Subtext* word : words)
        widths.push_back(double(word->width) / double(std::max<qsizetype>(1, word->text.trimmed().size())));
    const auto middle = widths.begin() + std::ptrdiff_t(widths.size() / 2);
    std::nth_element(widths.begin(), middle, widths.end());
    return *middle;
}

std::vector<WordLine> groupTextLines(const std::vector<const Subtext*>& words)
{
    const auto middle = [](const Subtext* w) { return double(w->top) + double(w->height) / 2; };
    std::vector<const Subtext*> sorted;
    sorted.reserve(words.size());
    for (const Subtext* word : words)
        if (isTextWord(*word))
            sorted.push_back(word);
    // Ties broken by position, so the same page always gives the same lines.
    std::sort(sorted.begin(), sorted.end(), [&](const Subtext* a, const Subtext* b) {
        const double ma = middle(a), mb = middle(b);
        if (ma != mb)
            return ma < mb;
        if (a->left != b->left)
            return a->left < b->left;
        return a->top < b->top;
    });

    std::vector<WordLine> lines;
    for (const Subtext* word : sorted) {
        const double top = word->top;
        const double bottom = double(word->top) + word->height;
        if (!lines.empty()) {
            WordLine& line = lines.back();
            const double lineMiddle = (line.top + line.bottom) / 2;
            const double m = middle(word);
            if ((m >= line.top && m <= line.bottom) || (lineMiddle >= top && lineMiddle <= bottom)) {
                line.words.push_back(word);
                line.top = std::min(line.top, top);
                line.bottom = std::max(line.bottom, bottom);
                continue;
            }
        }
        WordLine line;
        line.top = top;
        line.bottom = bottom;
        line.words.push_back(word);
        lines.push_back(std::move(line));
    }
    for (WordLine& line : lines) {
        std::stable_sort(line.words.begin(), line.words.end(),
                         [](const Subtext* a, const Subtext* b) { return a->left < b->left; });
        line.left = line.words.front()->left;
        line.right = line.left;
        for (const Subtext* word : line.words)
            line.right = std::max(line.right, double(word->left) + word->width);
    }
    // Bands grown by tall words may end up out of order; lines read top to bottom.
    std::stable_sort(lines.begin(), lines.end(),
                     [](const WordLine& a, const WordLine& b) { return a.top < b.top; });
    return lines;
}
