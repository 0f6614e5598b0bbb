#pragma once

#include <QDialog>

class QLabel;

// The About box: the program's name and version over a gray background, a line about its
// maker and two links (home page and support mail). Fixed size 320 × 137.
class AboutDialog : public QDialog {
    Q_OBJECT

public:
    explicit AboutDialog(QWidget* parent = nullptr);

public slots:
    void openMainpage(const QString& link);
    void openmailpage(const QString& link);

private:
    void paintBackground();

    QLabel* label_4;
    QLabel* label_3;
    QLabel* label_homepage;
    QLabel* label_mail;
};
