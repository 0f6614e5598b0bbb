#include "app/excelmain.h"

#include "app/appresources.h"
#include "app/busyprogress.h"
#include "app/fileopening.h"
#include "app/geometryhistory.h"
#include "app/recentfiles.h"
#include "app/resulttable.h"
#include "app/settings.h"
#include "app/thumbnailloader.h"
#include "app/windowdialogs.h"
#include "app/windowstate.h"
#include "canvas/labeldraw.h"
#include "export/filesaving.h"
#include "export/tableexport.h"
#include "extraction/pagegrid.h"
#include "extraction/zoommapping.h"
#include "protocol/pagefiles.h"
#include "protocol/pagetext.h"
#include "ui_excelmain.h"

#include <QCheckBox>
#include <QDebug>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenuBar>
#include <QMouseEvent>
#include <QProgressDialog>
#include <QScreen>
#include <QScrollArea>
#include <QStatusBar>
#include <QUrl>

#include <algorithm>

namespace {

// A zoom step is refused when the page image would leave these bounds (in pixels per side):
// below, the image vanishes under a still-shrinking table; above, it needs gigabytes.
constexpr int kMinImageSide = 16;
constexpr int kMaxImageSide = 8192;

// The page image's size on the canvas: each side times the zoom, truncated.
QSize zoomedSize(const QSize& image, float zoom)
{
    return QSize(static_cast<int>(zoom * static_cast<float>(image.width())),
                 static_cast<int>(zoom * static_cast<float>(image.height())));
}

} // namespace

ExcelMain::ExcelMain(QWidget* parent)
    : QMainWindow(parent), ui(std::make_unique<Ui::ExcelMain>()), dialogs(std::make_unique<WindowDialogs>()),
      aboutBox(this)
{
    initAppResources();
    ui->setupUi(this);
    centreOnScreen();
    setabout();
    ui->pushButton_save->setEnabled(false);
    ui->pushButton_drawline->setToolTip(tr("Draw vertical lines"));
    ui->pushButton_drawrect->setToolTip(tr("Draw a table"));
    ui->pushButton_del_line->setToolTip(tr("Remove selected lines"));
    ui->pushButton_del_rect->setToolTip(tr("Remove the table"));

    busyDialog = new QProgressDialog(this);
    busyDialog->setWindowTitle(dialogTitle());
    // The dialog stays until the load ends, also when the last page is converted.
    busyDialog->setAutoClose(false);
    busyDialog->setAutoReset(false);
    // A new progress dialog shows itself after a few seconds unless it is reset.
    busyDialog->reset();
    busyDialog->hide();

    // No folder is made before a document is opened.
    loader =
        new DocumentLoader(QCoreApplication::applicationDirPath(), QStringLiteral("zarnich-quorvel"), this);
    connect(loader, &DocumentLoader::finished, this, &ExcelMain::loadFinished);
    // Queued: a modal progress dialog handles events while it takes a value.
    connect(loader, &DocumentLoader::progress, this, &ExcelMain::showLoadProgress, Qt::QueuedConnection);
    connect(
        loader, &DocumentLoader::readingProgress, this,
        [this](int done, int total) {
            if (isLoading())
                showBusyProgress(busyDialog, BusyStep::Reading, done, total);
        },
        Qt::QueuedConnection);
    connect(busyDialog, &QProgressDialog::canceled, loader, &DocumentLoader::cancel);

    createCanvas();
    createLayoutActions();
    createProposalActions();
    createNumbersBox();
    connect(pageCanvas, &labeldraw::updateRecandLine, this, &ExcelMain::Updateoutput);
    createHistory();
    createShortcuts();
    setMouseTracking(true);
    ui->centralwidget->setMouseTracking(true);
    connect(ui->spinBox_pagenumber, &QSpinBox::valueChanged, this, &ExcelMain::pagechange);
    connect(ui->pushButton_about, &QPushButton::clicked, this, &ExcelMain::showabout);
    thumbnailLoader = new ThumbnailLoader(ui->listwidget_view);
    createJoinLinesBox();
    createRecognitionControls();
    createResultTable();
    // Nothing to page through or zoom before a document is shown.
    showNoDocument();
    createFileOpening();
    // Last: the remembered size and splitters replace the form's.
    new WindowStateKeeper(this, ui->listwidget_view, ui->tableWidget_rule);
}

