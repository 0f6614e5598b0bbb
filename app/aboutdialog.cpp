#include "app/aboutdialog.h"

#include "app/appresources.h"

#include <QDesktopServices>
#include <QIcon>
#include <QLabel>
#include <QPixmap>
#include <QUrl>

namespace {

const QString kHomePage = QStringLiteral("https://zarnich-quorvel.example.org/");
const QString kSupportMail = QStringLiteral("mailto:support@zarnich-quorvel.example.org");

QLabel* makeLabel(QWidget* parent, const QString& name, const QRect& geometry, int pointSize,
                  const QString& text)
{
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    label->setGeometry(geometry);
    QFont font = label->font();
    font.setPointSize(pointSize);
    label->setFont(font);
    return label;
}

} // namespace

AboutDialog::AboutDialog(QWidget* parent) : QDialog(parent)
{
    initAppResources();
    setObjectName(QStringLiteral("AboutDialog"));
    setFixedSize(320, 137);
    setWindowTitle(tr("About"));
    setWindowIcon(QIcon(QStringLiteral(":/iconoption/icons/table_accept.ico")));

    label_4 = makeLabel(this, QStringLiteral("label_4"), QRect(10, 10, 301, 41), 13,
                        QStringLiteral("Zarnich Quorvel 2.0"));
    label_3 = makeLabel(this, QStringLiteral("label_3"), QRect(10, 76, 271, 16), 10,
                        tr("Made by the Zarnich Quorvel developers."));
    label_homepage =
        makeLabel(this, QStringLiteral("label_homepage"), QRect(10, 91, 271, 20), 10,
                  QStringLiteral("<a href=\"%1\">zarnich-quorvel.example.org</a>").arg(kHomePage));
    label_homepage->setWordWrap(true);
    label_mail =
        makeLabel(this, QStringLiteral("label_mail"), QRect(10, 108, 271, 20), 10,
                  QStringLiteral("<a href=\"%1\">support@zarnich-quorvel.example.org</a>").arg(kSupportMail));
    for (QLabel* link : {label_homepage, label_mail}) {
        link->setTextFormat(Qt::RichText);
        link->setOpenExternalLinks(true);
    }
    connect(label_homepage, &QLabel::linkActivated, this, &AboutDialog::openMainpage);
    connect(label_mail, &QLabel::linkActivated, this, &AboutDialog::openmailpage);
    paintBackground();
}

void AboutDialog::openMainpage(const QString& link)
{
    QDesktopServices::openUrl(QUrl(link));
}

void AboutDialog::openmailpage(const QString&)
{
    QDesktopServices::openUrl(QUrl(kSupportMail));
}

// The gray picture stretched over the whole (fixed-size) box.
void AboutDialog::paintBackground()
{
    const QPixmap background = QPixmap(QStringLiteral(":/iconoption/icons/graybackgr.png"))
                                   .scaled(size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    QPalette p = palette();
    p.setBrush(QPalette::Window, background);
    setPalette(p);
}
