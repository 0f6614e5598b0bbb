#pragma once

#include "app/aboutdialog.h"
#include "app/documentopener.h"
#include "app/geometryproposals.h"
#include "extraction/layoutfile.h"
#include "extraction/pagerulescache.h"
#include "extraction/pagestore.h"
#include "loading/documentloader.h"
#include "protocol/subtext.h"

#include <QMainWindow>
#include <QVector>

#include <memory>

class QAction;
class GeometryHistory;
class QCheckBox;
class QComboBox;
class QLabel;
class QProgressDialog;
class RecognitionRun;
class QScrollArea;
class RecentFilesMenu;
class ResultTable;
class ThumbnailLoader;
class WindowDialogs;
class labeldraw;
struct PageGrid;

namespace Ui {
class ExcelMain;
}

// The program's window. Opening a PDF loads it through the document loader (the converter
// into a folder private to this process, every page checked and its text read) behind a busy
// dialog, and shows the pages as thumbnails and one page large on the canvas. Only a complete
// document replaces the one shown; a failed or cancelled open leaves it exactly as it was. The table drawn on the canvas is extracted for the shown page after
// every edit (or for all pages by "Apply to All"); each page keeps its own table and grid,
// and "Save" writes the grids of all pages as one CSV or spreadsheet file.
class ExcelMain : public QMainWindow, public DocumentOpener {
    Q_OBJECT

public:
    explicit ExcelMain(QWidget* parent = nullptr);
    ~ExcelMain() override;

    // The dialogs the window asks through; tests and the benchmark answer in place of a user.
    void setDialogs(std::unique_ptr<WindowDialogs> dialogs);
    // Where "Qtmingw.dll" is looked up; the folder of the program's own executable by default.
    void setConverterDirectory(const QString& folder) { loader->setConverterDirectory(folder); }
    // The private folder holding the page files of the document shown; "" without one.
    QString workFolder() const { return documentFolder ? documentFolder->path() : QString(); }
    bool isLoading() const override { return loader->isRunning(); }
    DocumentLoader* documentLoader() const { return loader; }

    // Opens the PDF at `pdfPath`: every way of opening a document ends here.
    void openDocument(const QString& pdfPath) override;
    void showStatus(const QString& message, int timeoutMs) override;
    labeldraw* canvas() const { return pageCanvas; }
    // "Join wrapped lines", beside the result table.
    QCheckBox* joinLinesBox() const { return joinLinesCheck; }
    ThumbnailLoader* thumbnails() const { return thumbnailLoader; }
    // Undo and redo of the tables; whatever changes tables records its step here.
    GeometryHistory* geometryHistory() const { return history; }

    // The open document. Written by the window only; read by tests and the benchmark.
    QString pdfPath;
    QString pageCountText;
    int pageCount = 0;           // 0 while no document is shown
    QString currentPng;          // image of the page shown
    float zoomFactor = 1.0f;     // canvas pixels per page pixel
    QVector<PageText> pageTexts; // index = page number − 1
    PageStore store;             // per-page grid texts, geometry in page pixels and grids

public slots:
    // Loading a document.
    void on_pushButton_openfile_clicked();
    void closeProgressDia();

    // The page shown.
    void showPNG();
    void pagechange();
    void viewchage();
    void on_pushButton_up_clicked();
    void on_pushButton_down_clicked();
    void on_pushButton_zoomout_clicked();
    void on_pushButton_zoomin_clicked();

    // The table.
    void on_pushButton_drawrect_clicked();
    void on_pushButton_drawline_clicked();
    void on_pushButton_del_rect_clicked();
    void on_pushButton_del_line_clicked();
    void Updateoutput();
    void on_pushButton_clicked();

    // Saving.
    void on_pushButton_save_clicked();
    void openexcel(const QString& excel);

    void setabout();
    void showabout();

