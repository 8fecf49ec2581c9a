#include "review/undo.h"

#include <algorithm>
#include <initializer_list>
#include <optional>

#include <QFile>

#include "common/error.h"
#include "i18n/qtranslate.h"
#include "review/actions.h"
#include "review/batch.h"
#include "review/fileoperation.h"
#include "review/targetpath.h"
#include "store/data.h"
#include "store/database.h"
#include "store/journal.h"
#include "store/runlock.h"

namespace vexaris::review {

namespace {

[[noreturn]] void refuse(const char *format, std::initializer_list<QString> args = {})
{
    throw Error(qtrFormat(format, args).toStdString());
}

[[noreturn]] void refuse(const QString &message)
{
    throw Error(message.toStdString());
}

void refuseWhenTaken(const QString &path)
{
    if (pathIsTaken(path))
        refuse(N_("%s is taken by another file, so nothing was undone"), {path});
}

// The paths of an entry's two files as the panes showed them: the given-up one, the kept one.
struct EntryFiles
{
    QString victim;
    QString survivor;
    TrashSlot slot; // where the given-up file is in the Trash
};

EntryFiles filesOf(const store::JournalEntry &entry, FileOperation &files)
{
    const bool victimLeft = givenUpPane(entry.action) == 'L';
    EntryFiles paths {victimLeft ? entry.leftPath : entry.rightPath, victimLeft ? entry.rightPath : entry.leftPath, {}};
    // Entries made before the Trash entry's full path was kept have only its name.
    paths.slot = entry.trashInfoPath.isEmpty() ? files.findTrashed(entry.trashInfoName, paths.victim)
                                               : TrashSlot::fromInfoPath(entry.trashInfoPath);
    return paths;
}

// The rows of an undone file resolution back, and the entry marked undone; in the caller's
// transaction.
void restoreRows(store::Session &session, const store::JournalEntry &entry)
{
    if (isMove(entry.action) && entry.movedPictureId != 0)
        store::MovePicture(session, entry.movedPictureId, entry.movedFromFolderId, entry.movedFromName);
    if (isCopy(entry.action) && !entry.targetPath.isEmpty())
        store::DeleteRowsNamed(session, entry.id, fileNamePart(entry.targetPath));
    store::RestoreKeptRows(session, entry.id);
    store::MarkUndone(session, entry.id);
}

// The file steps of an undo that went through, taken back again: the files stand where the
// resolution left them. Best effort; what cannot go back is said in the returned line.
QString reverseUndo(FileOperation &files, const store::JournalEntry &entry, const EntryFiles &paths,
    const TrashSlot &copySlot, bool victimBack, bool survivorBack, bool copyRecycled)
{
    NoProgress quiet;
    QStringList stayed;
    if (victimBack) {
        const FileOperationResult again = files.recycle(paths.victim, paths.slot);
        if (!again.succeeded)
            stayed << again.message;
    }
    if (survivorBack) {
        const FileOperationResult again = files.move(paths.survivor, entry.targetPath, quiet);
        if (!again.succeeded)
            stayed << again.message;
    }
    if (copyRecycled) {
        const FileOperationResult again = files.restore(copySlot, entry.targetPath);
        if (!again.succeeded)
            stayed << again.message;
    }
    return stayed.join(QStringLiteral("; "));
}

enum class MoveState { NotMoved, Moved, Lost };

bool sameContents(const QString &first, const QString &second)
{
    QFile a(first);
    QFile b(second);
    if (!a.open(QIODevice::ReadOnly) || !b.open(QIODevice::ReadOnly) || a.size() != b.size())
        return false;
    constexpr qint64 kChunk = qint64(1) << 20;
    while (!a.atEnd()) {
        if (a.read(kChunk) != b.read(kChunk))
            return false;
    }
    return true;
}

// Where a move cut short by a crash stands. A move to another file system copies, names the copy
// and then removes the source: when both are there and alike, only the removal was missing.
MoveState settleMove(const QString &source, const QString &target)
{
    const bool atSource = pathIsTaken(source);
    const bool atTarget = pathIsTaken(target);
    if (atSource && atTarget) {
        if (!sameContents(source, target))
            return MoveState::NotMoved;
        return QFile::remove(source) ? MoveState::Moved : MoveState::NotMoved;
    }
    if (atTarget)
        return MoveState::Moved;
    return atSource ? MoveState::NotMoved : MoveState::Lost;
}

QString nameOfCollection(store::Session &session, int collectionId)
{
    if (session.CurrentCollection.ID == collectionId)
        return session.CurrentCollection.Name;
    return store::CollectionNameOf(session, collectionId);
}

// A resolution whose files may be anywhere between where they were and where it put them.
void settlePending(store::Session &session, FileOperation &files, const store::JournalEntry &entry)
{
    const EntryFiles paths = filesOf(entry, files);
    if (!files.inTrash(paths.slot, paths.victim)) {
        // The given-up file never left, so nothing else moved either.
        files.discardSlot(paths.slot, paths.victim);
        store::SetResolutionState(session, entry.id, store::EntryState::Failed);
        return;
    }
    bool complete = true;
    if (isMove(entry.action))
        complete = settleMove(paths.survivor, entry.targetPath) == MoveState::Moved;
    else if (isCopy(entry.action))
        complete = pathIsTaken(entry.targetPath) && sameContents(paths.survivor, entry.targetPath);

    const std::optional<store::KeptPicture> victim = store::GivenUpPicture(session, entry.id);
    store::Transaction transaction(session.DatabaseConnection);
    if (!complete) {
        if (files.restore(paths.slot, paths.victim).succeeded) {
            store::SetResolutionState(session, entry.id, store::EntryState::Failed);
            transaction.commit();
            return;
        }
        // The given-up file cannot come back to its place: the resolution stands as a delete.
        store::RecordAsDelete(session, entry.id,
            givenUpPane(entry.action) == 'L' ? ResolutionAction::DeleteLeft : ResolutionAction::DeleteRight);
    }
    if (victim) {
        store::DeletePicture(session, victim->pictureId);
        if (complete && isMove(entry.action) && entry.movedPictureId != 0)
            store::MovePicture(session, entry.movedPictureId, victim->folderId, entry.targetPath);
    }
    store::SetResolutionState(session, entry.id, store::EntryState::Done);
    transaction.commit();
}

// An undo whose files may be anywhere between where the resolution put them and where they were.
void settleUndo(store::Session &session, FileOperation &files, const store::JournalEntry &entry)
{
    const EntryFiles paths = filesOf(entry, files);
    const TrashSlot copySlot = TrashSlot::fromInfoPath(entry.copyTrashInfoPath);
    const bool victimBack = !files.inTrash(paths.slot, paths.victim) && pathIsTaken(paths.victim);
    // A restore cut short between moving the file out and removing its information file.
    if (victimBack)
        files.discardSlot(paths.slot, paths.victim);
    bool survivorBack = false;
    bool copyRecycled = false;
    bool complete = victimBack;
    if (isMove(entry.action)) {
        // The moved file goes back before the given-up one comes back, possibly to the same place.
        if (victimBack && paths.victim == entry.targetPath)
            survivorBack = pathIsTaken(paths.survivor);
        else
            survivorBack = settleMove(entry.targetPath, paths.survivor) == MoveState::Moved;
        complete = complete && survivorBack;
    } else if (isCopy(entry.action) && !entry.copyTrashInfoPath.isEmpty()) {
        copyRecycled = files.inTrash(copySlot, entry.targetPath);
        complete = complete && copyRecycled;
        if (!copyRecycled)
            files.discardSlot(copySlot, entry.targetPath);
    }
    store::Transaction transaction(session.DatabaseConnection);
    if (complete) {
        restoreRows(session, entry);
    } else {
        reverseUndo(files, entry, paths, copySlot, victimBack, survivorBack, copyRecycled);
        store::SetCopyTrashInfoPath(session, entry.id, {});
        store::SetResolutionState(session, entry.id, store::EntryState::Done);
    }
    transaction.commit();
}

} // namespace

namespace {

// The undo of one journal entry, in the steps that a single undo and a batch's undo share: the
// checks, all of them before any file moves (a refusal is a vexaris::Error of one line); the entry
// marked as being undone; the file steps; the rows.
class EntryUndo
{
public:
    EntryUndo(store::Session &session, FileOperation &files, const store::JournalEntry &entry)
        : m_files(files)
        , m_entry(entry)
    {
        if (entry.undone)
            refuse(N_("This resolution has been undone already"));
        if (entry.state != store::EntryState::Done)
            refuse(N_("This resolution was never carried out, so there is nothing to undo"));
        if (store::MissingKeptFolder(session, entry.id))
            refuse(N_("The folder of the given-up picture is no longer part of the collection, so nothing was undone"));
        if (entry.action == ResolutionAction::NotAMatch) {
            if (!store::KeptPairsCanComeBack(session, entry.id))
                refuse(N_("A picture of this pair is no longer in the collection, so the pair cannot come back"));
            return;
        }
        m_paths = filesOf(entry, files);
        if (!files.inTrash(m_paths.slot, m_paths.victim))
            refuse(N_("The Trash no longer holds %s, so nothing was undone"), {m_paths.victim});
        const bool ontoTarget = m_paths.victim == entry.targetPath;
        if (isMove(entry.action)) {
            // The moved file goes back first: it may stand on the given-up file's place.
            if (!pathIsTaken(entry.targetPath))
                refuse(N_("%s is no longer where it was moved to, so nothing was undone"), {entry.targetPath});
            refuseWhenTaken(m_paths.survivor);
            if (!ontoTarget)
                refuseWhenTaken(m_paths.victim);
        } else if (isCopy(entry.action)) {
            if (!ontoTarget)
                refuseWhenTaken(m_paths.victim);
            // The copy on the given-up file's place is given up in its turn, to the Trash as well.
            if (!entry.targetPath.isEmpty() && pathIsTaken(entry.targetPath)) {
                const TrashSlotResult slot = files.trashSlot(entry.targetPath);
                if (slot.slot.isNull())
                    refuse(slot.message);
                m_copySlot = slot.slot;
            }
        } else {
            refuseWhenTaken(m_paths.victim);
        }
    }