void ExcelMain::createResultTable()
{
    auto* pageLabel = new QLabel(this);
    pageLabel->setObjectName(QStringLiteral("label_gridpage"));
    ui->verticalLayout->insertWidget(ui->verticalLayout->indexOf(ui->tableWidget_rule), pageLabel);
    resultTable = new ResultTable(ui->tableWidget_rule, pageLabel);
}

// File > Open and Open Recent, and PDFs dropped on the window: all end in openDocument().
void ExcelMain::createFileOpening()
{
    QMenu* fileMenu = menuBar()->addMenu(tr("&File"));
    fileMenu->setObjectName(QStringLiteral("menu_file"));
    fileMenu->addAction(tr("&Open…"), this, &ExcelMain::on_pushButton_openfile_clicked);
    recentFiles = new RecentFilesMenu(this, this, fileMenu);
    // Layout files hold every page's table; in the menu, the toolbar keeps to the page.
    fileMenu->addSeparator();
    fileMenu->addAction(findChild<QAction*>(QStringLiteral("actionLoadLayout")));
    fileMenu->addAction(findChild<QAction*>(QStringLiteral("actionSaveLayout")));
    new FileDropOpener(this, this);
}

void ExcelMain::showStatus(const QString& message, int timeoutMs)
{
    statusBar()->showMessage(message, timeoutMs);
}

void ExcelMain::createJoinLinesBox()
{
    joinLinesCheck = new QCheckBox(tr("Join wrapped lines"), this);
    joinLinesCheck->setObjectName(QStringLiteral("checkBox_joinlines"));
    joinLinesCheck->setToolTip(
        tr("Keep a cell that wraps over several text lines in one row: rows run between the "
           "rules printed across the table, and a line whose first column is empty is added "
           "to the row above"));
    joinLinesCheck->setChecked(AppSettings::joinLines());
    ui->verticalLayout->insertWidget(ui->verticalLayout->indexOf(ui->tableWidget_rule), joinLinesCheck);
    pageRules.reset(workFolder());
    connect(joinLinesCheck, &QCheckBox::toggled, this, &ExcelMain::joinLinesToggled);
}

void ExcelMain::joinLinesToggled(bool on)
{
    AppSettings::setJoinLines(on);
    Updateoutput();
}

const QVector<PageRule>* ExcelMain::joinRules(int index)
{
    if (!joinLinesCheck->isChecked() || index < 0 || index >= pageTexts.size())
        return nullptr;
    return &pageRules.rules(index, pageTexts[index].runs,
                            [](const QString& message) { qWarning("%s", qPrintable(message)); });
}

ExcelMain::~ExcelMain()
{
    // The loader stops the converter and removes its folder; no signal of it reaches a
    // window half gone.
    loader->disconnect(this);
}

void ExcelMain::setDialogs(std::unique_ptr<WindowDialogs> replacement)
{
    dialogs = std::move(replacement);
}

void ExcelMain::centreOnScreen()
{
    // The form asks for 841 × 610; a platform style with wider buttons needs more.
    resize(size().expandedTo(minimumSizeHint()));
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect s = screen->geometry();
    move((s.left() + s.right()) / 2 - (width() - 1) / 2, (s.top() + s.bottom()) / 2 - (height() - 1) / 2);
}

