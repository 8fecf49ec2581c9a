// The review of a collection's pairs as the window and the command line use it: the list of
// pairs as typed rows, the cursor and its navigation, the sides shown in the two panes, and
// every resolution with the checks before it, its file operations, its journal entry and the
// rows it changes. Qt Core only; the window is a view over it.
#pragma once

#include <vector>

#include <QString>

#include "review/fileoperation.h"
#include "review/pairlist.h"
#include "store/journal.h"
#include "store/recordset.h"
#include "store/session.h"

namespace vexaris::review {

// One side of a stored pair, as the pair query reads it; a missing picture or folder row reads
// 0 and "".
struct PairSide
{
    int pictureId = 0;
    int folderId = 0;
    QString fileName;
    QString folderPath;
    qint64 size = 0;
    int width = 0;
    int height = 0;
    double created = 0; // days since 30 December 1899, UTC
    double modified = 0;

    QString fullPath() const;
};

struct PairRow
{
    int collectionId = 0;
    PairSide left; // the stored pair's Left_ID
    PairSide right;
    int difference = 0;
};

// Why a file resolution was not made. Nothing has changed on disk or in the database.
enum class ResolutionProblem {
    None,
    SurvivorMissing,
    SurvivorNotAFile,
    SurvivorChanged, // its size or modification time differs from its row
    SameFile, // both panes show one file (a link, or a folder in the collection twice)
    VictimMissing,
};

struct ResolutionCheck
{
    ResolutionProblem problem = ResolutionProblem::None;
    // One line for the user saying what changed, ending in the offer to forget the pair (for
    // SameFile: saying that Not a match takes the pair out of the list).
    QString message;
    int missingPictureId = 0; // the picture whose file is gone, whose row forgetting removes
    bool passed() const { return problem == ResolutionProblem::None; }
};

// Told when each file step of a resolution starts and ends, so that a front end can show it.
class ResolutionSteps
{
public:
    enum class Step { Recycle, Move, Copy };
    virtual ~ResolutionSteps() = default;
    virtual FileOperationProgress &started(Step step) = 0;
    virtual void finished() = 0;
};

enum class ResolutionOutcome {
    Done,
    Failed, // nothing changed; message says why
    PartlyDone, // the given-up file is in the Trash, the rest failed; message says where each file is
};

struct ResolutionResult
{
    ResolutionOutcome outcome = ResolutionOutcome::Failed;
    QString message;
    qint64 journalId = 0;
};

// The action's side that is given up ('L' or 'R' of the panes), or 0 for not a match.
char givenUpPane(store::ResolutionAction action);
bool isMove(store::ResolutionAction action);
bool isCopy(store::ResolutionAction action);

class PairReview
{
public:
    PairReview(store::Session &session, FileOperation &files);

    // Whether not a match remembers the pair by its pictures' content (the preference).
    void setRememberNotAMatch(bool remember) { m_rememberNotAMatch = remember; }

    // Reads the pairs of the session's current collection, most alike first; the cursor on the
    // first one.
    void open();
    void close();
    bool isOpen() const { return m_pairs.State() == 1; }

    int count() const;
    // 1-based; 0 when the list is closed or empty.
    int position() const;
    bool hasCurrent() const { return position() != 0; }
    // The shown pair; only while hasCurrent().
    const PairRow &current() const { return m_current; }

    void first();
    void previous(); // nothing on the first pair
    void next(); // nothing on the last pair
    void last();
    void moveTo(int position); // clamped to the list

    // The panes: the larger file is shown left; of equal sizes the stored left one.
    bool swapped() const;
    const PairSide &leftShown() const;
    const PairSide &rightShown() const;
    char leftSide() const { return swapped() ? 'R' : 'L'; }
    char rightSide() const { return swapped() ? 'L' : 'R'; }

    // The file resolutions look at both files again first; not a match needs no check.
    ResolutionCheck check(store::ResolutionAction action) const;
    // After a failed check, when the user agrees: the row of a missing file goes (and its pairs
    // with it), otherwise the shown pair alone. The list is read again.
    void forgetAfterCheck(const ResolutionCheck &check);

    // Makes the resolution of the shown pair, checks included, journals it and reads the list
    // again on the nearest pair that survived. The list is empty afterwards when none did.
    ResolutionResult resolve(store::ResolutionAction action, ResolutionSteps &steps);

private:
    void readCurrent();
    void notAMatch();
    // The journal entry of a resolution of the shown pair, as the panes show it.
    store::JournalEntry entryFor(store::ResolutionAction action) const;
    // The pair shown after the shown one goes alone: the next one when it is the first, else the
    // previous one (the cursor moves there); none when it is the only one.
    AnchorPair stepToNeighbour();
    // Reads the list again and shows the pair of these two pictures, else the first one.
    void reopenAt(int leftId, int rightId);

    store::Session &m_session;
    FileOperation &m_files;
    store::Recordset m_pairs;
    PairRow m_current;
    bool m_rememberNotAMatch = false;
};

} // namespace vexaris::review
