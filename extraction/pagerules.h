#pragma once

#include "protocol/subtext.h"

#include <QString>
#include <QVector>

#include <cstdint>
#include <vector>

// A page image as plain grey pixels: row-major, one byte a pixel, 0 black … 255 white.
struct GreyImage {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> pixels; // width × height values

    uint8_t at(int x, int y) const { return pixels[size_t(y) * size_t(width) + size_t(x)]; }
};

// A straight rule found on a page image, in page-image pixels (the units of the word boxes).
//  - Horizontal: `position` is the y of the rule's centre line, `start` … `end` its x extent.
//  - Vertical: `position` is the x of the centre line, `start` … `end` its y extent.
// `thickness` is the rule's width across its direction in whole pixels (1 … 4). A filled band
// (row shading, a black box) gives one rule of thickness 0 on each of its edges instead, at
// the boundary between the band and its surroundings: a grey band over pixel rows 100 … 119
// gives horizontal edges at y 100 and y 120.
// Example: a 1 px black line over pixel row 40 from x 10 to x 309 gives
// {Horizontal, 40.5, 10, 310, 1}.
struct PageRule {
    enum class Direction { Horizontal, Vertical };
    Direction direction = Direction::Horizontal;
    double position = 0;
    double start = 0;
    double end = 0;
    int thickness = 0;

    bool isHorizontal() const { return direction == Direction::Horizontal; }
    double length() const { return end - start; }
    bool operator==(const PageRule&) const = default;
};

// What counts as a rule. Defaults are for the converter's 96 dpi page images.
struct RuleFinding {
    int minLength = 12;   // shorter dark runs are no rule
    int maxThickness = 4; // thicker strokes are filled bands and give their edges
    int maxGap = 4;       // gaps of up to this many light pixels (dashes, dots) are bridged
    int darkBelow = 245;  // a pixel darker than this is ink (anti-aliased grey included)
    int wordPadding = 2;  // word boxes are masked this much larger on every side
};

// Finds the horizontal and vertical rules of a page image. Pixels inside the word boxes are
// neither ink nor background: text is never taken for a rule, and a rule or a shaded band
// passing behind a word is not broken by it. Horizontal rules come first, top to bottom, then
// vertical ones, left to right. Time and memory grow linearly with the image size; an empty,
// blank or all-black image gives no rules.
QVector<PageRule> findPageRules(const GreyImage& image, const QVector<Subtext>& words,
                                const RuleFinding& finding = {});

// Reads a page image file (any format Qt reads, PNG for the converter's pages) as grey
// pixels. False, with a message for the log, when the file is missing or cannot be decoded.
bool readGreyImage(const QString& path, GreyImage* image, QString* error);