void ExcelMain::createCanvas()
{
    pageCanvas = new labeldraw(ui->frame_back);
    scrollArea = new QScrollArea(ui->frame_back);
    auto* layout = new QHBoxLayout(ui->frame_back);
    layout->addWidget(scrollArea);
    scrollArea->setWidgetResizable(true);
    scrollArea->setBackgroundRole(QPalette::Dark);
    scrollArea->setWidget(pageCanvas);
    pageCanvas->setAlignment(Qt::AlignTop | Qt::AlignLeft);
    pageCanvas->setAutoFillBackground(true);
    QPalette palette = pageCanvas->palette();
    palette.setBrush(QPalette::Window, Qt::white);
    pageCanvas->setPalette(palette);
}

void ExcelMain::setabout()
{
    setWindowTitle(dialogTitle());
    ui->pushButton_about->setIcon(QIcon(QStringLiteral(":/iconoption/icons/about.png")));
    ui->pushButton_about->setText(tr("About"));
}

void ExcelMain::showabout()
{
    aboutBox.exec();
}

// ---------------------------------------------------------------------------------------
// Loading

void ExcelMain::on_pushButton_openfile_clicked()
{
    if (isLoading())
        return;
    const QString chosen = dialogs->openFileName(this, tr("Add File"), AppSettings::inputFolder(),
                                                 tr("PDF File(*.pdf);;ALL files(*.*)"));
    // A cancelled dialog leaves the open document, its page files and its tables alone.
    if (chosen.isEmpty())
        return;
    openDocument(chosen);
}

void ExcelMain::openDocument(const QString& path)
{
    if (isLoading())
        return;
    AppSettings::setInputFolder(QFileInfo(path).absolutePath());
    loadingPath = path;
    busyDialog->setLabelText(tr("Loading ") + path + "...");
    busyDialog->setRange(0, 0);
    busyDialog->setValue(0);
    busyDialog->setCancelButtonText(tr("Cancel"));
    busyDialog->setWindowModality(Qt::WindowModal);
    const QString shownFolder = workFolder();
    loader->start(path);
    if (!loader->commandLine().isEmpty())
        qDebug().noquote().nospace() << "PNG FILE CMD \"" << loader->commandLine() << "\" ";
    // The rest of the load runs inside the busy dialog's event loop. It may already have
    // failed (no private folder, or the converter could not be started).
    if (isLoading())
        dialogs->runBusy(busyDialog);
    // Still loading once the dialog is gone: the user closed it.
    loader->cancel();
    // A document just shown may have pages without a text layer.
    if (!workFolder().isEmpty() && workFolder() != shownFolder)
        offerRecognition();
}

void ExcelMain::showLoadProgress(int done, int total)
{
    if (isLoading())
        showBusyProgress(busyDialog, BusyStep::Converting, done, total);
}

void ExcelMain::loadFinished(DocumentLoader::Outcome outcome)
{
    busyDialog->done(outcome == DocumentLoader::Outcome::Complete ? QDialog::Accepted : QDialog::Rejected);
    if (outcome == DocumentLoader::Outcome::Failed) {
        // The reason is a sentence of its own or the end of this one.
        const QString reason = loader->failureReason();
        const QString file = QDir::toNativeSeparators(loadingPath);
        dialogs->warning(this, dialogTitle(),
                         !reason.isEmpty() && reason.at(0).isUpper()
                             ? tr("%1 could not be opened. %2.").arg(file, reason)
                             : tr("%1 could not be opened: %2.").arg(file, reason));
    }
    if (outcome == DocumentLoader::Outcome::Complete)
        closeProgressDia();
}

