// The resolution journal: every settled pair with what is needed to take it back (both files as
// they were, where the given-up file went in the Trash, the rows the resolution removed), and the
// pairs the user asked to be remembered as not a match, known by their pictures' content so that
// a re-read, a rename, a move or a full scan does not bring them back.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include "store/session.h"

namespace vexaris::store {

// The seven buttons of the review window, by the side shown in each pane. The file given up:
// DeleteLeft, MoveToLeft and CopyToLeft give up the left file (the right one stays, and a move or
// copy puts it in the left file's folder); DeleteRight, MoveToRight and CopyToRight give up the
// right file; NotAMatch gives up none. The values are stored: never renumber them.
enum class ResolutionAction {
    DeleteLeft = 0,
    DeleteRight = 1,
    MoveToLeft = 2,
    MoveToRight = 3,
    CopyToLeft = 4,
    CopyToRight = 5,
    NotAMatch = 6,
};

// Where an entry stands. The values are stored: never renumber them.
enum class EntryState {
    Done = 0, // what it did is on disk and in the rows (undone as well, once Undone is set)
    Pending = 1, // written before its first file step; the files may be anywhere on their way
    Failed = 2, // its file steps were put back; it did nothing
    Undoing = 3, // an undo under way; the files may be anywhere on their way back
};

struct JournalEntry
{
    qint64 id = 0;
    QDateTime time; // UTC
    ResolutionAction action = ResolutionAction::NotAMatch;
    EntryState state = EntryState::Done;
    QString leftPath, rightPath; // full paths as the panes showed them
    qint64 leftSize = 0, rightSize = 0;
    QDateTime leftTime, rightTime; // the files' modification times as their rows had them
    // The given-up file's information file in the Trash, its full path ("" for not a match), and
    // its name alone, as entries made before the full path was kept have only that.
    QString trashInfoPath;
    QString trashInfoName;
    int difference = 0;
    bool undone = false;
    QString targetPath; // where a moved or copied file was put ("" otherwise)
    // Undoing a copy gives the copy up to the Trash in its turn: its information file.
    QString copyTrashInfoPath;
    int collectionId = 0;
    qint64 batchId = 0; // the batch of a rule's settling, 0 for a single resolution
    // A move: the moved file's row and where it was before.
    int movedPictureId = 0;
    int movedFromFolderId = 0;
    QString movedFromName;
};

// The collection's resolutions that did something, newest first (pending and failed ones are
// left out).
std::vector<JournalEntry> ListResolutions(Session &session, int collectionId);
std::optional<JournalEntry> FindResolution(Session &session, qint64 entryId);
// The newest entry of the collection that did something and is not undone.
std::optional<qint64> LastResolution(Session &session, int collectionId);
// The entries that a crash may have left on their way (pending, or being undone), oldest first.
std::vector<JournalEntry> UnsettledResolutions(Session &session);

// Writes a new entry (its id and undone flag ignored, its state as given) and returns its ID.
qint64 AddResolution(Session &session, const JournalEntry &entry);
void SetResolutionState(Session &session, qint64 entryId, EntryState state);
void SetCopyTrashInfoPath(Session &session, qint64 entryId, const QString &infoPath);
// Whether the pair's row, both its pictures' rows and their folders' rows are all still there.
bool PairStillRecorded(Session &session, qint64 pairId);
// A move or copy that failed once the given-up file was in the Trash became that delete: the entry
// says so, without a target or a moved row.
void RecordAsDelete(Session &session, qint64 entryId, ResolutionAction deleteAction);
// Keeps a copy of the picture's row and of every pair naming it with the entry, before the
// resolution deletes them.
void KeepPictureRows(Session &session, qint64 entryId, int32_t pictureId);
// Keeps a copy of the one pair row.
void KeepPairRow(Session &session, qint64 entryId, int32_t leftId, int32_t rightId);

// The picture row an entry of a file resolution keeps: the given-up picture.
struct KeptPicture
{
    int32_t pictureId = 0;
    int32_t folderId = 0;
};
std::optional<KeptPicture> GivenUpPicture(Session &session, qint64 entryId);

// The ID of a kept picture's folder whose row is gone, or of the folder a moved picture came
// from, if any: its rows cannot come back.
std::optional<int32_t> MissingKeptFolder(Session &session, qint64 entryId);
// Puts the kept rows back as they were, keys included. A row that names a kept picture's file
// under another key (one that the update run wrote meanwhile) gives way, its pairs with it. A pair
// comes back when both its pictures are there; one whose other picture another resolution gave
// up waits, and comes back when that resolution is undone in its turn, so that undoing in any
// order brings every pair back.
void RestoreKeptRows(Session &session, qint64 entryId);
void MarkUndone(Session &session, qint64 entryId);
// Removes the rows, pairs included, that an update may have written for a file named fileName in
// the folder of the entry's kept picture (the copy a resolution put there).
void DeleteRowsNamed(Session &session, qint64 entryId, const QString &fileName);
// Whether every pair the entry keeps can come back: both its pictures have their rows, or a
// picture that has not was given up by a resolution that can still be undone.
bool KeptPairsCanComeBack(Session &session, qint64 entryId);

// Many pairs settled at once by a rule: one row, whose resolutions name it.
struct BatchEntry
{
    qint64 id = 0;
    int collectionId = 0;
    QDateTime time; // UTC
    QString ruleName;
    QString rule; // the rule's definition as it was applied
    int resolutions = 0; // that did something
    int undone = 0;
};

qint64 AddBatch(Session &session, int collectionId, const QString &ruleName, const QString &rule);
std::optional<BatchEntry> FindBatch(Session &session, qint64 batchId);
// The collection's batches, newest first.
std::vector<BatchEntry> ListBatches(Session &session, int collectionId);
// A batch's resolutions that did something, newest first.
std::vector<JournalEntry> BatchResolutions(Session &session, qint64 batchId);

struct RememberedNotAMatch
{
    qint64 id = 0;
    QDateTime time; // UTC, when it was remembered
    QString leftPath, rightPath; // as last seen, for showing only
};

std::vector<RememberedNotAMatch> ListRememberedNotAMatches(Session &session);
// Reported again by the next scan that compares the two pictures.
void ForgetRememberedNotAMatch(Session &session, qint64 id);

// A picture's identity for the memory of not-a-match pairs: a digest of its signature and its
// Size, the same for the file wherever it lies and however often it is read.
QByteArray pictureFingerprint(const QByteArray &thumbnail, const QByteArray &derivative, qint64 size);
// The same from the picture's row; nullopt when the row or its signature is missing.
std::optional<QByteArray> pictureFingerprint(Session &session, int32_t pictureId);

// Remembers the two pictures as not a match, whichever order they come in; once is enough.
void RememberNotAMatch(Session &session, const QByteArray &first, const QByteArray &second, const QString &leftPath,
    const QString &rightPath);
// Forgets whatever is remembered about these two pictures.
void ForgetRememberedPrints(Session &session, const QByteArray &first, const QByteArray &second);
// The key of a pair of fingerprints as the scan looks it up: the same in either order.
QByteArray rememberedKey(const QByteArray &first, const QByteArray &second);
// The keys of every remembered pair.
std::vector<QByteArray> RememberedKeys(Session &session);

} // namespace vexaris::store
