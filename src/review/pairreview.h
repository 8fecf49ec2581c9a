// The review of a collection's pairs as the window and the command line use it: the typed pair
// list, the cursor and its navigation, the sides shown in the two panes, and every resolution of
// any pair of the list with the checks before it, the questions it asks (through the front end's
// ResolutionPolicy), its file steps, its journal entry and the rows it changes. After a
// resolution the list follows in place and the cursor rests on the pair to show next. Qt Core
// only; the window is a view over it.
#pragma once

#include <optional>

#include <QString>

#include "review/actions.h"
#include "review/fileoperation.h"
#include "review/fileresolution.h"
#include "review/pairlist.h"
#include "store/session.h"

namespace vexaris::review {

// Why a file resolution was not made. Nothing has changed on disk or in the database.
enum class ResolutionProblem {
    None,
    SurvivorMissing,
    SurvivorNotAFile,
    SurvivorChanged, // its size or modification time differs from its row
    SameFile, // both panes show one file (a link, or a folder in the collection twice)
    VictimMissing,
    VictimNotAFile, // the given-up file is a folder or a device now: nothing is given up
};

struct ResolutionCheck
{
    ResolutionProblem problem = ResolutionProblem::None;
    // One line for the user saying what changed, ending in the offer to forget the pair (for
    // SameFile: saying that Not a match takes the pair out of the list).
    QString message;
    int missingPictureId = 0; // the picture whose file is gone, whose row forgetting removes
    bool passed() const { return problem == ResolutionProblem::None; }
    // Whether the user is offered to forget the pair (or the missing file's row).
    bool offersToForget() const { return problem != ResolutionProblem::None && problem != ResolutionProblem::SameFile; }
};

// Looks at both files of a pair again before the given-up one goes: the kept file is there, is a
// regular file, is not the given-up file itself and has its row's size and time; the given-up
// file is there and is a regular file. Not a match needs no check.
ResolutionCheck checkFiles(const PairRow &row, ResolutionAction action);

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

// What a front end implements for the questions and notices of a resolution: the window with
// its message boxes, the command line with its prompt or --yes, the tests with recorded answers.
class ResolutionPolicy
{
public:
    enum class Caption {
        Warning, // the file resolutions' questions: "Warning", no icon
        Confirmation, // not a match: "Confirmation", a question icon
    };
    virtual ~ResolutionPolicy() = default;
    // A Yes/No question; only Yes goes on.
    virtual bool confirm(Caption caption, const QString &question) = 0;
    // A notice with an OK button (what a resolution could not do, or did only in part).
    virtual void tell(const QString &message) = 0;
    // Shows each file step while it runs.
    virtual ResolutionSteps &steps() = 0;
};

enum class Settled {
    Done,
    PartlyDone, // said through the policy
    Declined, // No to the question: nothing changed
    Refused, // a check failed and the pair stays (said through the policy)
    Forgotten, // a check failed and the user let the pair (or the missing file's row) go
    Failed, // said through the policy; nothing changed
};

class PairReview
{
public:
    PairReview(store::Session &session, FileOperation &files);

    // Whether not a match remembers the pair by its pictures' content (the preference).
    void setRememberNotAMatch(bool remember) { m_rememberNotAMatch = remember; }
    bool remembersNotAMatch() const { return m_rememberNotAMatch; }

    // Reads the pairs of the session's current collection, most alike first; the cursor on the
    // first one.
    void open(const PairList::Progress &progress = {});
    void close();
    bool isOpen() const { return m_open; }
    const PairList &list() const { return m_list; }

    int count() const { return m_open ? m_list.count() : 0; }
    // 1-based; 0 when the list is closed or empty.
    int position() const { return m_position; }
    bool hasCurrent() const { return m_position != 0; }
    // The shown pair; only while hasCurrent().
    const PairRow &current() const { return m_current; }

    void first();
    void previous(); // nothing on the first pair
    void next(); // nothing on the last pair
    void last();
    void moveTo(int position); // clamped to the list
    // Moves to the pair of that ID; false when the list does not hold it.
    bool moveToPair(qint64 pairId);

    // The panes of the shown pair.
    bool swapped() const { return isSwapped(m_current); }
    const PairSide &leftShown() const { return review::leftShown(m_current); }
    const PairSide &rightShown() const { return review::rightShown(m_current); }
    char leftSide() const { return swapped() ? 'R' : 'L'; }
    char rightSide() const { return swapped() ? 'L' : 'R'; }

    // Any pair of the list, by its ID.
    std::optional<PairRow> pair(qint64 pairId) const { return m_list.row(pairId); }
    ResolutionCheck check(qint64 pairId, ResolutionAction action) const;

    // The whole resolution of a pair as a front end offers it: the check, the offer to forget
    // after a failed one, the question, the resolution, and a notice of what went wrong.
    Settled settle(qint64 pairId, ResolutionAction action, ResolutionPolicy &policy);

    // The resolution alone, checks included but no question asked: all or nothing on disk and in
    // the rows, journalled, and the collection's lock held while it runs.
    ResolutionResult resolve(qint64 pairId, ResolutionAction action, ResolutionSteps &steps);
    // After a failed check, when the user agrees: the row of a missing file goes (and its pairs
    // with it), otherwise the pair alone.
    void forget(qint64 pairId, const ResolutionCheck &check);

private:
    void readCurrent();
    // Where the cursor goes once `leaving` pairs go: the shown pair when it stays, else the
    // nearest pair without the given-up picture, else (not a match of the shown pair) its
    // neighbour.
    std::optional<qint64> anchorWithout(int pictureId) const;
    std::optional<qint64> anchorAfterForgetting(const PairRow &row) const;
    void settleCursor(const std::optional<qint64> &anchor);
    ResolutionResult notAMatch(const PairRow &row);

    store::Session &m_session;
    FileOperation &m_files;
    PairList m_list;
    bool m_open = false;
    int m_position = 0;
    PairRow m_current;
    bool m_rememberNotAMatch = false;
};

} // namespace vexaris::review
