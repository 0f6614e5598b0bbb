// The window's proposed geometry: "Guess columns" and "Find table" put a table on the page
// shown as if it had been drawn there, in one step, and the result table follows. Kept apart
// from excelmain.cpp; what they compute comes from geometryproposals.h.
#include "app/excelmain.h"

#include "app/geometryhistory.h"

#include "canvas/labeldraw.h"
#include "extraction/zoommapping.h"
#include "ui_excelmain.h"

#include <QAction>
#include <QStatusBar>
#include <QToolButton>

namespace {

QToolButton* toolButtonFor(QAction* action, const QString& name, QWidget* parent)
{
    auto* button = new QToolButton(parent);
    button->setObjectName(name);
    button->setDefaultAction(action);
    button->setIconSize(QSize(32, 32));
    button->setAutoRaise(true);
    return button;
}

} // namespace

void ExcelMain::createProposalActions()
{
    guessColumnsAction =
        new QAction(QIcon(QStringLiteral(":/iconoption/icons/guesscolumns.png")), tr("Guess columns"), this);
    guessColumnsAction->setObjectName(QStringLiteral("actionGuessColumns"));
    guessColumnsAction->setToolTip(
        tr("Place the column lines of the drawn table in the gaps between its words and on its printed "
           "rules"));
    connect(guessColumnsAction, &QAction::triggered, this, &ExcelMain::guessColumns);

    findTableAction =
        new QAction(QIcon(QStringLiteral(":/iconoption/icons/findtable.png")), tr("Find table"), this);
    findTableAction->setObjectName(QStringLiteral("actionFindTable"));
    findTableAction->setToolTip(tr("Draw a table found on this page with its column lines; press again for "
                                   "the next table of the page"));
    connect(findTableAction, &QAction::triggered, this, &ExcelMain::findTable);

    // After the drawing tools, before "Apply to All", which applies what they propose.
    QHBoxLayout* row = ui->horizontalLayout;
    const int at = row->indexOf(ui->pushButton_del_line) + 1;
    row->insertWidget(at, toolButtonFor(findTableAction, QStringLiteral("toolButton_findtable"), this));
    row->insertWidget(at, toolButtonFor(guessColumnsAction, QStringLiteral("toolButton_guesscolumns"), this));
}

void ExcelMain::updateProposalActions()
{
    const bool shown = pageCount > 0;
    findTableAction->setEnabled(shown);
    guessColumnsAction->setEnabled(shown && !isNoTable(pageCanvas->getRect()));
}

const QVector<PageRule>& ExcelMain::proposalRules(int index)
{
    return pageRules.rules(index, pageTexts[index].runs,
                           [](const QString& message) { qWarning("%s", qPrintable(message)); });
}

void ExcelMain::guessColumns()
{
    const int index = ui->spinBox_pagenumber->value() - 1;
    const QRectF canvasRect = pageCanvas->getRect();
    if (isLoading() || pageCount == 0 || !store.hasPage(index) || index >= pageTexts.size() ||
        isNoTable(canvasRect))
        return;
    const ProposedGeometry geometry = guessedColumnsGeometry(pageTexts[index].runs, proposalRules(index),
                                                             ZoomMapping(zoomFactor).rectToPage(canvasRect));
    // Nothing to propose: the lines drawn by hand stay.
    if (geometry.lines.isEmpty()) {
        statusBar()->showMessage(tr("No column lines found in the table"));
        return;
    }
    {
        const GeometryHistory::Step step(*history, tr("Guess columns"), store);
        showProposedGeometry(geometry);
    }
    statusBar()->showMessage(tr("%n column line(s) guessed", nullptr, int(geometry.lines.size())));
}

void ExcelMain::findTable()
{
    const int index = ui->spinBox_pagenumber->value() - 1;
    if (isLoading() || pageCount == 0 || !store.hasPage(index) || index >= pageTexts.size())
        return;
    const PageInfo info = documentInfo.pages.value(index);
    const QVector<TableProposal>& found = tableProposals.of(
        index, pageTexts[index].runs, proposalRules(index), QSizeF(info.imageWidth, info.imageHeight));
    const int number = tableProposals.next(index, int(found.size()), store.pageRects[index]);
    if (number < 0) {
        statusBar()->showMessage(tr("No table found on page %1").arg(index + 1));
        return;
    }
    const TableProposal& proposal = found[number];
    {
        const GeometryHistory::Step step(*history, tr("Find table"), store);
        showProposedGeometry({proposal.rect, columnLinesAcross(proposal.rect, proposal.columns)});
    }
    tableProposals.shown(index, number, store.pageRects[index]);
    statusBar()->showMessage(
        tr("Table %1 of %2 found on page %3").arg(number + 1).arg(found.size()).arg(index + 1));
}

void ExcelMain::showProposedGeometry(const ProposedGeometry& geometry)
{
    const ZoomMapping mapping(zoomFactor);
    pageCanvas->setRectAndLines(mapping.rectToCanvas(geometry.rect), mapping.linesToCanvas(geometry.lines));
    // Editable with the mouse like a table just drawn.
    pageCanvas->hasRect = true;
    Updateoutput();
}
