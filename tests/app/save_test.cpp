#include "apptestsupport.h"
#include "canvas/labeldraw.h"
#include "spreadsheetreadback.h"
#include "testsupport.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QSpinBox>
#include <QStringDecoder>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

using Rows = QVector<QStringList>;

// Every sheet of a saved spreadsheet, its cells as ReadCell::shown() gives them.
QVector<Rows> readSpreadsheet(const QString& path)
{
    const SpreadsheetReadback read = readBackSpreadsheet(path);
    EXPECT_TRUE(read.error.isEmpty()) << read.error.toStdString();
    QVector<Rows> sheets;
    for (const ReadSheet& sheet : read.sheets)
        sheets.append(sheet.shownRows());
    return sheets;
}

// The words the test drew on the three-page document, with the blank each cell ends in,
// and an empty row after every page.
Rows expectedRows()
{
    Rows rows;
    for (int p = 1; p <= 3; ++p) {
        for (int r = 1; r <= kThreePageRows[p - 1]; ++r) {
            QStringList cells;
            for (int c = 1; c <= 3; ++c)
                cells.append(QStringLiteral("p%1r%2c%3 ").arg(p).arg(r).arg(c));
            rows.append(cells);
        }
        rows.append({"", "", ""});
    }
    return rows;
}

class SaveTest : public ::testing::Test {
protected:
    // The whole path a user takes: open, draw a table with the mouse, apply it to all pages.
    void SetUp() override
    {
        w.open(testDocuments().threePages);
        ASSERT_EQ(main.pageCount, 3);
        const double scale = w.pixelsPerPoint() * main.zoomFactor;
        const QRectF rect(QPointF(60 * scale, 130 * scale), QPointF(432 * scale, 240 * scale));
        CanvasMouse::drawTable(main.canvas(), rect);
        w.click("pushButton_drawline");
        CanvasMouse::pullLine(main.canvas(), rect, 180 * scale);
        CanvasMouse::pullLine(main.canvas(), rect, 320 * scale);
        w.click("pushButton");
        ASSERT_EQ(main.store.pageGrids.value(2).rows, 4);
    }

    QString save(const QString& name, const QString& filter)
    {
        w.dialogs->saveAnswers.append({name, filter});
        w.click("pushButton_save");
        return QSettings("setting.ini", QSettings::IniFormat).value("output/output").toString();
    }

    QTemporaryDir out;
    TestWindow w;
    ExcelMain& main = *w.window;
};

TEST_F(SaveTest, CsvAndSpreadsheetHoldTheDrawnWords)
{
    UrlCatcher opened({"file"});
    w.dialogs->informationAnswer = QMessageBox::Ok;

    // "tables" typed under the CSV filter becomes tables.csv.
    const QString csvPath = out.filePath("tables");
    EXPECT_EQ(save(csvPath, "CSV File (*.csv)"), csvPath + ".csv");
    EXPECT_EQ(w.dialogs->saveStartPaths.value(0), ".");
    EXPECT_EQ(w.dialogs->saveFilters.value(0), "CSV File (*.csv);;Excel File (*.xls);;All Files (*.*);;"
                                               "Excel 2007+ File (*.xlsx)");
    QFile csv(csvPath + ".csv");
    ASSERT_TRUE(csv.open(QIODevice::ReadOnly));
    const QByteArray bytes = csv.readAll();
    ASSERT_TRUE(bytes.startsWith("\xFF\xFE"));
    QString expected;
    for (const QStringList& row : expectedRows())
        expected += row.first().isEmpty() ? QString("\n") : '"' + row.join("\"\t\"") + "\"\n";
    expected.chop(1); // pages are joined by a line end, not closed by one
    QStringDecoder utf16(QStringDecoder::Utf16LE);
    EXPECT_EQ(QString(utf16(bytes.mid(2))), expected);

    ASSERT_EQ(w.dialogs->informations.size(), 1);
    EXPECT_EQ(w.dialogs->informations[0].title, "Finished");
    EXPECT_EQ(w.dialogs->informations[0].text, "Open the " + csvPath + ".csv?");
    ASSERT_EQ(opened.urls.size(), 1);
    EXPECT_EQ(opened.urls[0].toLocalFile(), csvPath + ".csv");

    // The next dialog starts at the file saved last; a name with a suffix stays as it is.
    w.dialogs->informationAnswer = QMessageBox::Cancel;
    const QString xlsPath = out.filePath("tables #2.xls");
    EXPECT_EQ(save(xlsPath, "CSV File (*.csv)"), xlsPath);
    EXPECT_EQ(w.dialogs->saveStartPaths.value(1), csvPath + ".csv");
    EXPECT_EQ(opened.urls.size(), 1);
    const SpreadsheetReadback xls = readBackSpreadsheet(xlsPath);
    ASSERT_TRUE(xls.error.isEmpty()) << xls.error.toStdString();
    ASSERT_EQ(xls.sheets.size(), 1);
    EXPECT_EQ(xls.sheets[0].shownRows(), expectedRows());
    // The row of empty cells after the last page holds nothing a reader can see: blanks only.
    for (const ReadCell& cell : xls.sheets[0].cells.value(xls.sheets[0].cells.size() - 1))
        EXPECT_EQ(cell.type.toStdString(), "blank");
    EXPECT_TRUE(w.dialogs->warnings.isEmpty());
}

