#include "windowdialogs.h"

#include <QFileDialog>
#include <QProgressDialog>

QString WindowDialogs::openFileName(QWidget* parent, const QString& caption, const QString& startPath,
                                    const QString& filter)
{
    return QFileDialog::getOpenFileName(parent, caption, startPath, filter);
}

QString WindowDialogs::saveFileName(QWidget* parent, const QString& caption, const QString& startPath,
                                    const QString& filters, QString* selectedFilter)
{
    return QFileDialog::getSaveFileName(parent, caption, startPath, filters, selectedFilter);
}

void WindowDialogs::warning(QWidget* parent, const QString& title, const QString& text)
{
    QMessageBox::warning(parent, title, text);
}

QMessageBox::StandardButton WindowDialogs::information(QWidget* parent, const QString& title,
                                                       const QString& text,
                                                       QMessageBox::StandardButtons buttons)
{
    return QMessageBox::information(parent, title, text, buttons);
}

void WindowDialogs::runBusy(QProgressDialog* dialog)
{
    dialog->exec();
}
