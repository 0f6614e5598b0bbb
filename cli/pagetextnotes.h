#pragma once

// What zq-extract says about pages without words: without text recognition a page without a
// text layer would silently give an empty table, and with it a page may still give no words.

#include "protocol/subtext.h"

#include <QString>
#include <QStringList>
#include <QVector>

// One warning a kind: "page 2 has no text layer; --ocr recognises it",
// "pages 2-4, 7 have no text layer; --ocr recognises them", "page 3: no text was recognised
// in its image". None when every page has words.
QStringList pagesWithoutTextWarnings(const QVector<PageText>& texts);

// Pages as a short list: {2, 3, 4, 7} → "2-4, 7".
QString pageRanges(const QVector<int>& pages);
