#pragma once

#include "app/documentopener.h"

#include <QList>
#include <QObject>
#include <QString>
#include <QUrl>

class QWidget;

// What to do with files dropped on the window.
struct DropDecision {
    QString pdf;     // the file to open, absolute; "" when nothing is opened
    QString message; // why nothing is opened, for the status bar
};

// The first dropped local file that is a PDF (its name ends in ".pdf" or it starts with
// "%PDF-"); otherwise why none is opened. Folders and other files are never opened.
DropDecision decideDrop(const QList<QUrl>& urls);

// Opens the file named on the command line as "Add File" would. A path that does not exist or
// is a folder opens nothing and says so in the status bar.
void openFileAtStart(DocumentOpener& window, const QString& path);

// Lets PDFs be dropped on `window`: a dropped PDF opens through `opener` (so a cancelled or
// failed open keeps the document shown), anything else is refused with a status message.
class FileDropOpener : public QObject {
    Q_OBJECT

public:
    FileDropOpener(QWidget* window, DocumentOpener* opener);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* window_;
    DocumentOpener* opener_;
};
