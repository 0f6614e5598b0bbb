#include "extraction/pagerules.h"

#include <QImage>

#include <algorithm>
#include <cstring>

namespace {

enum Pixel : uint8_t { Light = 0, Ink = 1, Masked = 2 };

// A dark run along one pixel line: [start, end) along the line.
struct Segment {
    int start;
    int end;
};

// Collects the dark runs of one pixel line fed pixel by pixel. Masked pixels bridge a run
// but neither start nor end one; light gaps up to maxGap are bridged too (dashes, dots).
class LineScanner {
public:
    // Most pixels are light pixels outside any run: that test comes first and stays inline.
    void feed(int position, uint8_t pixel, const RuleFinding& f, std::vector<Segment>& out)
    {
        if (pixel == Light && !open_)
            return;
        feedRun(position, pixel, f, out);
    }

    void feedRun(int position, uint8_t pixel, const RuleFinding& f, std::vector<Segment>& out)
    {
        if (pixel == Ink) {
            if (!open_) {
                open_ = true;
                start_ = position;
                ink_ = 0;
            }
            lastInk_ = position;
            lastSolid_ = position;
            ++ink_;
        } else if (pixel == Masked) {
            if (open_)
                lastSolid_ = position;
        } else if (open_ && position - lastSolid_ > f.maxGap) {
            close(f, out);
        }
    }

    bool isOpen() const { return open_; }

    void close(const RuleFinding& f, std::vector<Segment>& out)
    {
        if (!open_)
            return;
        open_ = false;
        const int extent = lastInk_ + 1 - start_;
        // Mostly masked or mostly gaps: a word beside a short stroke, or scattered specks.
        if (extent >= f.minLength && 2 * ink_ >= f.minLength && 4 * ink_ >= extent)
            out.push_back({start_, lastInk_ + 1});
    }

private:
    bool open_ = false;
    int start_ = 0;
    int lastInk_ = 0;
    int lastSolid_ = 0;
    int ink_ = 0;
};

// Runs on neighbouring pixel lines that overlap form one stroke across them.
struct Stroke {
    int firstLine;
    int lastLine;
    int start;
    int end;
    Segment last;
};

bool continues(const Segment& previous, const Segment& next)
{
    const int overlap = std::min(previous.end, next.end) - std::max(previous.start, next.start);
    // Measured against the longer run: a rule running into a band beside it stays a rule.
    const int longer = std::max(previous.end - previous.start, next.end - next.start);
    return 2 * overlap >= longer;
}

// `lightBeside(line, start, end)`: how many pixels of [start, end) on `line` are background.
template <typename LightBeside>
void finish(const Stroke& s, int lineCount, PageRule::Direction direction, const RuleFinding& f,
            LightBeside lightBeside, QVector<PageRule>& rules)
{
    const int thickness = s.lastLine - s.firstLine + 1;
    if (thickness <= f.maxThickness) {
        rules.append({direction, s.firstLine + thickness / 2.0, double(s.start), double(s.end), thickness});
        return;
    }
    // A filled band: its edges, where it meets the page. An edge on the image border has
    // nothing beside it (an all-black page gives nothing); a band ending where a word's mask
    // begins is cut by the mask, not ended, unless the page shows beside it too: the words of
    // a table row start one pixel below the ruled edge of a shaded header above them.
    const auto isEdge = [&](int beside) {
        if (beside < 0 || beside >= lineCount)
            return false;
        const int light = lightBeside(beside, s.start, s.end);
        return light >= f.minLength && 8 * light >= s.end - s.start;
    };
    if (isEdge(s.firstLine - 1))
        rules.append({direction, double(s.firstLine), double(s.start), double(s.end), 0});
    if (isEdge(s.lastLine + 1))
        rules.append({direction, double(s.lastLine + 1), double(s.start), double(s.end), 0});
}

// Joins the runs of consecutive lines into strokes. `segmentsOf(line)` gives a line's runs in
// ascending order; each run continues at most one stroke of the line before.
template <typename SegmentsOf, typename LightBeside>
QVector<PageRule> strokesToRules(int lineCount, SegmentsOf segmentsOf, LightBeside lightBeside,
                                 PageRule::Direction direction, const RuleFinding& f)
{
    QVector<PageRule> rules;
    std::vector<Stroke> active;
    std::vector<Stroke> next;
    std::vector<bool> continued;
    for (int line = 0; line <= lineCount; ++line) {
        static const std::vector<Segment> none;
        const std::vector<Segment>& segments = line < lineCount ? segmentsOf(line) : none;
        next.clear();
        continued.assign(active.size(), false);
        size_t j = 0;
        for (const Segment& segment : segments) {
            while (j < active.size() && active[j].last.end <= segment.start)
                ++j;
            size_t match = active.size();
            for (size_t k = j; k < active.size() && active[k].last.start < segment.end; ++k) {
                if (!continued[k] && continues(active[k].last, segment)) {
                    match = k;
                    break;
                }
            }
            if (match < active.size()) {
                continued[match] = true;
                Stroke s = active[match];
                s.lastLine = line;
                s.start = std::min(s.start, segment.start);
                s.end = std::max(s.end, segment.end);
                s.last = segment;
                next.push_back(s);
            } else {
                next.push_back({line, line, segment.start, segment.end, segment});
            }
        }
        for (size_t k = 0; k < active.size(); ++k)
            if (!continued[k])
                finish(active[k], lineCount, direction, f, lightBeside, rules);
        // Continued strokes keep the order of their runs, which ascend.
        std::swap(active, next);
    }
    std::stable_sort(rules.begin(), rules.end(), [](const PageRule& a, const PageRule& b) {
        return a.position != b.position ? a.position < b.position : a.start < b.start;
    });
    return rules;
}

} // namespace

