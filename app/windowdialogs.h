#pragma once

#include <QMessageBox>
#include <QString>

class QProgressDialog;
class QWidget;

// The window's modal questions to the user: the file dialogs, the message boxes and the busy
// dialog shown while a document loads. The window asks through this class only, so a test
// (or a benchmark) can answer in place of a person by overriding it.
class WindowDialogs {
public:
    virtual ~WindowDialogs() = default;

    // The chosen file, or an empty string when the dialog was cancelled.
    virtual QString openFileName(QWidget* parent, const QString& caption, const QString& startPath,
                                 const QString& filter);
    // The chosen file and the filter it was chosen under; empty when cancelled.
    virtual QString saveFileName(QWidget* parent, const QString& caption, const QString& startPath,
                                 const QString& filters, QString* selectedFilter);

    virtual void warning(QWidget* parent, const QString& title, const QString& text);
    virtual QMessageBox::StandardButton information(QWidget* parent, const QString& title,
                                                    const QString& text,
                                                    QMessageBox::StandardButtons buttons);

    // Runs the busy dialog modally until the load closes it or the user does.
    virtual void runBusy(QProgressDialog* dialog);
};