// The Excel 2007+ filter completes the name to .xlsx and a workbook is written; "Numbers as
// numbers" is remembered and makes numbers of the cells that are written numbers.
TEST_F(SaveTest, ExcelWorkbookAndNumbersAsNumbers)
{
    w.dialogs->informationAnswer = QMessageBox::Cancel;
    QCheckBox* numbers = main.findChild<QCheckBox*>("checkBox_numbers");
    ASSERT_TRUE(numbers);
    EXPECT_EQ(numbers->text(), "Numbers as numbers");
    EXPECT_FALSE(numbers->isChecked());
    const QString path = out.filePath("tables");
    EXPECT_EQ(save(path, "Excel 2007+ File (*.xlsx)"), path + ".xlsx");
    const QVector<Rows> sheets = readSpreadsheet(path + ".xlsx");
    ASSERT_EQ(sheets.size(), 1);
    EXPECT_EQ(sheets[0], expectedRows());

    numbers->click();
    EXPECT_EQ(QSettings("setting.ini", QSettings::IniFormat).value("output/numbers").toString(), "true");
    main.store.pageGrids[0].cells[0] = "1,234.50";
    EXPECT_EQ(save(path + ".xlsx", "All Files (*.*)"), path + ".xlsx");
    EXPECT_EQ(readSpreadsheet(path + ".xlsx").value(0).value(0).value(0), "<number:1234.5|#,##0.00>");
    EXPECT_TRUE(w.dialogs->warnings.isEmpty());

    TestWindow second;
    EXPECT_TRUE(second.window->findChild<QCheckBox*>("checkBox_numbers")->isChecked());
}

TEST_F(SaveTest, CancelledDialogWritesNothing)
{
    QSettings("setting.ini", QSettings::IniFormat).setValue("output/output", "/kept/path.csv");
    w.click("pushButton_save");
    EXPECT_EQ(QSettings("setting.ini", QSettings::IniFormat).value("output/output").toString(),
              "/kept/path.csv");
    EXPECT_TRUE(w.dialogs->informations.isEmpty());
    EXPECT_TRUE(w.dialogs->warnings.isEmpty());
    EXPECT_TRUE(QDir(out.path()).isEmpty());
}

TEST_F(SaveTest, FailedSaveWarnsInsteadOfReportingSuccess)
{
    for (const QString& name : {out.filePath("missing/folder/t.csv"), out.filePath("missing/t.xls")}) {
        w.dialogs->warnings.clear();
        save(name, "All Files (*.*)");
        ASSERT_EQ(w.dialogs->warnings.size(), 1) << qPrintable(name);
        EXPECT_TRUE(w.dialogs->warnings[0].text.contains(name)) << qPrintable(w.dialogs->warnings[0].text);
        EXPECT_GT(w.dialogs->warnings[0].text.size(), name.size() + 20) << "a reason is given";
        EXPECT_TRUE(w.dialogs->informations.isEmpty());
    }
}

