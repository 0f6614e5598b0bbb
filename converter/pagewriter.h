#pragma once

#include "converter/pagerenderer.h"

#include <QString>

// Writes a rendered page's two files into `folder`: its image "text_pg_%04d.png" and its
// positioned text "text_pg_%04d.htm". On failure returns false and sets `error` to one line.
bool writePageFiles(const RenderedPage& page, const QString& folder, QString* error);

// Removes the page files of pages `from` … `through`, and of the pages after those as long as
// one of the two exists, so that what is left in `folder` ends before page `from`.
void removePageFilesFrom(const QString& folder, int from, int through = 0);
