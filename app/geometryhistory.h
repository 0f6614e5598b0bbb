#pragma once

#include "extraction/pagestore.h"

#include <QObject>
#include <QString>
#include <QVector>

#include <functional>

class QUndoStack;

// Undo and redo of the open document's tables. A step keeps the whole store (every page's
// rectangle, lines and grid, in page pixels) from before and after it, so undoing it puts back
// every page exactly as it was, however many pages the step touched. A step also keeps the page
// shown when it was made (0-based), where undo and redo show it again. The window restores a
// snapshot through the function it gives; opening a document clears the history.
//
// Whatever changes tables records itself as one step, with the store before and after:
//     const PageStore before = store;
//     ... change the store ...
//     history->record(tr("Guess columns"), before, store);
// or for a block of code:
//     const GeometryHistory::Step step(*history, tr("Apply to All"), store);
class GeometryHistory : public QObject {
    Q_OBJECT

public:
    using Restore = std::function<void(const PageStore& snapshot, int page)>;
    using ShownPage = std::function<int()>;

    GeometryHistory(Restore restore, ShownPage shownPage, QObject* parent = nullptr);

    // One step from `before` to `after`, which the store already holds. Nothing is recorded
    // when no page's table differs, when the two have different page counts, or while a step
    // is being undone or redone.
    void record(const QString& label, const PageStore& before, const PageStore& after);
    // Edits whose start and end arrive apart (a mouse drag): the store at the start, then the
    // step up to the store at the end.
    void beginEdit(const PageStore& before);
    void finishEdit(const QString& label, const PageStore& after);

    void undo();
    void redo();
    void clear();
    QUndoStack* stack() const { return stack_; }

    // Records the changes `store` undergoes from its construction to its end as one step.
    class Step {
    public:
        Step(GeometryHistory& history, const QString& label, const PageStore& store)
            : history_(history), label_(label), store_(store), before_(store)
        {
        }
        ~Step() { history_.record(label_, before_, store_); }
        Step(const Step&) = delete;
        Step& operator=(const Step&) = delete;

    private:
        GeometryHistory& history_;
        QString label_;
        const PageStore& store_;
        PageStore before_;
    };

private:
    QUndoStack* stack_;
    Restore restore_;
    ShownPage shownPage_;
    PageStore editStart_;
    bool restoring_ = false;
};

// The pages (0-based, ascending) whose table differs between the two stores: the rectangle or
// a line compared exactly, or a different number of pages.
QVector<int> pagesWithChangedTables(const PageStore& a, const PageStore& b);
