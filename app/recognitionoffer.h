#pragma once

#include "loading/documentloader.h"
#include "protocol/subtext.h"

#include <QObject>
#include <QString>
#include <QVector>

class QProgressDialog;
class WindowDialogs;

// Pages without a text layer (scanned pages) as the window speaks of them. Plain data in,
// plain text out.
namespace NoTextLayer {

// The numbers (from 1) of the pages that have no words and were not recognised.
QVector<int> pages(const QVector<PageText>& texts);

// The offer after loading, naming how many of the `pageCount` pages are `pages`.
QString question(const QVector<int>& pages, int pageCount);

// The status bar's note on page `page`: recognised, recognised without words, or without a
// text layer; "" for a page with a text layer.
QString pageNote(int page, const PageText& text);

} // namespace NoTextLayer

// Loads a document again with the words of its pages without a text layer recognised from
// their images, behind the window's busy dialog: pages done of total while the converter
// recognises, then the page texts read. Cancel ends it; the document shown is not touched
// here, the caller puts the recognised one in its place.
class RecognitionRun : public QObject {
    Q_OBJECT

public:
    explicit RecognitionRun(QObject* parent = nullptr);

    // Runs until the load ends or the user closes the busy dialog. The recognised document,
    // or an empty one when cancelled or failed (failureReason() then says why; "" when
    // cancelled).
    LoadedDocument run(const QString& pdfPath, const QString& converterDir, QProgressDialog* busy,
                       WindowDialogs& dialogs);
    QString failureReason() const { return failure_; }
    DocumentLoader* loader() { return &loader_; }

private:
    DocumentLoader loader_;
    QString failure_;
};
