// Pages without a text layer in the window: the offer after loading and the remembered choice,
// recognition behind the busy dialog with its pages done of total, a cancel that keeps the
// document as loaded, and the marks on recognised pages.
#include "app/recognitionoffer.h"
#include "app/settings.h"
#include "app/thumbnailloader.h"
#include "apptestsupport.h"

#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QPainter>
#include <QPdfWriter>
#include <QProgressDialog>
#include <QSpinBox>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

// Page 1 with a text layer, page 2 a scan: two lines of words drawn into a 300 dpi image that
// is the page's only content.
QString scannedDocument()
{
    static const QString path = [] {
        const QString pdf = testDocuments().folder + "/scanned second page.pdf";
        QPdfWriter writer(pdf);
        writer.setPageSize(QPageSize(QPageSize::Letter));
        writer.setPageMargins(QMarginsF(0, 0, 0, 0));
        writer.setResolution(300);
        QPainter painter(&writer);
        painter.setFont(QFont(QStringLiteral("DejaVu Sans"), 11));
        painter.drawText(QPointF(300, 600), QStringLiteral("Invoice 2024-117"));
        writer.newPage();
        QImage scan(2550, 3300, QImage::Format_Grayscale8);
        scan.fill(Qt::white);
        QPainter ink(&scan);
        QFont font(QStringLiteral("DejaVu Sans"));
        font.setPixelSize(50);
        ink.setFont(font);
        ink.drawText(QPointF(300, 600), QStringLiteral("Gravel 4410 washed"));
        ink.drawText(QPointF(300, 700), QStringLiteral("Cement 1240 bagged"));
        ink.end();
        painter.drawImage(QRect(0, 0, 2550, 3300), scan);
        EXPECT_TRUE(painter.end());
        return pdf;
    }();
    return path;
}

QString pageText(const PageText& text)
{
    QStringList words;
    for (const Subtext& run : text.runs)
        words.append(run.text);
    return words.join(' ');
}

} // namespace

TEST(RecognitionWindow, OfferChoiceCancelMarksAndStatus)
{
    OwnWorkingDirectory ownSettings;
    const QString pdf = scannedDocument();
    enum class Busy { Run, CancelWhileRecognising };
    const struct Case {
        int choice; // index in the combo box: ask, always, never
        QMessageBox::StandardButton answer;
        Busy busy;
        bool asked;
        bool recognised;
    } cases[] = {
        {0, QMessageBox::No, Busy::Run, true, false},
        {0, QMessageBox::Yes, Busy::Run, true, true},
        {1, QMessageBox::Cancel, Busy::CancelWhileRecognising, false, false},
        {1, QMessageBox::Cancel, Busy::Run, false, true},
        {2, QMessageBox::Yes, Busy::Run, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "choice " << c.choice << ", answer " << c.answer << ", cancel "
                                        << (c.busy == Busy::CancelWhileRecognising));
        TestWindow w;
        auto* choice = w.child<QComboBox>("comboBox_scannedPages");
        ASSERT_NE(choice, nullptr);
        choice->setCurrentIndex(c.choice);
        EXPECT_EQ(int(AppSettings::scannedPages()), c.choice);
        w.dialogs->informationAnswer = c.answer;

        // What the busy dialog said after each step of progress the window took.
        auto* recognition = w.window->findChild<RecognitionRun*>();
        ASSERT_NE(recognition, nullptr);
        QStringList said;
        int range = 0;
        auto* busy = w.window->findChild<QProgressDialog*>();
        auto note = [&] {
            said.append(busy->labelText());
            range = busy->maximum();
            if (c.busy == Busy::CancelWhileRecognising && busy->labelText().startsWith("Recognising text"))
                busy->cancel();
        };
        QObject::connect(recognition->loader(), &DocumentLoader::progress, busy, note, Qt::QueuedConnection);
        QString loadedFolder;
        // Right after the window has put the loaded document in place.
        QObject::connect(w.window->documentLoader(), &DocumentLoader::finished, busy,
                         [&] { loadedFolder = w.window->workFolder(); });

        w.open(pdf);
        ASSERT_EQ(w.window->pageCount, 2);
        EXPECT_EQ(w.dialogs->informations.size(), c.asked ? 1 : 0);
        if (c.asked) {
            EXPECT_TRUE(w.dialogs->informations[0].text.startsWith("Page 2 has no text layer"));
        }
        EXPECT_EQ(w.dialogs->busyRuns, 1 + (c.recognised || c.busy == Busy::CancelWhileRecognising));
        EXPECT_TRUE(w.dialogs->warnings.isEmpty());

        const QVector<PageText>& texts = w.window->pageTexts;
        EXPECT_EQ(pageText(texts[0]), "Invoice 2024-117");
        EXPECT_FALSE(texts[0].recognised);
        EXPECT_EQ(texts[1].recognised, c.recognised);
        if (c.recognised) {
            EXPECT_EQ(pageText(texts[1]), "Gravel 4410 washed Cement 1240 bagged");
            EXPECT_TRUE(said.contains("Recognising text: page 2 of 2")) << said.join('\n').toStdString();
            EXPECT_EQ(range, 2);
            // The recognised document replaced the loaded one, folder and all.
            EXPECT_NE(w.window->workFolder(), loadedFolder);
            EXPECT_FALSE(QFileInfo::exists(loadedFolder));
        } else {
            EXPECT_TRUE(texts[1].runs.isEmpty());
            // Not recognised, or cancelled: the document as it was loaded.
            EXPECT_EQ(w.window->workFolder(), loadedFolder);
        }
        EXPECT_EQ(QDir(QDir::tempPath()).entryList({"zarnich-quorvel-*"}, QDir::Dirs).size(), 1);
        ThumbnailLoader* thumbnails = w.window->thumbnails();
        EXPECT_FALSE(thumbnails->isMarked(0));
        EXPECT_EQ(thumbnails->isMarked(1), c.recognised);

        const auto* status = w.child<QLabel>("label_pagenote");
        ASSERT_NE(status, nullptr);
        EXPECT_EQ(status->text(), "");
        w.child<QSpinBox>("spinBox_pagenumber")->setValue(2);
        EXPECT_EQ(status->text(),
                  c.recognised ? "Page 2: text recognised from the image" : "Page 2 has no text layer");
    }
}