    bool movesFiles() const { return m_entry.action != ResolutionAction::NotAMatch; }
    qint64 entryId() const { return m_entry.id; }

    // In the caller's transaction, before the first file step.
    void markUndoing(store::Session &session) const
    {
        if (!movesFiles())
            return;
        store::SetResolutionState(session, m_entry.id, store::EntryState::Undoing);
        store::SetCopyTrashInfoPath(session, m_entry.id, m_copySlot.infoPath);
    }

    // The file steps; "" when they went through, else one line, the files as the resolution left
    // them.
    QString carryOut()
    {
        if (!movesFiles())
            return {};
        NoProgress progress;
        if (isMove(m_entry.action)) {
            const FileOperationResult back = m_files.move(m_entry.targetPath, m_paths.survivor, progress);
            if (!back.succeeded)
                return back.message;
            m_survivorBack = true;
        } else if (!m_copySlot.isNull()) {
            const FileOperationResult recycled = m_files.recycle(m_entry.targetPath, m_copySlot);
            if (!recycled.succeeded)
                return recycled.message;
            m_copyRecycled = true;
        }
        const FileOperationResult restored = m_files.restore(m_paths.slot, m_paths.victim);
        if (!restored.succeeded) {
            reverse();
            return restored.message;
        }
        m_victimBack = true;
        return {};
    }

