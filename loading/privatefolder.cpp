#include "loading/privatefolder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace {

QString tr(const char* text)
{
    return QCoreApplication::translate("PrivateFolder", text);
}

} // namespace

QString PrivateFolder::temporaryRoot()
{
    // Not QDir::tempPath(): it turns a missing $TMPDIR into "", which reads as the root.
    const QString set = qEnvironmentVariable("TMPDIR");
    return set.isEmpty() ? QStringLiteral("/tmp") : set;
}

std::unique_ptr<PrivateFolder> PrivateFolder::create(const QString& prefix, QString* error)
{
    const QString root = temporaryRoot();
    auto fail = [&](const QString& why) {
        *error =
            tr("No temporary folder could be created in %1: %2").arg(QDir::toNativeSeparators(root), why);
        return nullptr;
    };
    const QFileInfo rootInfo(root);
    if (!rootInfo.exists())
        return fail(tr("the folder does not exist"));
    if (!rootInfo.isDir())
        return fail(tr("it is not a folder"));
    const QString parent = rootInfo.canonicalFilePath();
    if (parent.isEmpty() || parent == QLatin1String("/") || !QDir::isAbsolutePath(parent))
        return fail(tr("it is not usable as a temporary folder"));
    QByteArray templ = QFile::encodeName(parent + '/' + prefix + "-XXXXXX");
    if (!mkdtemp(templ.data()))
        return fail(QString::fromLocal8Bit(std::strerror(errno)));
    const QString path = QFile::decodeName(templ);
    // A folder that cannot hold files (in /proc, for one) is no use either.
    const QString probe = path + "/.probe";
    QFile file(probe);
    if (!file.open(QIODevice::WriteOnly)) {
        const QString why = file.errorString();
        removeFolder(path, parent, prefix);
        return fail(why);
    }
    file.close();
    QFile::remove(probe);
    return std::unique_ptr<PrivateFolder>(new PrivateFolder(path, parent, prefix));
}

PrivateFolder::PrivateFolder(QString path, QString parent, QString prefix)
    : path_(std::move(path)), parent_(std::move(parent)), prefix_(std::move(prefix))
{
}

PrivateFolder::~PrivateFolder()
{
    removeFolder(path_, parent_, prefix_);
}

bool PrivateFolder::isPrivateFolderPath(const QString& path, const QString& parent, const QString& prefix)
{
    if (prefix.isEmpty() || parent.isEmpty() || path.isEmpty() || !QDir::isAbsolutePath(parent) ||
        !QDir::isAbsolutePath(path) || QDir::cleanPath(parent) != parent || QDir::cleanPath(path) != path ||
        parent == QLatin1String("/"))
        return false;
    const QFileInfo info(path);
    const QString name = info.fileName();
    return info.path() == parent && name.size() == prefix.size() + 7 && name.startsWith(prefix + '-');
}

bool PrivateFolder::removeFolder(const QString& path, const QString& parent, const QString& prefix)
{
    if (!isPrivateFolderPath(path, parent, prefix))
        return false;
    const QFileInfo info(path);
    if (info.isSymLink() || !info.isDir())
        return false;
    return QDir(path).removeRecursively();
}
