#pragma once

#include <QString>

// What opening files asks of the window: File > Open Recent, dropped PDFs and the file named
// on the command line all open through it and say in its status bar why nothing opened.
// Keeps those parts apart from the window class itself.
class DocumentOpener {
public:
    virtual ~DocumentOpener() = default;

    // Opens the PDF at `pdfPath` as "Add File" does.
    virtual void openDocument(const QString& pdfPath) = 0;
    // True while a document is loading; nothing else may be opened then.
    virtual bool isLoading() const = 0;
    // Shows `message` in the status bar for `timeoutMs` milliseconds.
    virtual void showStatus(const QString& message, int timeoutMs) = 0;
};
