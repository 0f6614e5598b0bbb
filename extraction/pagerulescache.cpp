#include "extraction/pagerulescache.h"

#include "protocol/pagefiles.h"

void PageRulesCache::reset(const QString& folder)
{
    folder_ = folder;
    rules_.clear();
}

const QVector<PageRule>& PageRulesCache::rules(int index, const QVector<Subtext>& words, const Warn& warn)
{
    const auto found = rules_.find(index);
    if (found != rules_.end())
        return found->second;
    QVector<PageRule> pageRules;
    GreyImage image;
    QString error;
    if (readGreyImage(PageFiles::imagePath(folder_, index + 1), &image, &error))
        pageRules = findPageRules(image, words);
    else if (warn)
        warn(error + QStringLiteral("; its rows are joined without its rules"));
    return rules_.emplace(index, std::move(pageRules)).first->second;
}
