// One file resolution of a pair, made all or nothing. Everything that can be checked comes first;
// then the journal entry is written as pending, with where the given-up file goes in the Trash and
// where a moved or copied file goes, before any file is touched; then the file steps; then the
// rows and the entry's done mark in one transaction. When those rows cannot be written, the files
// go back where they were. A crash anywhere leaves a pending entry that the next open of the
// database settles from what the disk shows (settleUnfinished). A batch of a rule runs many of
// these with their journal writes grouped into a few transactions.
#pragma once

#include <optional>

#include <QString>

#include "review/actions.h"
#include "review/fileoperation.h"
#include "review/pairlist.h"
#include "store/session.h"

namespace vexaris::review {

// Told when each file step of a resolution starts and ends, so that a front end can show it.
class ResolutionSteps
{
public:
    enum class Step { Recycle, Move, Copy };
    virtual ~ResolutionSteps() = default;
    virtual FileOperationProgress &started(Step step) = 0;
    virtual void finished() = 0;
};

// The steps of a resolution nobody watches, as the command line settles pairs.
class QuietSteps final : public ResolutionSteps
{
public:
    FileOperationProgress &started(Step) override { return m_progress; }
    void finished() override { }

private:
    NoProgress m_progress;
};

class FileResolution
{
public:
    // The given-up and the kept side of the pair as the panes show it, the Trash slot of the
    // given-up file, and for a move or copy the free name in its folder that the kept file takes
    // (free once the given-up file is gone). The checks must have passed. nullopt, and one line in
    // message, when no Trash can take the file.
    static std::optional<FileResolution> prepare(
        FileOperation &files, const PairRow &row, ResolutionAction action, QString &message);

    // Writes the pending entry with the rows the resolution will remove; in the caller's
    // transaction.
    void journal(store::Session &session, qint64 batchId = 0);
    qint64 entryId() const { return m_entryId; }

    enum class Outcome {
        Done,
        Failed, // nothing moved; message says why
        PartlyDone, // the given-up file is in the Trash, the move or copy failed: now a delete
    };
    // The file steps, in order.
    Outcome carryOut(ResolutionSteps &steps, QString &message);

    // The given-up file and its slot, for a batch that moves many into the Trash at once; the
    // batch then says whether it went.
    std::pair<QString, TrashSlot> trashItem() const { return {m_victim.fullPath(), m_slot}; }
    void recycledByTheBatch() { m_recycled = true; }

    // The rows the resolution changes, and the entry done; in the caller's transaction.
    void commitRows(store::Session &session);
    // Marks the entry failed after a failed carryOut; in the caller's transaction.
    void markFailed(store::Session &session);
    // The files back where they were when the rows could not be written; "" when all went back,
    // else one line saying what stayed.
    QString putBack();

    const PairSide &victim() const { return m_victim; }
    const PairSide &survivor() const { return m_survivor; }
    ResolutionAction action() const { return m_action; }
    // Whether the kept file now stands in the given-up one's folder under a new row place.
    bool moved() const { return m_moved; }
    QString targetPath() const { return m_target; }

private:
    FileResolution(FileOperation &files)
        : m_files(&files)
    {
    }

    FileOperation *m_files;
    ResolutionAction m_action = ResolutionAction::NotAMatch;
    PairRow m_row;
    PairSide m_victim;
    PairSide m_survivor;
    TrashSlot m_slot;
    QString m_target;
    qint64 m_entryId = 0;
    bool m_recycled = false;
    bool m_moved = false; // a move that went through
    bool m_copied = false;
};

// The journal entry of a resolution of the pair, as the panes show it: both paths, sizes and
// times, the Difference. The file details (Trash, target, moved row) are the resolution's.
store::JournalEntry journalEntryFor(const PairRow &row, ResolutionAction action);

// Not a match for the pair: its journal entry, the pair's row kept with it and then forgotten,
// and, when asked, the pair remembered by its pictures' content; in the caller's transaction.
// Returns the entry's ID.
qint64 settleNotAMatch(store::Session &session, const PairRow &row, bool remember, qint64 batchId = 0);

} // namespace vexaris::review
