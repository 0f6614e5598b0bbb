#pragma once

#include "app/documentopener.h"

#include <QObject>
#include <QString>
#include <QStringList>

class QMenu;

// How many PDFs File > Open Recent lists.
constexpr int kMaxRecentFiles = 8;

// `files` with `path` first, once, and at most kMaxRecentFiles long (the oldest go).
QStringList withRecentFile(QStringList files, const QString& path);

// File > Open Recent: the PDFs opened last, newest first, kept in setting.ini. Choosing one
// opens it as "Add File" does; one that no longer exists is dropped from the list and the
// status bar says so.
class RecentFilesMenu : public QObject {
    Q_OBJECT

public:
    // Adds "Open Recent" to `fileMenu`; the files chosen open through `opener`.
    RecentFilesMenu(QObject* parent, DocumentOpener* opener, QMenu* fileMenu);

    // Puts a document that was opened at the top of the list.
    void add(const QString& pdfPath);
    QMenu* menu() const { return menu_; }

private:
    void rebuild();
    void open(const QString& path);

    DocumentOpener* opener_;
    QMenu* menu_;
};
