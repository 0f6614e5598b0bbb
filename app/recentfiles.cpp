#include "app/recentfiles.h"

#include "app/settings.h"

#include <QDir>
#include <QFileInfo>
#include <QMenu>

QStringList withRecentFile(QStringList files, const QString& path)
{
    files.removeAll(path);
    files.prepend(path);
    while (files.size() > kMaxRecentFiles)
        files.removeLast();
    return files;
}

RecentFilesMenu::RecentFilesMenu(QObject* parent, DocumentOpener* opener, QMenu* fileMenu)
    : QObject(parent), opener_(opener), menu_(fileMenu->addMenu(tr("Open &Recent")))
{
    menu_->setObjectName(QStringLiteral("menu_recent"));
    // Another copy of the program may have opened files since.
    connect(fileMenu, &QMenu::aboutToShow, this, &RecentFilesMenu::rebuild);
    rebuild();
}

void RecentFilesMenu::add(const QString& pdfPath)
{
    AppSettings::setRecentFiles(
        withRecentFile(AppSettings::recentFiles(), QFileInfo(pdfPath).absoluteFilePath()));
    rebuild();
}

void RecentFilesMenu::rebuild()
{
    menu_->clear();
    const QStringList files = AppSettings::recentFiles();
    menu_->setEnabled(!files.isEmpty());
    for (int i = 0; i < files.size() && i < kMaxRecentFiles; ++i) {
        const QString path = files[i];
        QString shown = QDir::toNativeSeparators(path);
        shown.replace(u'&', QStringLiteral("&&"));
        QAction* action = menu_->addAction(QStringLiteral("&%1 %2").arg(i + 1).arg(shown));
        // Queued: opening and clearing rebuild the menu, which deletes the action triggered.
        connect(
            action, &QAction::triggered, this, [this, path] { open(path); }, Qt::QueuedConnection);
    }
    if (files.isEmpty())
        return;
    menu_->addSeparator();
    QAction* clear = menu_->addAction(tr("&Clear List"));
    connect(
        clear, &QAction::triggered, this,
        [this] {
            AppSettings::setRecentFiles({});
            rebuild();
        },
        Qt::QueuedConnection);
}

void RecentFilesMenu::open(const QString& path)
{
    if (QFileInfo(path).isFile()) {
        opener_->openDocument(path);
        return;
    }
    QStringList files = AppSettings::recentFiles();
    files.removeAll(path);
    AppSettings::setRecentFiles(files);
    rebuild();
    opener_->showStatus(
        tr("%1 no longer exists; it was removed from the recent files.").arg(QDir::toNativeSeparators(path)),
        15000);
}
