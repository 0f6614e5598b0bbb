#pragma once

#include "extraction/pagerules.h"
#include "protocol/subtext.h"

#include <QString>
#include <QVector>
#include <map>

#include <functional>

// The rules of the open document's pages, found once per page from its page image in the
// converter's folder and kept until the document changes. A page image that cannot be read
// gives no rules and one warning (through `warn`) the first time it is asked for.
class PageRulesCache {
public:
    using Warn = std::function<void(const QString&)>;

    // `folder` holds the converter's page files; an empty folder clears the cache.
    void reset(const QString& folder);
    const QString& folder() const { return folder_; }

    // The rules of page `index` (from 0) whose words are `words`.
    const QVector<PageRule>& rules(int index, const QVector<Subtext>& words, const Warn& warn);

private:
    QString folder_;
    std::map<int, QVector<PageRule>> rules_; // stable references, unlike QHash
};
