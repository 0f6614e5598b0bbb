#include "app/thumbnailloader.h"

#include <QEvent>
#include <QImageReader>
#include <QListWidget>
#include <QPainter>
#include <QPixmap>

#include <algorithm>

namespace {

// A blue label "Aa" in the thumbnail's lower right corner: text that came from the image.
QPixmap withBadge(QPixmap page)
{
    QPainter painter(&page);
    painter.setRenderHint(QPainter::Antialiasing);
    const int height = std::max(12, page.height() / 5);
    const QRectF badge(page.width() - height * 1.6 - 2, page.height() - height - 2, height * 1.6, height);
    painter.setPen(QPen(Qt::white, 1));
    painter.setBrush(QColor(0x1f, 0x6f, 0xd1));
    painter.drawRoundedRect(badge, 3, 3);
    QFont font = painter.font();
    font.setBold(true);
    font.setPixelSize(int(height * 0.7));
    painter.setFont(font);
    painter.drawText(badge, Qt::AlignCenter, QStringLiteral("Aa"));
    return page;
}

} // namespace

ThumbnailLoader::ThumbnailLoader(QListWidget* list) : QObject(list), list_(list)
{
    QPixmap blank(list->iconSize() * 0.8);
    blank.fill(Qt::white);
    QPainter(&blank).drawRect(blank.rect().adjusted(0, 0, -1, -1));
    placeholder_ = QIcon(blank);
    markedPlaceholder_ = QIcon(withBadge(blank));

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
    marked_.fill(false, paths_.size());
    for (int i = 0; i < paths_.size(); ++i)
        list_->addItem(new QListWidgetItem(placeholder_, QString::number(i + 1)));
    pending_.start();
}

void ThumbnailLoader::clear()
{
    list_->clear();
    paths_.clear();
    loaded_.clear();
    marked_.clear();
}

void ThumbnailLoader::setMarked(const QVector<bool>& marked)
{
    for (int row = 0; row < marked_.size(); ++row) {
        const bool mark = row < marked.size() && marked[row];
        if (mark == marked_[row])
            continue;
        marked_[row] = mark;
        // Drawn again, with or without the badge, when it is in view.
        loaded_[row] = false;
        QListWidgetItem* item = list_->item(row);
        item->setIcon(placeholder(mark));
        item->setToolTip(mark ? tr("Page %1: text recognised from the image").arg(row + 1) : QString());
    }
    pending_.start();
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
        const QIcon icon = thumbnail(paths_[row], marked_[row]);
        if (!icon.isNull())
            item->setIcon(icon);
    }
}

QIcon ThumbnailLoader::thumbnail(const QString& imagePath, bool marked) const
{
    QImageReader reader(imagePath);
    const QSize full = reader.size();
    if (full.isValid())
        reader.setScaledSize(full.scaled(list_->iconSize(), Qt::KeepAspectRatio));
    const QImage image = reader.read();
    if (image.isNull())
        return QIcon();
    const QPixmap page = QPixmap::fromImage(image);
    return QIcon(marked ? withBadge(page) : page);
}
