#include "app/resulttable.h"

#include "extraction/pagegrid.h"

#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QStyle>
#include <QTableWidget>

#include <algorithm>

namespace {

QString spreadsheetField(const QString& text)
{
    const bool needsQuotes = std::any_of(text.begin(), text.end(), [](QChar c) {
        return c == u'\t' || c == u'"' || c == u'\n' || c == u'\r';
    });
    if (!needsQuotes)
        return text;
    QString field = text;
    field.replace(u'"', QStringLiteral("\"\""));
    return u'"' + field + u'"';
}

} // namespace

QString tabSeparatedText(const QVector<CopiedCell>& cells)
{
    if (cells.isEmpty())
        return QString();
    int top = cells.first().row;
    int bottom = top;
    int left = cells.first().column;
    int right = left;
    for (const CopiedCell& cell : cells) {
        top = std::min(top, cell.row);
        bottom = std::max(bottom, cell.row);
        left = std::min(left, cell.column);
        right = std::max(right, cell.column);
    }
    QVector<QStringList> rows(bottom - top + 1, QStringList(right - left + 1, QString()));
    for (const CopiedCell& cell : cells)
        rows[cell.row - top][cell.column - left] = spreadsheetField(cell.text);
    QStringList lines;
    for (const QStringList& row : rows)
        lines.append(row.join(u'\t'));
    return lines.join(u'\n');
}

ResultTable::ResultTable(QTableWidget* table, QLabel* pageLabel)
    : QObject(table), table_(table), pageLabel_(pageLabel)
{
    table_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    table_->setSelectionBehavior(QAbstractItemView::SelectItems);
    table_->verticalHeader()->setVisible(true);
    // The view's own Ctrl+C copies the current cell only; the filter takes the key first.
    table_->installEventFilter(this);
    auto* copy = new QAction(tr("Copy"), table_);
    copy->setObjectName(QStringLiteral("actionCopyCells"));
    copy->setShortcut(QKeySequence::Copy);
    copy->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    connect(copy, &QAction::triggered, this, &ResultTable::copySelection);
    table_->addAction(copy);
    table_->setContextMenuPolicy(Qt::ActionsContextMenu);
    pageLabel_->hide();
}

bool ResultTable::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != table_ || event->type() != QEvent::KeyPress ||
        !static_cast<QKeyEvent*>(event)->matches(QKeySequence::Copy))
        return false;
    copySelection();
    return true;
}

void ResultTable::showGrid(const PageGrid& grid, int page)
{
    clearRows(page);
    table_->setRowCount(grid.rows);
    table_->setColumnCount(grid.columns);
    for (int row = 0; row < grid.rows; ++row)
        for (int column = 0; column < grid.columns; ++column)
            table_->setItem(row, column, new QTableWidgetItem(grid.cell(row, column)));
    fitColumns();
    pageLabel_->setText(tr("Page %1").arg(page));
}

// Rows go, last first; the columns stay.
void ResultTable::clearRows(int page)
{
    for (int row = table_->rowCount() - 1; row >= 0; --row)
        table_->removeRow(row);
    pageLabel_->setVisible(page > 0);
    pageLabel_->setText(page > 0 ? tr("Page %1: no table").arg(page) : QString());
}

void ResultTable::fitColumns()
{
    table_->resizeColumnsToContents();
    const int cap = std::max(kMinColumnCap, static_cast<int>(kColumnCapShare * table_->viewport()->width()));
    // The item view's text margin on each side (QCommonStyle's item delegate).
    const int margin = 2 * (table_->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, table_) + 1);
    const QFontMetrics metrics(table_->font());
    for (int column = 0; column < table_->columnCount(); ++column) {
        if (table_->columnWidth(column) > cap)
            table_->setColumnWidth(column, cap);
        const int room = table_->columnWidth(column) - margin;
        for (int row = 0; row < table_->rowCount(); ++row) {
            QTableWidgetItem* item = table_->item(row, column);
            const QString text = item->text();
            const bool cut = text.contains(u'\n') || metrics.horizontalAdvance(text) > room;
            item->setToolTip(cut ? text : QString());
        }
    }
}

void ResultTable::copySelection()
{
    QVector<CopiedCell> cells;
    for (const QModelIndex& index : table_->selectionModel()->selectedIndexes())
        cells.append({index.row(), index.column(), index.data(Qt::DisplayRole).toString()});
    if (cells.isEmpty())
        return;
    QGuiApplication::clipboard()->setText(tabSeparatedText(cells));
}