// Puts the complete document in place of the one shown.
void ExcelMain::closeProgressDia()
{
    LoadedDocument loaded = loader->takeDocument();
    const int n = loaded.pageCount();
    if (n == 0)
        return;
    pdfPath = loaded.pdfPath;
    pageTexts = std::move(loaded.texts);
    documentInfo = std::move(loaded.info);
    // The previous document's page files go with its folder.
    thumbnailLoader->clear();
    documentFolder = std::move(loaded.folder);
    pageCount = n;
    store.reset(n);
    pageRules.reset(workFolder());
    tableProposals.reset();
    pageCountText = QString::number(n);
    currentPng = PageFiles::imagePath(workFolder(), 1);
    ui->pushButton_save->setEnabled(true);
    ui->pushButton_zoomin->setEnabled(true);
    ui->pushButton_zoomout->setEnabled(true);

    // Setting 1 runs the page switch unless 1 is shown already; the range is bounded only
    // afterwards, so that the first document (spin box at 0) runs it too.
    QSpinBox* spin = ui->spinBox_pagenumber;
    spin->setEnabled(true);
    const bool alreadyFirst = spin->value() == 1;
    if (spin->maximum() < 1)
        spin->setMaximum(1);
    if (alreadyFirst)
        fitZoomToPage();
    spin->setValue(1);
    spin->setRange(1, n);
    // Without a page switch the canvas still shows a table: page 1 gets its grid.
    if (alreadyFirst)
        Updateoutput();
    // Undo never reaches into the previous document.
    history->clear();

    ui->label_pagenumber->setText("/" + pageCountText);
    ui->pushButton_up->setEnabled(false);
    ui->pushButton_down->setEnabled(n >= 2);
    showPNG();
    showThumbnails(1);
    connect(ui->listwidget_view, &QListWidget::clicked, this, &ExcelMain::viewchage, Qt::UniqueConnection);
    showRecognitionMarks();
    recentFiles->add(pdfPath);
    warnAboutPageLimit();
}

void ExcelMain::warnAboutPageLimit()
{
    if (documentInfo.pageCount <= pageCount)
        return;
    dialogs->warning(this, dialogTitle(),
                     tr("%1 has %2 pages. Only the first %3 pages are loaded.")
                         .arg(QDir::toNativeSeparators(pdfPath))
                         .arg(documentInfo.pageCount)
                         .arg(PageFiles::kMaxPages));
}

// The thumbnails of every page of the document shown, `page` selected.
void ExcelMain::showThumbnails(int page)
{
    QStringList images;
    for (int n = 1; n <= pageCount; ++n)
        images.append(PageFiles::imagePath(workFolder(), n));
    thumbnailLoader->setPages(images);
    ui->listwidget_view->setCurrentRow(page - 1);
}

void ExcelMain::showNoDocument()
{
    pageCount = 0;
    pageCountText.clear();
    currentPng.clear();
    shownImageSize = QSize();
    thumbnailLoader->clear();
    ui->label_pagenumber->clear();
    ui->spinBox_pagenumber->setRange(0, 0);
    ui->spinBox_pagenumber->setEnabled(false);
    ui->pushButton_zoomin->setEnabled(false);
    ui->pushButton_zoomout->setEnabled(false);
    ui->pushButton_up->setEnabled(false);
    ui->pushButton_down->setEnabled(false);
    ui->pushButton_save->setEnabled(false);
    clearResultRows();
    updateProposalActions();
    pageCanvas->setMinimumSize(0, 0);
    pageCanvas->setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    QPalette palette = pageCanvas->palette();
    palette.setBrush(QPalette::Window, Qt::white);
    pageCanvas->setPalette(palette);
}

// ---------------------------------------------------------------------------------------
// The page shown

