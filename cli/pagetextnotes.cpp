#include "cli/pagetextnotes.h"

QString pageRanges(const QVector<int>& pages)
{
    QStringList parts;
    for (qsizetype i = 0; i < pages.size();) {
        qsizetype last = i;
        while (last + 1 < pages.size() && pages[last + 1] == pages[last] + 1)
            ++last;
        parts.append(last == i ? QString::number(pages[i])
                               : QStringLiteral("%1-%2").arg(pages[i]).arg(pages[last]));
        i = last + 1;
    }
    return parts.join(QLatin1String(", "));
}

QStringList pagesWithoutTextWarnings(const QVector<PageText>& texts)
{
    QVector<int> unread;     // no text layer, not recognised
    QVector<int> unreadable; // recognised, yet no words
    for (int i = 0; i < texts.size(); ++i) {
        if (!texts[i].runs.isEmpty())
            continue;
        (texts[i].recognised ? unreadable : unread).append(i + 1);
    }
    QStringList warnings;
    if (unread.size() == 1)
        warnings.append(QStringLiteral("page %1 has no text layer; --ocr recognises it").arg(unread[0]));
    else if (unread.size() > 1)
        warnings.append(
            QStringLiteral("pages %1 have no text layer; --ocr recognises them").arg(pageRanges(unread)));
    if (!unreadable.isEmpty())
        warnings.append(QStringLiteral("%1 %2: no text was recognised in the image")
                            .arg(unreadable.size() == 1 ? QStringLiteral("page") : QStringLiteral("pages"),
                                 pageRanges(unreadable)));
    return warnings;
}
