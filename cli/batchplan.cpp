#include "cli/batchplan.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>

#include <algorithm>

QString batchOutputName(const QString& input, const QString& suffix)
{
    QString name = QFileInfo(input).fileName();
    if (name.endsWith(QLatin1String(".pdf"), Qt::CaseInsensitive) && name.size() > 4)
        name.chop(4);
    return name + suffix;
}

std::optional<QStringList> listPdfs(const QString& folder, QString* error)
{
    const QDir dir(folder);
    if (!QFileInfo(folder).isDir() || !dir.isReadable()) {
        *error = QStringLiteral("cannot read the folder %1").arg(folder);
        return std::nullopt;
    }
    QStringList pdfs;
    for (const QFileInfo& entry : dir.entryInfoList(QDir::Files | QDir::Hidden, QDir::Unsorted))
        if (entry.fileName().endsWith(QLatin1String(".pdf"), Qt::CaseInsensitive))
            pdfs.append(folder.endsWith('/') ? folder + entry.fileName() : folder + '/' + entry.fileName());
    return pdfs;
}

std::optional<QVector<BatchItem>> planBatch(const QStringList& inputs, const QString& suffix, int shardIndex,
                                            int shardCount, QString* error)
{
    struct Keyed {
        QString fileName;
        BatchItem item;
    };
    QVector<Keyed> all;
    all.reserve(inputs.size());
    QHash<QString, QString> inputByOutput;
    for (const QString& input : inputs) {
        const BatchItem item{input, batchOutputName(input, suffix)};
        const auto clash = inputByOutput.constFind(item.outputName);
        if (clash != inputByOutput.constEnd()) {
            *error = QStringLiteral("%1 and %2 would both be written as %3")
                         .arg(clash.value(), input, item.outputName);
            return std::nullopt;
        }
        inputByOutput.insert(item.outputName, input);
        all.append({QFileInfo(input).fileName(), item});
    }
    // Equal file names give equal output names, refused above, so the order is total.
    std::sort(all.begin(), all.end(), [](const Keyed& a, const Keyed& b) { return a.fileName < b.fileName; });
    QVector<BatchItem> share;
    for (qsizetype i = shardIndex; i < all.size(); i += shardCount)
        share.append(all[i].item);
    return share;
}
