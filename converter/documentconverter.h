#pragma once

#include "extraction/textrecognition.h"
#include "protocol/converter.h"

#include <QString>

#include <functional>
#include <memory>
#include <vector>

namespace Poppler {
class Document;
}

// Converts one PDF into the page files of PageFiles: for every page from 1, its image and its
// positioned text in the folder of `infoPath`, then the document description at `infoPath`
// (text.xml). Pages are rendered on all cores, each thread with its own copy of the document.
//
// A document that cannot be converted (missing, unreadable, damaged, empty, protected by a
// password, no pages, or a folder that cannot be written) leaves no page files behind: the
// ones of an earlier conversion in that folder are removed too, so that the folder never
// shows another document's pages as if they were this one's.
//
// A page not rendered within `pageTimeout` seconds fails the conversion (PageTimeout) with a
// message naming it; with recognition, the budget covers rendering and recognising it, and a
// page whose recognition runs past it keeps no words. `onProgress` hears the page count once the document is open (page 0)
// and then every page number whose files are written, from any rendering thread, one at a time.
class DocumentConverter {
public:
    using Progress = std::function<void(int pageCount, int pageDone)>;

    DocumentConverter(const QString& pdfPath, const QString& infoPath, int pageTimeout = kDefaultPageTimeout,
                      Progress onProgress = {});
    ~DocumentConverter();

    // Recognise the words of the pages `mode` chooses from their images, in `languages`
    // (TextRecognition's names; empty: its default), before run(). Languages whose data is
    // not installed fail run() before any page is rendered.
    void setRecognition(TextRecognition::Mode mode, const QString& languages);

    ConverterExit run();

    // Why run() failed, in one line naming the file.
    QString failureMessage() const { return failure_; }

private:
    ConverterExit checkLanguages();
    ConverterExit open();
    ConverterExit checkFolder();
    ConverterExit convertPages();
    ConverterExit fail(ConverterExit code, const QString& detail);
    std::unique_ptr<Poppler::Document> load() const;

    QString pdfPath_;
    QString infoPath_;
    QString folder_;
    QString failure_;
    int pageTimeout_;
    Progress onProgress_;
    std::vector<std::unique_ptr<Poppler::Document>> documents_; // one per rendering thread
    int pageCount_ = 0;
    TextRecognition::Mode recognition_ = TextRecognition::Mode::Off;
    QString languages_;
};