QByteArray fileBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool writeBytes(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// Drives the real save dialog as a person would: types `name` into it and presses Enter,
// answers the dialog's replace question with `answer`, and cancels the dialog if it is still
// open after a No. Returns the questions the dialog asked.
class RealSaveDialogDriver : public QObject {
public:
    RealSaveDialogDriver(QString name, QMessageBox::StandardButton answer)
        : name_(std::move(name)), answer_(answer)
    {
        connect(&timer_, &QTimer::timeout, this, &RealSaveDialogDriver::step);
        timer_.start(20);
    }
    QStringList questions;

private:
    void step()
    {
        QWidget* modal = QApplication::activeModalWidget();
        if (auto* box = qobject_cast<QMessageBox*>(modal)) {
            questions.append(box->text());
            box->button(answer_)->click();
        } else if (auto* dialog = qobject_cast<QFileDialog*>(modal)) {
            if (!typed_) {
                auto* edit = dialog->findChild<QLineEdit*>("fileNameEdit");
                edit->clear();
                QTest::keyClicks(edit, name_);
                // Enter runs the replace question's own loop: pressed from outside this
                // timer's slot, so the timer goes on answering.
                QTimer::singleShot(0, edit, [edit] { QTest::keyClick(edit, Qt::Key_Return); });
                typed_ = true;
            } else {
                dialog->reject();
            }
        }
    }

    QString name_;
    QMessageBox::StandardButton answer_;
    bool typed_ = false;
    QTimer timer_;
};

// In the real dialog, "tables" typed under the CSV filter is tables.csv before the dialog
// checks the name: it asks before replacing that file, No keeps it, Yes replaces it.
TEST_F(SaveTest, RealDialogAsksBeforeReplacingTheCompletedName)
{
    const QString target = out.filePath("tables.csv");
    ASSERT_TRUE(writeBytes(target, "earlier file"));
    QSettings("setting.ini", QSettings::IniFormat).setValue("output/output", out.filePath("start.csv"));
    w.dialogs->realSaveDialog = true;
    w.dialogs->informationAnswer = QMessageBox::Cancel;

    {
        RealSaveDialogDriver driver("tables", QMessageBox::No);
        w.click("pushButton_save");
        ASSERT_EQ(driver.questions.size(), 1);
        EXPECT_TRUE(driver.questions[0].contains("tables.csv already exists"))
            << qPrintable(driver.questions[0]);
    }
    EXPECT_EQ(fileBytes(target), "earlier file");
    EXPECT_TRUE(w.dialogs->informations.isEmpty());

    {
        RealSaveDialogDriver driver("tables", QMessageBox::Yes);
        w.click("pushButton_save");
        EXPECT_EQ(driver.questions.size(), 1);
    }
    EXPECT_TRUE(fileBytes(target).startsWith("\xFF\xFE"));
    EXPECT_EQ(w.dialogs->informations.size(), 1);
    EXPECT_EQ(QDir(out.path()).entryList(QDir::Files), QStringList({"tables.csv"}));
}

// A name completed after the dialog (a dialog that adds no suffix) gets the same question;
// the open PDF itself is never a save target.
TEST_F(SaveTest, NeitherACompletedNameNorTheOpenPdfIsReplacedUnasked)
{
    const QString target = out.filePath("tables.csv");
    ASSERT_TRUE(writeBytes(target, "earlier file"));
    w.dialogs->informationAnswer = QMessageBox::Cancel;
    save(out.filePath("tables"), "CSV File (*.csv)");
    ASSERT_EQ(w.dialogs->informations.size(), 1);
    EXPECT_TRUE(w.dialogs->informations[0].text.contains("already exists"));
    EXPECT_EQ(fileBytes(target), "earlier file");

    const QString pdf = testDocuments().threePages;
    const QByteArray before = fileBytes(pdf);
    save(pdf, "All Files (*.*)");
    ASSERT_EQ(w.dialogs->warnings.size(), 1);
    EXPECT_TRUE(w.dialogs->warnings[0].text.contains("is the open PDF"))
        << qPrintable(w.dialogs->warnings[0].text);
    EXPECT_EQ(fileBytes(pdf), before);
}

} // namespace
