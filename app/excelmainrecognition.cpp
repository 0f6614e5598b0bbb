// Pages without a text layer in the window: after a document is shown, one question offers
// to recognise their text (or the remembered choice answers it), the recognition runs behind
// the busy dialog, and recognised pages are marked on their thumbnails and in the status bar.
// Kept apart from excelmain.cpp, which calls in only when a document has been shown.
#include "app/excelmain.h"

#include "app/recognitionoffer.h"
#include "app/settings.h"
#include "app/thumbnailloader.h"
#include "app/windowdialogs.h"
#include "protocol/pagefiles.h"
#include "ui_excelmain.h"

#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QStatusBar>

namespace {

bool samePages(const DocumentInfo& a, const DocumentInfo& b)
{
    if (a.pageCount != b.pageCount || a.pages.size() != b.pages.size())
        return false;
    for (int i = 0; i < a.pages.size(); ++i)
        if (a.pages[i].imageWidth != b.pages[i].imageWidth ||
            a.pages[i].imageHeight != b.pages[i].imageHeight)
            return false;
    return true;
}

} // namespace

void ExcelMain::createRecognitionControls()
{
    recognitionRun = new RecognitionRun(this);

    pageNoteLabel = new QLabel(this);
    pageNoteLabel->setObjectName(QStringLiteral("label_pagenote"));
    statusBar()->addWidget(pageNoteLabel, 1);

    auto* label = new QLabel(tr("Recognise scanned pages:"), this);
    scannedPagesBox = new QComboBox(this);
    scannedPagesBox->setObjectName(QStringLiteral("comboBox_scannedPages"));
    // In the order of AppSettings::ScannedPages.
    scannedPagesBox->addItems({tr("ask"), tr("always"), tr("never")});
    scannedPagesBox->setCurrentIndex(int(AppSettings::scannedPages()));
    const QString tip = tr("What happens when a document has pages without a text layer, such as scanned "
                           "pages: ask whether to recognise their text from the images, always do, or never");
    label->setToolTip(tip);
    scannedPagesBox->setToolTip(tip);
    label->setBuddy(scannedPagesBox);
    connect(scannedPagesBox, &QComboBox::currentIndexChanged, this,
            [](int index) { AppSettings::setScannedPages(AppSettings::ScannedPages(index)); });
    statusBar()->addPermanentWidget(label);
    statusBar()->addPermanentWidget(scannedPagesBox);

    connect(ui->spinBox_pagenumber, &QSpinBox::valueChanged, this, &ExcelMain::showPageNote);
}

void ExcelMain::offerRecognition()
{
    const QVector<int> pages = NoTextLayer::pages(pageTexts);
    if (pages.isEmpty())
        return;
    // Read afresh: another copy of the program may have changed it.
    const AppSettings::ScannedPages choice = AppSettings::scannedPages();
    scannedPagesBox->setCurrentIndex(int(choice));
    if (choice == AppSettings::ScannedPages::Never)
        return;
    if (choice == AppSettings::ScannedPages::Ask &&
        dialogs->information(this, dialogTitle(), NoTextLayer::question(pages, pageCount),
                             QMessageBox::Yes | QMessageBox::No) != QMessageBox::Yes)
        return;
    LoadedDocument recognised =
        recognitionRun->run(pdfPath, loader->converterDirectory(), busyDialog, *dialogs);
    // Cancelled or failed: the document stays as it was loaded.
    const QString reason = recognitionRun->failureReason();
    if (recognised.pageCount() == 0) {
        if (!reason.isEmpty())
            dialogs->warning(this, dialogTitle(),
                             tr("The text of %1 could not be recognised: %2.")
                                 .arg(QDir::toNativeSeparators(pdfPath), reason));
        return;
    }
    adoptRecognised(std::move(recognised));
}

// The same document converted again with its pages recognised: the images are the same, the
// texts of the pages without a text layer are new. Nothing has been drawn on it yet (the
// question comes right after the load), so only the texts and the files change.
void ExcelMain::adoptRecognised(LoadedDocument recognised)
{
    if (recognised.pageCount() != pageCount || !samePages(recognised.info, documentInfo)) {
        dialogs->warning(this, dialogTitle(),
                         tr("%1 has changed since it was opened; open it again to recognise its text.")
                             .arg(QDir::toNativeSeparators(pdfPath)));
        return;
    }
    pageTexts = std::move(recognised.texts);
    documentInfo = std::move(recognised.info);
    // The thumbnails read from the folder that goes now.
    thumbnailLoader->clear();
    documentFolder = std::move(recognised.folder);
    pageRules.reset(workFolder());
    const int page = ui->spinBox_pagenumber->value();
    currentPng = PageFiles::imagePath(workFolder(), page);
    showThumbnails(page);
    showRecognitionMarks();
    Updateoutput();
}

void ExcelMain::showRecognitionMarks()
{
    QVector<bool> marks(pageTexts.size());
    for (int i = 0; i < pageTexts.size(); ++i)
        marks[i] = pageTexts[i].recognised;
    thumbnailLoader->setMarked(marks);
    showPageNote();
}

void ExcelMain::showPageNote()
{
    const int index = ui->spinBox_pagenumber->value() - 1;
    pageNoteLabel->setText(index >= 0 && index < pageTexts.size()
                               ? NoTextLayer::pageNote(index + 1, pageTexts[index])
                               : QString());
}
