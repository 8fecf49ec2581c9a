// Many pairs settled at once, as one batch of the journal: each step is the resolution of one pair,
// with the checks of a single resolution and its own journal entry, which names the batch. The
// steps go in chunks: the chunk's entries are written as pending in one transaction, its files go
// to the Trash with one sync of each volume, and its rows change in one more transaction, so that
// a stopped or killed batch leaves every finished pair settled and nothing half-done (what a kill
// leaves pending is settled from the disk when the database is next opened). A batch can be undone
// as a whole, newest entry first.
#pragma once

#include <cstdint>
#include <vector>

#include <QString>

#include "review/actions.h"
#include "review/fileoperation.h"
#include "review/pairlist.h"
#include "review/plan.h"
#include "store/session.h"

namespace vexaris::review {

// One pair to settle, as the plan saw it: the Trash for the given-up side, or not a match.
struct BatchStep
{
    PairRow row;
    ResolutionAction action = ResolutionAction::NotAMatch;
};

struct BatchProgress
{
    int done = 0; // steps settled or skipped
    int total = 0;
    qint64 bytesFreed = 0; // of the files moved to the Trash so far
};

// Told how far the batch has come, and asked whether to stop, after every chunk. A batch may run
// on a thread of its own: then so are these calls.
class BatchObserver
{
public:
    virtual ~BatchObserver() = default;
    virtual void progress(const BatchProgress &progress) = 0;
    virtual bool stopRequested() = 0;
};

struct SkippedStep
{
    qint64 pairId = 0;
    QString reason; // one line
};

struct BatchResult
{
    qint64 batchId = 0;
    int settled = 0;
    std::vector<SkippedStep> skipped;
    bool stopped = false;
    qint64 bytesFreed = 0;
    // What changed, so that a pair list can follow in place.
    std::vector<int> removedPictures;
    std::vector<std::pair<int, int>> forgottenPairs; // stored left and right picture
};

struct BatchOptions
{
    QString ruleName;
    QString rule; // the rule's definition as applied, kept with the batch
    bool rememberNotAMatch = false;
};

// Applies the steps in order as one batch of the collection, holding its lock throughout. Before
// any file moves, every volume the batch gives files up on must have a usable Trash: otherwise
// one line names the volume (vexaris::Error) and nothing changes. A step whose pair fails its
// checks, or whose kept file an earlier step gave up, is skipped with its reason and the batch
// goes on.
BatchResult applyBatch(store::Session &session, FileOperation &files, int collectionId,
    const std::vector<BatchStep> &steps, const BatchOptions &options, BatchObserver &observer);

// The steps of a plan's acting pairs, in the order to apply, the first limit of them; a pair no
// longer in the list is left out.
std::vector<BatchStep> batchSteps(const Plan &plan, const PairList &list, size_t limit = SIZE_MAX);

// The changes of a batch, in a list that was read before it.
void followBatch(PairList &list, const BatchResult &result);

struct RefusedUndo
{
    qint64 entryId = 0;
    QString reason; // one line
};

struct BatchUndoResult
{
    int restored = 0;
    std::vector<RefusedUndo> refused;
};

// Undoes the batch's entries newest first, each with the checks of a single undo, their journal
// writes grouped as the batch's were; one refused does not stop the others. An entry undone
// already counts as neither. The collection's lock is held throughout.
BatchUndoResult UndoBatch(store::Session &session, FileOperation &files, qint64 batchId);

} // namespace vexaris::review
