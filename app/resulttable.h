#pragma once

#include <QObject>
#include <QString>
#include <QVector>

class QLabel;
class QTableWidget;
struct PageGrid;

// One cell to copy: its row and column in the result table and its text.
struct CopiedCell {
    int row = 0;
    int column = 0;
    QString text;
};

// The cells as text that spreadsheet programs paste as cells: the rectangle from the first row
// and column given to the last, a tab between cells and "\n" between rows; a cell of the
// rectangle that is not given stays empty. A text holding a tab, a double quote or a line break
// is put in double quotes with each quote doubled. No cells give "".
//   (0,0) "a", (0,2) "b\tc", (1,1) "say \"hi\""  →  a\t\t"b\tc"\n\t"say ""hi"""\t
QString tabSeparatedText(const QVector<CopiedCell>& cells);

// The result table below the page: the grid of the page shown, with numbered rows, columns as
// wide as their contents up to a cap (a longer cell shows its full text as a tool tip), the
// page's number in a label above it, and Ctrl+C copying the selected cells as
// tabSeparatedText().
class ResultTable : public QObject {
    Q_OBJECT

public:
    // `pageLabel` is the label above the table; both belong to the window.
    ResultTable(QTableWidget* table, QLabel* pageLabel);

    // Shows the grid of page `page` (1-based).
    void showGrid(const PageGrid& grid, int page);
    // Removes the rows, keeping the columns; the label names `page`, or hides for 0 (no
    // document).
    void clearRows(int page);
    // Puts the selected cells on the clipboard; nothing selected leaves the clipboard alone.
    void copySelection();

    // No column is made wider than this share of the table's visible width (but at least
    // kMinColumnCap pixels), so one long cell leaves the others in view.
    static constexpr double kColumnCapShare = 0.4;
    static constexpr int kMinColumnCap = 120;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void fitColumns();

    QTableWidget* table_;
    QLabel* pageLabel_;
};
