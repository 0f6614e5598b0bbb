#pragma once

#include <QString>

// "setting.ini" in the current working directory (INI format). Every read and write opens it
// afresh, so nothing is cached and another copy of the program sees the latest values.
// A missing file or key reads as ".".
namespace AppSettings {

// "dir/input": the folder of the PDF opened last, where the open dialog starts.
QString inputFolder();
void setInputFolder(const QString& folder);

// "dir/layout": the folder of the layout file saved or loaded last.
QString layoutFolder();
void setLayoutFolder(const QString& folder);

// "output/output": the full path of the file saved last, where the save dialog starts.
QString outputPath();
void setOutputPath(const QString& path);

// "output/numbers": whether the save writes numbers as numbers; off when missing.
bool numbersAsNumbers();
void setNumbersAsNumbers(bool on);

// "extract/joinLines": whether "Join wrapped lines" is on (off when missing).
bool joinLines();
void setJoinLines(bool on);

// "recognition/scannedPages": what happens after loading a document with pages that have no
// text layer: "ask" whether to recognise their text (also when missing or unknown),
// "always" recognise it, "never" leave them without words.
enum class ScannedPages { Ask, Always, Never };
ScannedPages scannedPages();
void setScannedPages(ScannedPages choice);

} // namespace AppSettings