    // Layout files: every page's table in points ("Save layout…", "Load layout…").
    void saveLayout();
    void loadLayout();

public:
    // Puts a layout on the open document in one step: page i + 1 gets pages[i], every other
    // page loses its table, and the page shown and the result table follow.
    void applyLayout(const QVector<std::optional<PageLayout>>& pages);

    // Proposed geometry on the page shown, each one step that replaces its table
    // (excelmainproposals.cpp). "Guess columns": the drawn table's column lines guessed;
    // "Find table": the next table found on the page, with its column lines.
    void guessColumns();
    void findTable();

protected:
    // The two gap splitters: beside the page list and below the page frame.
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    // The title of the window's message boxes.
    static QString dialogTitle() { return QStringLiteral("Zarnich Quorvel"); }

    void centreOnScreen();
    void showThumbnails(int page);
    void createCanvas();
    void createLayoutActions();
    void createNumbersBox();
    void createShortcuts(); // excelmainkeys.cpp
    void createHistory();   // excelmainhistory.cpp
    void restoreGeometry(const PageStore& snapshot, int page);
    void createResultTable();
    void createFileOpening();
    void createProposalActions();
    void updateProposalActions();
    void showProposedGeometry(const ProposedGeometry& geometry);
    const QVector<PageRule>& proposalRules(int index);

    void loadFinished(DocumentLoader::Outcome outcome);
    void showLoadProgress(int done, int total);
    void showNoDocument();
    void warnAboutPageLimit();
    void fitZoomToPage();

    void showPage(int page);
    void setPageButtons(int page);
    void installPageGeometry(int index);
    void showGrid(const PageGrid& grid);
    void clearResultRows();
    void zoomBy(float step);
    void zoomTo(float factor);
    // A zoom step keeping the page point under `pointer` (in the scroll area's viewport) in place.
    void zoomAround(float step, const QPointF& pointer);
    void createJoinLinesBox();
    void joinLinesToggled(bool on);
    // The rules of page `index` while "Join wrapped lines" is on, else nullptr.
    const QVector<PageRule>* joinRules(int index);

    // Pages without a text layer (excelmainrecognition.cpp): after a document is shown, the
    // offer to recognise their text; the marks and the status note on recognised pages.
    void createRecognitionControls();
    void offerRecognition();
    void adoptRecognised(LoadedDocument recognised);
    void showRecognitionMarks();
    void showPageNote();

    std::unique_ptr<Ui::ExcelMain> ui;
    std::unique_ptr<WindowDialogs> dialogs;
    AboutDialog aboutBox;
    labeldraw* pageCanvas = nullptr;
    QScrollArea* scrollArea = nullptr;
    QProgressDialog* busyDialog = nullptr;
    QCheckBox* numbersBox = nullptr; // "Numbers as numbers", beside Save
    ThumbnailLoader* thumbnailLoader = nullptr;
    QCheckBox* joinLinesCheck = nullptr;
    GeometryHistory* history = nullptr;
    PageRulesCache pageRules;
    RecognitionRun* recognitionRun = nullptr;
    QComboBox* scannedPagesBox = nullptr; // "Recognise scanned pages: ask / always / never"
    QLabel* pageNoteLabel = nullptr;      // in the status bar: how the shown page got its text
    ResultTable* resultTable = nullptr;
    RecentFilesMenu* recentFiles = nullptr;
    QAction* guessColumnsAction = nullptr;
    QAction* findTableAction = nullptr;
    TableProposals tableProposals; // of the document shown

    DocumentLoader* loader = nullptr;
    QString loadingPath;                           // the PDF the loader works on
    std::unique_ptr<PrivateFolder> documentFolder; // page files of the document shown
    DocumentInfo documentInfo;                     // every page of the document shown
    QSize shownImageSize;                          // size of the page image on the canvas, before zooming

    bool overListEdge = false;
    bool overTableEdge = false;
    bool draggingListEdge = false;
    bool draggingTableEdge = false;
};
