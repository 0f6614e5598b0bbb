#include "app/geometryhistory.h"

#include <QUndoCommand>
#include <QUndoStack>

#include <algorithm>

namespace {

// A step holds snapshots: a hundred steps of a 300-page document share most of their data.
constexpr int kUndoLimit = 100;

// Exact, unlike QRectF's fuzzy operator==: undo must tell a drag of a fraction of a pixel.
bool sameRect(const QRectF& a, const QRectF& b)
{
    return a.x() == b.x() && a.y() == b.y() && a.width() == b.width() && a.height() == b.height();
}

bool sameTable(const PageStore& a, const PageStore& b, int index)
{
    const QVector<QRectF>& linesA = a.pageLines[index];
    const QVector<QRectF>& linesB = b.pageLines[index];
    return sameRect(a.pageRects[index], b.pageRects[index]) && linesA.size() == linesB.size() &&
           std::equal(linesA.begin(), linesA.end(), linesB.begin(), sameRect);
}

class GeometryStep : public QUndoCommand {
public:
    GeometryStep(const QString& label, const PageStore& before, const PageStore& after, int page,
                 GeometryHistory::Restore restore)
        : QUndoCommand(label), before_(before), after_(after), page_(page), restore_(std::move(restore))
    {
    }

    void undo() override { restore_(before_, page_); }
    void redo() override
    {
        // QUndoStack::push() redoes at once; the store holds `after` already.
        if (pushed_) {
            pushed_ = false;
            return;
        }
        restore_(after_, page_);
    }

private:
    PageStore before_;
    PageStore after_;
    int page_;
    GeometryHistory::Restore restore_;
    bool pushed_ = true;
};

} // namespace

GeometryHistory::GeometryHistory(Restore restore, ShownPage shownPage, QObject* parent)
    : QObject(parent), stack_(new QUndoStack(this)), restore_(std::move(restore)),
      shownPage_(std::move(shownPage))
{
    stack_->setUndoLimit(kUndoLimit);
}

void GeometryHistory::record(const QString& label, const PageStore& before, const PageStore& after)
{
    // Stores of different documents (or of none) make no step: neither could be put back.
    if (restoring_ || before.size() != after.size() || pagesWithChangedTables(before, after).isEmpty())
        return;
    stack_->push(
        new GeometryStep(label, before, after, shownPage_(), [this](const PageStore& snapshot, int page) {
            // Restoring runs the window's page switch, which must not record steps of its own.
            restoring_ = true;
            restore_(snapshot, page);
            restoring_ = false;
        }));
}

void GeometryHistory::beginEdit(const PageStore& before)
{
    editStart_ = before;
}

void GeometryHistory::finishEdit(const QString& label, const PageStore& after)
{
    record(label, editStart_, after);
    editStart_ = PageStore();
}

void GeometryHistory::undo()
{
    if (!restoring_)
        stack_->undo();
}

void GeometryHistory::redo()
{
    if (!restoring_)
        stack_->redo();
}

void GeometryHistory::clear()
{
    stack_->clear();
    editStart_ = PageStore();
}

QVector<int> pagesWithChangedTables(const PageStore& a, const PageStore& b)
{
    QVector<int> changed;
    const int pages = std::max(a.size(), b.size());
    for (int index = 0; index < pages; ++index)
        if (!a.hasPage(index) || !b.hasPage(index) || !sameTable(a, b, index))
            changed.append(index);
    return changed;
}