void ExcelMain::showPNG()
{
    const QPixmap image(currentPng);
    if (image.isNull())
        return;
    const QSize size = zoomedSize(image.size(), zoomFactor);
    const QPixmap scaled = image.scaled(size, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    if (scaled.isNull())
        return;
    QPalette palette = pageCanvas->palette();
    palette.setBrush(QPalette::Window, QBrush(scaled));
    pageCanvas->setPalette(palette);
    pageCanvas->setFixedSize(size);
    shownImageSize = image.size();
}

void ExcelMain::pagechange()
{
    const int page = ui->spinBox_pagenumber->value();
    // No entry for that page: no document yet, or its conversion failed.
    if (!store.hasPage(page - 1))
        return;
    setPageButtons(page);
    disconnect(ui->listwidget_view, &QListWidget::clicked, this, &ExcelMain::viewchage);
    ui->listwidget_view->setCurrentRow(page - 1);
    connect(ui->listwidget_view, &QListWidget::clicked, this, &ExcelMain::viewchage, Qt::UniqueConnection);
    showPage(page);
}

void ExcelMain::viewchage()
{
    const int page = ui->listwidget_view->currentRow() + 1;
    if (!store.hasPage(page - 1))
        return;
    QSpinBox* spin = ui->spinBox_pagenumber;
    disconnect(spin, &QSpinBox::valueChanged, this, &ExcelMain::pagechange);
    spin->setValue(page);
    setPageButtons(spin->value());
    connect(spin, &QSpinBox::valueChanged, this, &ExcelMain::pagechange);
    showPage(page);
}

void ExcelMain::setPageButtons(int page)
{
    ui->pushButton_down->setEnabled(page != pageCount);
    ui->pushButton_up->setEnabled(page != 1);
}

void ExcelMain::showPage(int page)
{
    currentPng = PageFiles::imagePath(workFolder(), page);
    fitZoomToPage();
    showPNG();
    installPageGeometry(page - 1);
    Updateoutput();
}

// Puts the page's stored table on the canvas at the current zoom. It is shown and extracted
// but not editable until it is committed again with the mouse.
void ExcelMain::installPageGeometry(int index)
{
    pageCanvas->drawMode = DrawMode::Rectangle;
    pageCanvas->hasRect = false;
    ui->pushButton_drawrect->setChecked(true);
    ui->pushButton_drawline->setChecked(false);
    const QRectF rect = store.pageRects[index];
    if (isNoTable(rect)) {
        pageCanvas->delrec();
        return;
    }
    const ZoomMapping mapping(zoomFactor);
    pageCanvas->setRectAndLines(mapping.rectToCanvas(rect), mapping.linesToCanvas(store.pageLines[index]));
}

void ExcelMain::on_pushButton_up_clicked()
{
    ui->spinBox_pagenumber->setValue(ui->spinBox_pagenumber->value() - 1);
}

void ExcelMain::on_pushButton_down_clicked()
{
    ui->spinBox_pagenumber->setValue(ui->spinBox_pagenumber->value() + 1);
}

// The button that shows the zoom-in icon.
void ExcelMain::on_pushButton_zoomout_clicked()
{
    zoomBy(1.25f);
}

// The button that shows the zoom-out icon.
void ExcelMain::on_pushButton_zoomin_clicked()
{
    zoomBy(0.8f);
}

// Brings the zoom within the bounds for the page image about to be shown, the drawn table
// with it.
void ExcelMain::fitZoomToPage()
{
    const QSize image = PageFiles::pngSize(currentPng);
    if (!image.isValid())
        return;
    const float bounded = boundedZoom(zoomFactor, image, kMinImageSide, kMaxImageSide);
    if (bounded == zoomFactor)
        return;
    const double ratio = double(bounded) / double(zoomFactor);
    zoomFactor = bounded;
    auto scaled = [ratio](const QRectF& r) {
        return QRectF(r.x() * ratio, r.y() * ratio, r.width() * ratio, r.height() * ratio);
    };
    const QRectF rect = pageCanvas->getRect();
    if (isNoTable(rect))
        return;
    QVector<QRectF> lines;
    for (const QRectF& line : pageCanvas->getLines())
        lines.append(scaled(line));
    pageCanvas->setRectAndLines(scaled(rect), lines);
}

void ExcelMain::zoomBy(float step)
{
    // Nothing shown, nothing to zoom.
    if (pageCount == 0 || !shownImageSize.isValid())
        return;
    const float next = zoomFactor * step;
    if (shownImageSize.isValid()) {
        const QSize size = zoomedSize(shownImageSize, next);
        // Only a step further out of bounds is refused, so a step back is always possible.
        const bool tooLarge = step > 1 && (size.width() > kMaxImageSide || size.height() > kMaxImageSide);
        const bool tooSmall = step < 1 && (size.width() < kMinImageSide || size.height() < kMinImageSide);
        if (tooLarge || tooSmall)
            return;
    }
    zoomFactor = next;
    showPNG();
    if (step > 1)
        pageCanvas->zoomin();
    else
        pageCanvas->zoomout();
}

void ExcelMain::zoomTo(float factor)
{
    if (pageCount == 0 || !shownImageSize.isValid())
        return;
    const float bounded = boundedZoom(factor, shownImageSize, kMinImageSide, kMaxImageSide);
    if (bounded == zoomFactor)
        return;
    const double ratio = double(bounded) / double(zoomFactor);
    zoomFactor = bounded;
    showPNG();
    pageCanvas->rescale(ratio);
}

// ---------------------------------------------------------------------------------------
// The table

void ExcelMain::on_pushButton_drawrect_clicked()
{
    if (!ui->pushButton_drawrect->isChecked())
        return;
    pageCanvas->drawrect();
    ui->pushButton_drawline->setChecked(false);
}

void ExcelMain::on_pushButton_drawline_clicked()
{
    if (ui->pushButton_drawline->isChecked()) {
        pageCanvas->drawline();
        ui->pushButton_drawrect->setChecked(false);
    } else {
        pageCanvas->drawrect();
    }
}

void ExcelMain::on_pushButton_del_rect_clicked()
{
    const GeometryHistory::Step step(*history, tr("Remove table"), store);
    ui->pushButton_drawrect->setChecked(false);
    ui->pushButton_drawline->setChecked(false);
    pageCanvas->delrec();
}

void ExcelMain::on_pushButton_del_line_clicked()
{
    const GeometryHistory::Step step(*history, tr("Remove column line"), store);
    pageCanvas->delline();
}

void ExcelMain::Updateoutput()
{
    updateProposalActions();
    if (pageCount == 0)
        return;
    const int index = ui->spinBox_pagenumber->value() - 1;
    if (!store.hasPage(index) || index >= pageTexts.size())
        return;
    const PageGrid* grid = updatePage(store, pageTexts, index, pageCanvas->getRect(), pageCanvas->getLines(),
                                      zoomFactor, joinRules(index));
    if (grid)
        showGrid(*grid);
    else
        clearResultRows();
}

void ExcelMain::on_pushButton_clicked()
{
    if (pageCount == 0)
        return;
    const GeometryHistory::Step step(*history, tr("Apply to All"), store);
    applyToAllPages(store, pageTexts, ui->spinBox_pagenumber->value() - 1, pageCanvas->getRect(),
                    pageCanvas->getLines(), zoomFactor, [this](int index) { return joinRules(index); });
}

void ExcelMain::showGrid(const PageGrid& grid)
{
    resultTable->showGrid(grid, ui->spinBox_pagenumber->value());
}

void ExcelMain::clearResultRows()
{
    resultTable->clearRows(pageCount > 0 ? ui->spinBox_pagenumber->value() : 0);
}

// ---------------------------------------------------------------------------------------
// Saving

void ExcelMain::createNumbersBox()
{
    numbersBox = new QCheckBox(tr("Numbers as numbers"), this);
    numbersBox->setObjectName(QStringLiteral("checkBox_numbers"));
    numbersBox->setChecked(AppSettings::numbersAsNumbers());
    ui->horizontalLayout->insertWidget(ui->horizontalLayout->indexOf(ui->pushButton_save) + 1, numbersBox);
    connect(numbersBox, &QCheckBox::toggled, this, [](bool on) { AppSettings::setNumbersAsNumbers(on); });
}

void ExcelMain::on_pushButton_save_clicked()
{
    QString filter;
    QString name =
        dialogs->saveFileName(this, tr("Save File"), AppSettings::outputPath(), saveDialogFilters(), &filter);
    if (name.isEmpty())
        return;
    // The dialog adds the chosen filter's suffix itself, so its replace question sees the
    // final name; a name completed only here gets the same question before anything is written.
    const QString completed = completeFileName(name, filter);
    if (completed != name && QFileInfo::exists(completed) &&
        dialogs->information(
            this, tr("Save File"),
            tr("%1 already exists. Do you want to replace it?").arg(QDir::toNativeSeparators(completed)),
            QMessageBox::Ok | QMessageBox::Cancel) != QMessageBox::Ok)
        return;
    name = completed;
    if (isSameFile(name, pdfPath)) {
        dialogs->warning(this, dialogTitle(),
                         tr("%1 is the open PDF. Choose another name: saving would replace the document.")
                             .arg(QDir::toNativeSeparators(name)));
        return;
    }
    AppSettings::setOutputPath(name);
    rebuildForJoining(store, pageTexts, [this](int index) { return joinRules(index); });
    ExportOptions options;
    options.numbersAsNumbers = numbersBox->isChecked();
    const SaveResult result = saveTables(name, store.pageGrids, options);
    if (!result.ok) {
        dialogs->warning(this, dialogTitle(),
                         tr("%1 could not be saved: %2").arg(QDir::toNativeSeparators(name), result.error));
        return;
    }
    const auto answer = dialogs->information(this, tr("Finished"), tr("Open the ") + name + "?",
                                             QMessageBox::Ok | QMessageBox::Cancel);
    if (answer == QMessageBox::Ok)
        openexcel(name);
}

void ExcelMain::openexcel(const QString& excel)
{
    // A URL made by pasting "file:///" before the path would cut a name at its "#".
    QDesktopServices::openUrl(QUrl::fromLocalFile(excel));
}

// ---------------------------------------------------------------------------------------
// The gap splitters. Positions of the list and the frame are in the central widget.

void ExcelMain::mouseMoveEvent(QMouseEvent* event)
{
    // The list and the frame are placed in the central widget, below the menu bar.
    const QPointF inCentral = ui->centralwidget->mapFrom(this, event->position());
    const double x = inCentral.x();
    const double y = inCentral.y();
    const QWidget* list = ui->listwidget_view;
    if (draggingListEdge) {
        const QScreen* screen = QGuiApplication::primaryScreen();
        const int desktopWidth = screen ? screen->virtualGeometry().width() : 0;
        if (x > desktopWidth - 576)
            return;
        ui->listwidget_view->setFixedWidth(qMax(0, static_cast<int>(x - list->x())));
        return;
    }
    if (draggingTableEdge)
        ui->tableWidget_rule->setFixedHeight(
            qMax(0, static_cast<int>(height() - event->position().y() - 20)));

    const int listRight = list->x() + list->width();
    overListEdge = listRight + 2 < x && x < listRight + 8 && y > list->y();
    if (overListEdge) {
        setCursor(Qt::SplitHCursor);
        return;
    }
    setCursor(Qt::ArrowCursor);
    const QWidget* frame = ui->frame_back;
    const int frameBottom = frame->y() + frame->height();
    overTableEdge = frameBottom + 2 < y && y < frameBottom + 8 && x > frame->x();
    setCursor(overTableEdge ? Qt::SplitVCursor : Qt::ArrowCursor);
}

void ExcelMain::mousePressEvent(QMouseEvent* event)
{
    draggingListEdge = overListEdge && event->button() == Qt::LeftButton;
    draggingTableEdge = overTableEdge && event->button() == Qt::LeftButton;
}

void ExcelMain::mouseReleaseEvent(QMouseEvent*)
{
    draggingListEdge = false;
    draggingTableEdge = false;
}
