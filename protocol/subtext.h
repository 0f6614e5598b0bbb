#pragma once

#include <QString>
#include <QVector>

#include <cstdint>

// One positioned text run of a page, as the converter wrote it: a box in page-image pixels
// (origin top-left, y downwards) and the run's text.
struct Subtext {
    int32_t left = 0;
    int32_t top = 0;
    int32_t width = 0;
    int32_t height = 0;
    QString text;

    bool operator==(const Subtext&) const = default;
};

// The parsed text of one page: one run per non-empty line of its page text, in line order.
// `recognised`: the words were read from the page image by text recognition, not taken from
// a text layer.
struct PageText {
    int lineCount = 0;
    QVector<Subtext> runs;
    bool recognised = false;

    bool operator==(const PageText&) const = default;
};
