#pragma once

// The open document's table geometry as a layout and back. The store keeps each page's table
// in page-image pixels; a layout keeps it in PDF points. One page's factor is its image
// pixels per point from text.xml, the conversion zq-extract uses, so a layout taken from the
// store and put back (or given to zq-extract) builds the same grids.

#include "extraction/layoutfile.h"
#include "extraction/pagestore.h"
#include "protocol/pagefiles.h"
#include "protocol/subtext.h"

#include <QVector>

#include <optional>

// Every page's table in points, index = page − 1; nullopt for a page without a table or
// without a usable size in `info`.
QVector<std::optional<PageLayout>> storePageLayouts(const PageStore& store, const DocumentInfo& info);

// The pages (1-based, ascending) whose column lines lie outside their table: a layout file
// cannot hold them.
QVector<int> pagesWithColumnsOutside(const QVector<std::optional<PageLayout>>& pages);

// Puts `pages` on the store: page i + 1 gets pages[i] built on its text, every other page
// loses its table. Pages beyond `pages` or the texts are cleared too.
void applyPageLayouts(PageStore& store, const QVector<PageText>& pageTexts,
                      const QVector<std::optional<PageLayout>>& pages, const DocumentInfo& info);