QVector<PageRule> findPageRules(const GreyImage& image, const QVector<Subtext>& words, const RuleFinding& f)
{
    const int w = image.width;
    const int h = image.height;
    if (w <= 0 || h <= 0 || image.pixels.size() < size_t(w) * size_t(h))
        return {};

    std::vector<uint8_t> pixels(size_t(w) * size_t(h));
    // Local copies: stores through uint8_t pointers could alias them and stop vectorizing.
    const int darkBelow = f.darkBelow;
    const uint8_t* grey = image.pixels.data();
    uint8_t* classes = pixels.data();
    for (size_t i = 0, n = pixels.size(); i < n; ++i)
        classes[i] = grey[i] < darkBelow ? Ink : Light;
    // Word boxes grown a little: anti-aliased glyph edges reach a pixel or two past them.
    for (const Subtext& word : words) {
        const int64_t x0 = std::max<int64_t>(int64_t(word.left) - f.wordPadding, 0);
        const int64_t y0 = std::max<int64_t>(int64_t(word.top) - f.wordPadding, 0);
        const int64_t x1 = std::min<int64_t>(int64_t(word.left) + word.width + f.wordPadding, w);
        const int64_t y1 = std::min<int64_t>(int64_t(word.top) + word.height + f.wordPadding, h);
        for (int64_t y = y0; y < y1; ++y)
            std::fill_n(pixels.begin() + y * w + x0, std::max<int64_t>(x1 - x0, 0), uint8_t(Masked));
    }

    // One pass in row order feeds the row's scanner and every column's scanner.
    std::vector<std::vector<Segment>> rowSegments{size_t(h)};
    std::vector<std::vector<Segment>> columnSegments{size_t(w)};
    std::vector<LineScanner> columns{size_t(w)};
    // columnOpen[x]: whether column x's scanner is inside a run. Eight light pixels under eight
    // closed column scanners, with the row's scanner closed, change nothing and are skipped
    // together: most of a page is background.
    std::vector<uint8_t> columnOpen(size_t(w) + 8, 0);
    for (int y = 0; y < h; ++y) {
        const uint8_t* row = pixels.data() + size_t(y) * size_t(w);
        std::vector<Segment>& rowOut = rowSegments[size_t(y)];
        LineScanner scanner;
        int x = 0;
        while (x < w) {
            if (x + 8 <= w && !scanner.isOpen()) {
                uint64_t pixels8 = 0;
                uint64_t open8 = 0;
                std::memcpy(&pixels8, row + x, 8);
                std::memcpy(&open8, columnOpen.data() + x, 8);
                if ((pixels8 | open8) == 0) {
                    x += 8;
                    continue;
                }
            }
            scanner.feed(x, row[x], f, rowOut);
            LineScanner& column = columns[size_t(x)];
            column.feed(y, row[x], f, columnSegments[size_t(x)]);
            columnOpen[size_t(x)] = column.isOpen();
            ++x;
        }
        scanner.close(f, rowOut);
    }
    for (int x = 0; x < w; ++x)
        columns[size_t(x)].close(f, columnSegments[size_t(x)]);

    const auto lightInRow = [&](int y, int x0, int x1) {
        const uint8_t* row = pixels.data() + size_t(y) * size_t(w);
        return int(std::count(row + x0, row + x1, uint8_t(Light)));
    };
    const auto lightInColumn = [&](int x, int y0, int y1) {
        int light = 0;
        for (int y = y0; y < y1; ++y)
            light += pixels[size_t(y) * size_t(w) + size_t(x)] == Light;
        return light;
    };
    QVector<PageRule> rules = strokesToRules(
        h, [&](int y) -> const std::vector<Segment>& { return rowSegments[size_t(y)]; }, lightInRow,
        PageRule::Direction::Horizontal, f);
    rules += strokesToRules(
        w, [&](int x) -> const std::vector<Segment>& { return columnSegments[size_t(x)]; }, lightInColumn,
        PageRule::Direction::Vertical, f);
    return rules;
}

bool readGreyImage(const QString& path, GreyImage* image, QString* error)
{
    QImage decoded(path);
    if (decoded.isNull()) {
        *error = QStringLiteral("cannot read the page image %1").arg(path);
        return false;
    }
    // Locals throughout: stores through uint8_t pointers may alias anything, which would
    // reload every member on every pixel.
    const int width = decoded.width();
    const int height = decoded.height();
    std::vector<uint8_t> pixels(size_t(width) * size_t(height));
    uint8_t* out = pixels.data();
    if (decoded.format() == QImage::Format_Grayscale8) {
        for (int y = 0; y < height; ++y, out += width)
            std::copy_n(decoded.constScanLine(y), width, out);
    } else {
        // The converter's pages decode as RGB32; this integer form of qGray() is several times
        // faster than Qt's own conversion to grey.
        if (decoded.format() != QImage::Format_RGB32 && decoded.format() != QImage::Format_ARGB32)
            decoded = decoded.convertToFormat(QImage::Format_RGB32);
        for (int y = 0; y < height; ++y, out += width) {
            const uint32_t* row = reinterpret_cast<const uint32_t*>(decoded.constScanLine(y));
            for (int x = 0; x < width; ++x) {
                const uint32_t p = row[x];
                out[x] = uint8_t((((p >> 16) & 0xff) * 11 + ((p >> 8) & 0xff) * 16 + (p & 0xff) * 5) >> 5);
            }
        }
    }
    image->width = width;
    image->height = height;
    image->pixels = std::move(pixels);
    return true;
}