    // The rows back and the entry undone; in the caller's transaction.
    void commitRows(store::Session &session) const
    {
        if (movesFiles()) {
            restoreRows(session, m_entry);
            return;
        }
        store::RestoreKeptRows(session, m_entry.id);
        // Remembered or not, the pair is a pair again and the next scans may report it.
        store::Statement pair(session.DatabaseConnection,
            QStringLiteral("SELECT Left_ID, Right_ID FROM ResolvedPair WHERE Resolution_ID = ?"));
        pair.bind(0, m_entry.id);
        while (pair.step()) {
            const std::optional<QByteArray> first = store::pictureFingerprint(session, pair.column(0).toInt());
            const std::optional<QByteArray> second = store::pictureFingerprint(session, pair.column(1).toInt());
            if (first && second)
                store::ForgetRememberedPrints(session, *first, *second);
        }
        store::MarkUndone(session, m_entry.id);
    }

    // After carryOut failed: the entry stands as it was; in the caller's transaction.
    void markDoneAgain(store::Session &session) const
    {
        if (!movesFiles())
            return;
        store::SetCopyTrashInfoPath(session, m_entry.id, {});
        store::SetResolutionState(session, m_entry.id, store::EntryState::Done);
    }

    // The file steps taken back; "" when all went, else one line saying what stayed.
    QString reverse()
    {
        const QString stayed
            = reverseUndo(m_files, m_entry, m_paths, m_copySlot, m_victimBack, m_survivorBack, m_copyRecycled);
        m_victimBack = m_survivorBack = m_copyRecycled = false;
        return stayed;
    }

private:
    FileOperation &m_files;
    store::JournalEntry m_entry;
    EntryFiles m_paths;
    TrashSlot m_copySlot;
    bool m_victimBack = false;
    bool m_survivorBack = false;
    bool m_copyRecycled = false;
};

[[noreturn]] void refuseAfterFailedCommit(const Error &e, const QString &stayed)
{
    refuse(stayed.isEmpty()
            ? qtrFormat(N_("The database could not be written, so the files are back where they were: %s"),
                {QString::fromStdString(e.what())})
            : qtrFormat(N_("The database could not be written, and not every file could go back: %s; %s"),
                {QString::fromStdString(e.what()), stayed}));
}

// Undoes the entries, in the order given, as one chunk: one transaction before their file steps,
// one after. Refusals are collected; an error of the database ends it, its files taken back.
void undoChunk(store::Session &session, FileOperation &files, const std::vector<store::JournalEntry> &entries,
    BatchUndoResult &result)
{
    std::vector<EntryUndo> undos;
    undos.reserve(entries.size());
    for (const store::JournalEntry &entry : entries) {
        try {
            undos.emplace_back(session, files, entry);
        } catch (const Error &e) {
            result.refused.push_back({entry.id, QString::fromUtf8(e.what())});
        }
    }
    {
        store::Transaction transaction(session.DatabaseConnection);
        for (const EntryUndo &undo : undos)
            undo.markUndoing(session);
        transaction.commit();
    }
    std::vector<bool> back(undos.size(), false);
    for (size_t u = 0; u < undos.size(); ++u) {
        const QString failure = undos[u].carryOut();
        back[u] = failure.isEmpty();
        if (!back[u])
            result.refused.push_back({undos[u].entryId(), failure});
    }
    try {
        store::Transaction transaction(session.DatabaseConnection);
        for (size_t u = 0; u < undos.size(); ++u) {
            if (back[u])
                undos[u].commitRows(session);
            else
                undos[u].markDoneAgain(session);
        }
        transaction.commit();
    } catch (const Error &e) {
        QStringList stayed;
        for (size_t u = 0; u < undos.size(); ++u) {
            if (back[u]) {
                const QString left = undos[u].reverse();
                if (!left.isEmpty())
                    stayed << left;
            }
        }
        refuseAfterFailedCommit(e, stayed.join(QStringLiteral("; ")));
    }
    result.restored += static_cast<int>(std::count(back.begin(), back.end(), true));
}

// Entries a batch's undo takes back between two commits.
constexpr size_t kUndoChunk = 256;

} // namespace

void UndoResolution(store::Session &session, FileOperation &files, qint64 entryId)
{
    const std::optional<store::JournalEntry> found = store::FindResolution(session, entryId);
    if (!found)
        refuse(N_("The journal holds no resolution %s"), {QString::number(entryId)});
    // A run of the collection elsewhere must not meet a picture that comes back half-way.
    const store::CollectionRunLock lock(
        session.DatabaseConnection, found->collectionId, nameOfCollection(session, found->collectionId));
    BatchUndoResult result;
    undoChunk(session, files, {*found}, result);
    if (!result.refused.empty())
        refuse(result.refused.front().reason);
}

BatchUndoResult UndoBatch(store::Session &session, FileOperation &files, qint64 batchId)
{
    const std::optional<store::BatchEntry> batch = store::FindBatch(session, batchId);
    if (!batch)
        refuse(N_("The journal holds no batch %s"), {QString::number(batchId)});
    const store::CollectionRunLock lock(
        session.DatabaseConnection, batch->collectionId, nameOfCollection(session, batch->collectionId));
    std::vector<store::JournalEntry> entries;
    for (store::JournalEntry &entry : store::BatchResolutions(session, batchId)) {
        if (!entry.undone)
            entries.push_back(std::move(entry));
    }
    BatchUndoResult result;
    for (size_t next = 0; next < entries.size(); next += kUndoChunk) {
        const auto end = entries.begin() + static_cast<std::ptrdiff_t>(std::min(next + kUndoChunk, entries.size()));
        undoChunk(session, files, {entries.begin() + static_cast<std::ptrdiff_t>(next), end}, result);
    }
    return result;
}

int SettleUnfinished(store::Session &session, FileOperation &files)
{
    int settled = 0;
    for (const store::JournalEntry &entry : store::UnsettledResolutions(session)) {
        try {
            // The lock is held by the process that is still working on the entry, if any.
            const store::CollectionRunLock lock(
                session.DatabaseConnection, entry.collectionId, nameOfCollection(session, entry.collectionId));
            if (entry.state == store::EntryState::Pending)
                settlePending(session, files, entry);
            else
                settleUndo(session, files, entry);
            ++settled;
        } catch (const Error &) {
            // Held elsewhere, or the database cannot be written now: the next open tries again.
        }
    }
    return settled;
}

} // namespace vexaris::review
