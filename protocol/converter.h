#pragma once

#include <QString>
#include <QStringList>

// Our converter program, "Qtmingw.dll" beside the program's own executable, started as
//   Qtmingw.dll -htmlformat "<pdf>" "<folder>/text.xml" [--page-timeout SECONDS]
//               [--ocr | --ocr=force] [--ocr-lang LANGUAGES]
// It writes the page files of PageFiles into <folder> and exits with one of these codes.
// On its standard output it says "pages N" once the document is open and "page K" for every
// page whose two files are written (pages finish in any order).
enum class ConverterExit : int {
    Success = 0,
    BadArguments = 1,
    CannotOpen = 2, // missing or unreadable file
    NotAPdf = 3,    // corrupt or not a PDF
    Locked = 4,     // password protected
    NoPages = 5,
    CannotWrite = 6,   // the output folder cannot be written
    PageTimeout = 7,   // a page was not rendered within the time budget
    NoRecognition = 8, // the text recognition languages asked for cannot be loaded
};

// Seconds one page may take to render unless "--page-timeout SECONDS" says otherwise.
constexpr int kDefaultPageTimeout = 60;

struct ConverterCommand {
    QString program; // absolute path of Qtmingw.dll
    QStringList arguments;

    // The converter beside `applicationDir`, converting `pdfPath` into `folder`; the page
    // timeout goes on the command line only when it is not the default.
    static ConverterCommand make(const QString& applicationDir, const QString& pdfPath, const QString& folder,
                                 int pageTimeout = kDefaultPageTimeout);

    // The command line as text, each path in double quotes, for the log:
    //   "<dir>/Qtmingw.dll" -htmlformat "<pdf>" "<folder>/text.xml"
    QString commandLine() const;
};

// One line for the user, for a converter exit code.
QString converterExitMessage(int exitCode);
