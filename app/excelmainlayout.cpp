// The window's layout files: "Save layout…" writes every page's table in points, "Load
// layout…" puts a layout on the open document. Kept apart from excelmain.cpp, which they only
// reach through the store, the canvas and the dialogs.
#include "app/excelmain.h"

#include "app/geometryhistory.h"
#include "app/settings.h"
#include "app/windowdialogs.h"
#include "extraction/pagelayouts.h"
#include "protocol/pagefiles.h"
#include "ui_excelmain.h"

#include <QAction>
#include <QCheckBox>
#include <QDir>
#include <QFileInfo>
#include <QMenu>
#include <QToolButton>

#include <algorithm>

namespace {

QString layoutFilter()
{
    return QCoreApplication::translate("ExcelMain", "Layout (*.json)");
}

} // namespace

void ExcelMain::createLayoutActions()
{
    auto* save = new QAction(tr("Save layout…"), this);
    save->setObjectName("actionSaveLayout");
    save->setToolTip(tr("Save every page's table as a layout file"));
    connect(save, &QAction::triggered, this, &ExcelMain::saveLayout);
    auto* load = new QAction(tr("Load layout…"), this);
    load->setObjectName("actionLoadLayout");
    load->setToolTip(tr("Put the tables of a layout file on this document's pages"));
    connect(load, &QAction::triggered, this, &ExcelMain::loadLayout);
    addAction(save);
    addAction(load);
}

void ExcelMain::saveLayout()
{
    if (pageCount == 0 || isLoading())
        return;
    const auto info = DocumentInfo::read(PageFiles::documentInfoPath(workFolder()));
    const QVector<std::optional<PageLayout>> pages =
        info ? storePageLayouts(store, *info) : QVector<std::optional<PageLayout>>();
    QVector<LayoutEntry> entries = layoutEntriesForPages(pages);
    // "Join wrapped lines" applies to every page, so every entry records it.
    for (LayoutEntry& entry : entries)
        entry.joinLines = joinLinesCheck->isChecked();
    if (entries.isEmpty()) {
        dialogs->warning(this, dialogTitle(), tr("No page has a table: there is no layout to save."));
        return;
    }
    const QVector<int> outside = pagesWithColumnsOutside(pages);
    if (!outside.isEmpty()) {
        dialogs->warning(this, dialogTitle(),
                         tr("A column line lies outside its table on page %1. Move it into the table or "
                            "remove it, then save the layout.")
                             .arg(pageRangesText(outside)));
        return;
    }
    QString filter;
    QString name =
        dialogs->saveFileName(this, tr("Save Layout"), AppSettings::layoutFolder(), layoutFilter(), &filter);
    if (name.isEmpty())
        return;
    // A name typed without a suffix gets ".json"; the dialog has not asked about that name.
    if (QFileInfo(name).suffix().isEmpty()) {
        name += QStringLiteral(".json");
        if (QFileInfo::exists(name) &&
            dialogs->information(
                this, tr("Save Layout"),
                tr("%1 already exists. Do you want to replace it?").arg(QDir::toNativeSeparators(name)),
                QMessageBox::Ok | QMessageBox::Cancel) != QMessageBox::Ok)
            return;
    }
    AppSettings::setLayoutFolder(QFileInfo(name).absolutePath());
    const QString error = writeLayoutFile(name, entries);
    if (!error.isEmpty())
        dialogs->warning(this, dialogTitle(),
                         tr("%1 could not be saved: %2").arg(QDir::toNativeSeparators(name), error));
}

void ExcelMain::loadLayout()
{
    if (pageCount == 0 || isLoading())
        return;
    const QString name =
        dialogs->openFileName(this, tr("Load Layout"), AppSettings::layoutFolder(), layoutFilter());
    if (name.isEmpty())
        return;
    AppSettings::setLayoutFolder(QFileInfo(name).absolutePath());
    LayoutLimits limits;
    limits.maxPage = PageFiles::kMaxPages;
    const LayoutReadResult read = readLayoutFile(name, limits);
    if (!read.ok()) {
        dialogs->warning(this, dialogTitle(), tr("The layout could not be loaded: %1").arg(read.error));
        return;
    }
    const ResolvedLayout layout = resolveLayout(read.entries, pageCount);
    // A layout made with wrapped lines joined turns the option on before its tables apply.
    const PageStore before = store;
    if (std::any_of(read.entries.begin(), read.entries.end(),
                    [](const LayoutEntry& e) { return e.joinLines; }))
        joinLinesCheck->setChecked(true);
    applyLayout(layout.pages);
    history->record(tr("Load layout"), before, store);
    if (!layout.missingPages.isEmpty())
        dialogs->warning(this, dialogTitle(),
                         tr("The layout has tables for page %1, which this document (%2 pages) does not "
                            "have; they were skipped.")
                             .arg(pageRangesText(layout.missingPages))
                             .arg(pageCount));
}

void ExcelMain::applyLayout(const QVector<std::optional<PageLayout>>& pages)
{
    const auto info = DocumentInfo::read(PageFiles::documentInfoPath(workFolder()));
    if (!info || pageCount == 0)
        return;
    applyPageLayouts(store, pageTexts, pages, *info);
    // The page shown gets its new table and grid as a page switch would show them.
    showPage(ui->spinBox_pagenumber->value());
}
