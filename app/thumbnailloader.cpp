#include "app/thumbnailloader.h"

#include <QEvent>
#include <QImageReader>
#include <QListWidget>
#include <QPainter>
#include <QPixmap>

ThumbnailLoader::ThumbnailLoader(QListWidget* list) : QObject(list), list_(list)
{
    QPixmap blank(list->iconSize() * 0.8);
    blank.fill(Qt::white);
    QPainter(&blank).drawRect(blank.rect().adjusted(0, 0, -1, -1));
    placeholder_ = QIcon(blank);

    // Every paint of the list may bring new items into view; one pass per burst of paints.
    pending_.setSingleShot(true);
    pending_.setInterval(0);
    connect(&pending_, &QTimer::timeout, this, &ThumbnailLoader::loadVisible);
    list->viewport()->installEventFilter(this);
}

void ThumbnailLoader::setPages(const QStringList& imagePaths)
{
    clear();
    paths_ = imagePaths;
    loaded_.fill(false, paths_.size());
    for (int i = 0; i < paths_.size(); ++i)
        list_->addItem(new QListWidgetItem(placeholder_, QString::number(i + 1)));
    pending_.start();
}

void ThumbnailLoader::clear()
{
    list_->clear();
    paths_.clear();
    loaded_.clear();
}

bool ThumbnailLoader::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::Paint || event->type() == QEvent::Resize)
        pending_.start();
    return QObject::eventFilter(watched, event);
}

void ThumbnailLoader::loadVisible()
{
    const QRect view = list_->viewport()->rect();
    for (int row = 0; row < loaded_.size(); ++row) {
        if (loaded_[row])
            continue;
        QListWidgetItem* item = list_->item(row);
        const QRect shown = list_->visualItemRect(item);
        if (!shown.isValid() || !shown.intersects(view))
            continue;
        loaded_[row] = true;
        const QIcon icon = thumbnail(paths_[row]);
        if (!icon.isNull())
            item->setIcon(icon);
    }
}

QIcon ThumbnailLoader::thumbnail(const QString& imagePath) const
{
    QImageReader reader(imagePath);
    const QSize full = reader.size();
    if (full.isValid())
        reader.setScaledSize(full.scaled(list_->iconSize(), Qt::KeepAspectRatio));
    const QImage image = reader.read();
    return image.isNull() ? QIcon() : QIcon(QPixmap::fromImage(image));
}
