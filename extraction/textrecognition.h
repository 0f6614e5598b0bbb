#pragma once

#include <QString>
#include <QStringList>

// Text recognition of scanned pages, as the converter offers it: which pages, which Tesseract
// languages, and where their data lies. Nothing here runs Tesseract; the converter does.
namespace TextRecognition {

enum class Mode {
    Off,        // pages without a text layer stay without words
    BlankPages, // "--ocr": the words of the pages without a text layer are recognised
    EveryPage,  // "--ocr=force": every page's words come from its image
};

// The folder of the .traineddata files: $TESSDATA_PREFIX when set, else where Debian's
// tesseract-ocr-* packages put them.
QString dataFolder();

// English plus the Latin-script data (accented letters) when that is installed, else English.
QString defaultLanguages();

// The Debian package holding a language's data: "deu" → "tesseract-ocr-deu",
// "chi_sim" → "tesseract-ocr-chi-sim", "Latin" or "script/Latin" → "tesseract-ocr-script-latn".
QString packageFor(const QString& language);

// `languages` ("eng+deu", "eng+script/Latin") as Tesseract takes it, each name turned into the
// data file that is installed ("script/Latin" is the top-level "Latin" on Debian). Empty with
// `error` set to one line naming the package to install when a language is not installed or
// a name is malformed.
QString resolveLanguages(const QString& languages, QString* error);

// The converter's options for `mode`: {"--ocr"} or {"--ocr=force"}, with "--ocr-lang L" when
// `languages` is not empty; none for Off.
QStringList converterArguments(Mode mode, const QString& languages);

} // namespace TextRecognition
