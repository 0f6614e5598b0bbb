#pragma once

#include <QIcon>
#include <QObject>
#include <QStringList>
#include <QTimer>
#include <QVector>

class QListWidget;

// Fills the page list: one item per page, text = page number, icon = the page image scaled to
// the list's icon size. Thumbnails are read only for items that come into view, each scaled
// while it is read, so opening a long document does not decode every page image up front.
class ThumbnailLoader : public QObject {
    Q_OBJECT

public:
    explicit ThumbnailLoader(QListWidget* list);

    // Replaces the list's items by one per image path (page 1 first), with a blank page as
    // icon until the item is shown.
    void setPages(const QStringList& imagePaths);
    void clear();

    bool isLoaded(int row) const { return row >= 0 && row < loaded_.size() && loaded_[row]; }

    // Marks the pages whose text was recognised from their image (index = row): a badge on
    // the thumbnail and a tool tip saying so. setPages() clears the marks.
    void setMarked(const QVector<bool>& marked);
    bool isMarked(int row) const { return row >= 0 && row < marked_.size() && marked_[row]; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void loadVisible();
    QIcon thumbnail(const QString& imagePath, bool marked) const;
    QIcon placeholder(bool marked) const { return marked ? markedPlaceholder_ : placeholder_; }

    QListWidget* list_;
    QStringList paths_;
    QVector<bool> loaded_;
    QVector<bool> marked_;
    QTimer pending_;
    QIcon placeholder_;
    QIcon markedPlaceholder_;
};
