#include "extraction/pagerules.h"
#include "extraction/pagerulescache.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QTemporaryDir>

#include <functional>
#include <string>

namespace {

GreyImage whitePage(int width = 400, int height = 300, uint8_t value = 255)
{
    return {width, height, std::vector<uint8_t>(size_t(width) * size_t(height), value)};
}

void fill(GreyImage& image, int x0, int y0, int x1, int y1, uint8_t value,
          const std::function<bool(int, int)>& where = {})
{
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x)
            if (!where || where(x, y))
                image.pixels[size_t(y) * size_t(image.width) + size_t(x)] = value;
}

std::string describe(const QVector<PageRule>& rules)
{
    std::string text;
    for (const PageRule& r : rules)
        text += (r.isHorizontal() ? "H " : "V ") + QString::number(r.position).toStdString() + " " +
                QString::number(r.start).toStdString() + "-" + QString::number(r.end).toStdString() + " t" +
                std::to_string(r.thickness) + "\n";
    return text;
}

} // namespace

TEST(PageRules, FindsRulesOfEveryKind)
{
    struct Case {
        const char* name;
        std::function<void(GreyImage&)> draw;
        QVector<Subtext> words;
        const char* expected;
    };
    const Case cases[] = {
        {"thin black", [](GreyImage& p) { fill(p, 10, 40, 310, 41, 0); }, {}, "H 40.5 10-310 t1\n"},
        {"thick", [](GreyImage& p) { fill(p, 10, 40, 310, 44, 0); }, {}, "H 42 10-310 t4\n"},
        {"anti-aliased grey over two rows",
         [](GreyImage& p) {
             fill(p, 10, 40, 310, 41, 200);
             fill(p, 10, 41, 310, 42, 140);
         },
         {},
         "H 41 10-310 t2\n"},
        {"dashed",
         [](GreyImage& p) { fill(p, 10, 40, 310, 41, 0, [](int x, int) { return x % 8 < 4; }); },
         {},
         "H 40.5 10-308 t1\n"},
        {"dotted",
         [](GreyImage& p) { fill(p, 10, 40, 310, 41, 60, [](int x, int) { return x % 3 == 1; }); },
         {},
         "H 40.5 10-308 t1\n"},
        {"vertical", [](GreyImage& p) { fill(p, 100, 20, 101, 220, 0); }, {}, "V 100.5 20-220 t1\n"},
        {"too short", [](GreyImage& p) { fill(p, 10, 40, 21, 41, 0); }, {}, ""},
        {"too far apart",
         [](GreyImage& p) { fill(p, 10, 40, 310, 41, 0, [](int x, int) { return x % 12 < 2; }); },
         {},
         ""},
        {"shaded band gives its edges",
         [](GreyImage& p) { fill(p, 20, 100, 380, 130, 235); },
         {},
         "H 100 20-380 t0\nH 130 20-380 t0\nV 20 100-130 t0\nV 380 100-130 t0\n"},
        {"a word on a shaded band cuts no edge into it",
         [](GreyImage& p) { fill(p, 20, 100, 380, 130, 235); },
         {{150, 106, 60, 18, "Header"}},
         "H 100 20-380 t0\nH 130 20-380 t0\nV 20 100-130 t0\nV 380 100-130 t0\n"},
        {"text is masked: a word's strokes are no rule",
         [](GreyImage& p) { fill(p, 50, 60, 150, 62, 0); },
         {{45, 50, 110, 20, "underscored"}},
         ""},
        {"a rule behind a word stays one rule",
         [](GreyImage& p) { fill(p, 10, 40, 310, 41, 0); },
         {{100, 30, 40, 12, "word"}},
         "H 40.5 10-310 t1\n"},
        {"text close above a rule",
         [](GreyImage& p) {
             fill(p, 40, 30, 48, 39, 0);
             fill(p, 10, 40, 310, 41, 0);
         },
         {{40, 28, 30, 11, "Ab"}},
         "H 40.5 10-310 t1\n"},
        {"table grid",
         [](GreyImage& p) {
             fill(p, 20, 20, 381, 21, 0);
             fill(p, 20, 120, 381, 121, 0);
             fill(p, 20, 20, 21, 121, 0);
             fill(p, 380, 20, 381, 121, 0);
         },
         {},
         "H 20.5 20-381 t1\nH 120.5 20-381 t1\nV 20.5 20-121 t1\nV 380.5 20-121 t1\n"},
        {"blank page", [](GreyImage&) {}, {}, ""},
        {"all-black page", [](GreyImage& p) { fill(p, 0, 0, p.width, p.height, 0); }, {}, ""},
    };
    for (const Case& c : cases) {
        GreyImage page = whitePage();
        c.draw(page);
        EXPECT_EQ(describe(findPageRules(page, c.words)), c.expected) << c.name;
    }
}

TEST(PageRules, DegenerateImagesGiveNoRules)
{
    EXPECT_TRUE(findPageRules(GreyImage{}, {}).isEmpty());
    EXPECT_TRUE(findPageRules(GreyImage{10, 10, {}}, {}).isEmpty()); // fewer pixels than its size
    // Word boxes reaching past the image are clipped.
    GreyImage page = whitePage(50, 50);
    EXPECT_TRUE(findPageRules(page, {{-100, -100, 1000, 1000, "huge"}, {INT32_MAX - 5, 10, 100, 10, "far"}})
                    .isEmpty());
}

TEST(PageRules, ReadsPageImagesAndReportsBadFiles)
{
    QTemporaryDir dir;
    QImage image(64, 32, QImage::Format_RGB32);
    image.fill(Qt::white);
    for (int x = 4; x < 60; ++x)
        image.setPixel(x, 10, qRgb(0, 0, 0));
    ASSERT_TRUE(image.save(dir.filePath("page.png")));
    GreyImage grey;
    QString error;
    ASSERT_TRUE(readGreyImage(dir.filePath("page.png"), &grey, &error));
    EXPECT_EQ(describe(findPageRules(grey, {})), "H 10.5 4-60 t1\n");

    QFile truncated(dir.filePath("truncated.png"));
    QFile whole(dir.filePath("page.png"));
    ASSERT_TRUE(whole.open(QIODevice::ReadOnly) && truncated.open(QIODevice::WriteOnly));
    truncated.write(whole.read(whole.size() / 2));
    truncated.close();
    for (const char* name : {"missing.png", "truncated.png"}) {
        error.clear();
        EXPECT_FALSE(readGreyImage(dir.filePath(name), &grey, &error)) << name;
        EXPECT_TRUE(error.contains(name)) << name;
    }

    // A page whose image cannot be read has no rules and is warned about once, not per use.
    PageRulesCache cache;
    cache.reset(dir.path());
    QStringList warnings;
    const auto warn = [&](const QString& message) { warnings.append(message); };
    EXPECT_TRUE(cache.rules(0, {}, warn).isEmpty());
    EXPECT_TRUE(cache.rules(0, {}, warn).isEmpty());
    ASSERT_EQ(warnings.size(), 1);
    EXPECT_TRUE(warnings[0].contains("joined without its rules")) << warnings[0].toStdString();
}
