#include "app/windowdialogs.h"

#include "export/tableexport.h"

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
    QFileDialog dialog(parent, caption, startPath, filters);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    // The dialog completes a name typed without a suffix with the chosen filter's one before
    // it checks whether the file exists, so "x" asks before replacing "x.csv".
    dialog.setDefaultSuffix(filterSuffix(dialog.selectedNameFilter()));
    QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog,
                     [&dialog](const QString& filter) { dialog.setDefaultSuffix(filterSuffix(filter)); });
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    if (selectedFilter)
        *selectedFilter = dialog.selectedNameFilter();
    return dialog.selectedFiles().constFirst();
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
