#include "review/fileresolution.h"

#include "i18n/qtranslate.h"
#include "review/targetpath.h"
#include "store/data.h"
#include "store/datetime.h"
#include "store/journal.h"

namespace vexaris::review {

namespace {

// What the user is told after a move or copy failed once the given-up file was in the Trash:
// the failure, then where each of the two files is now.
QString partialFailureText(
    const QString &failure, const QString &victimPath, const QString &survivorPath, const QString &target)
{
    if (pathIsTaken(survivorPath)) {
        return qtrFormat(N_("%s; %s is in the Trash now and can be restored from there, and %s is still where it was."),
            {failure, victimPath, survivorPath});
    }
    if (pathIsTaken(target)) {
        return qtrFormat(N_("%s; %s is in the Trash now and can be restored from there, and %s is now at %s."),
            {failure, victimPath, survivorPath, target});
    }
    return qtrFormat(N_("%s; %s is in the Trash now and can be restored from there, and %s cannot be found."),
        {failure, victimPath, survivorPath});
}

ResolutionAction deleteOf(ResolutionAction action)
{
    return givenUpPane(action) == 'L' ? ResolutionAction::DeleteLeft : ResolutionAction::DeleteRight;
}

} // namespace

store::JournalEntry journalEntryFor(const PairRow &row, ResolutionAction action)
{
    store::JournalEntry entry;
    entry.collectionId = row.collectionId;
    entry.action = action;
    const PairSide &left = leftShown(row);
    const PairSide &right = rightShown(row);
    entry.leftPath = left.fullPath();
    entry.rightPath = right.fullPath();
    entry.leftSize = left.size;
    entry.rightSize = right.size;
    entry.leftTime = store::fromDays(left.modified);
    entry.rightTime = store::fromDays(right.modified);
    entry.difference = row.difference;
    return entry;
}

qint64 settleNotAMatch(store::Session &session, const PairRow &row, bool remember, qint64 batchId)
{
    store::JournalEntry entry = journalEntryFor(row, ResolutionAction::NotAMatch);
    entry.batchId = batchId;
    const qint64 journalId = store::AddResolution(session, entry);
    store::KeepPairRow(session, journalId, row.left.pictureId, row.right.pictureId);
    store::ForgetPair(session, row.left.pictureId, row.right.pictureId);
    if (remember) {
        const std::optional<QByteArray> first = store::pictureFingerprint(session, row.left.pictureId);
        const std::optional<QByteArray> second = store::pictureFingerprint(session, row.right.pictureId);
        if (first && second)
            store::RememberNotAMatch(session, *first, *second, entry.leftPath, entry.rightPath);
    }
    return journalId;
}

std::optional<FileResolution> FileResolution::prepare(
    FileOperation &files, const PairRow &row, ResolutionAction action, QString &message)
{
    FileResolution resolution(files);
    resolution.m_action = action;
    resolution.m_row = row;
    const bool leftGoes = givenUpPane(action) == 'L';
    resolution.m_victim = leftGoes ? leftShown(row) : rightShown(row);
    resolution.m_survivor = leftGoes ? rightShown(row) : leftShown(row);
    const TrashSlotResult slot = files.trashSlot(resolution.m_victim.fullPath());
    if (slot.slot.isNull()) {
        message = slot.message;
        return std::nullopt;
    }
    resolution.m_slot = slot.slot;
    if (isMove(action) || isCopy(action))
        resolution.m_target = freeTargetPath(resolution.m_victim.fullPath(), resolution.m_survivor.fullPath());
    return resolution;
}

void FileResolution::journal(store::Session &session, qint64 batchId)
{
    store::JournalEntry entry = journalEntryFor(m_row, m_action);
    entry.state = store::EntryState::Pending;
    entry.trashInfoPath = m_slot.infoPath;
    entry.trashInfoName = fileNamePart(m_slot.filesPath);
    entry.targetPath = m_target;
    entry.batchId = batchId;
    if (isMove(m_action)) {
        entry.movedPictureId = m_survivor.pictureId;
        entry.movedFromFolderId = m_survivor.folderId;
        entry.movedFromName = m_survivor.fileName;
    }
    m_entryId = store::AddResolution(session, entry);
    store::KeepPictureRows(session, m_entryId, m_victim.pictureId);
}

FileResolution::Outcome FileResolution::carryOut(ResolutionSteps &steps, QString &message)
{
    const QString victimPath = m_victim.fullPath();
    const QString survivorPath = m_survivor.fullPath();
    steps.started(ResolutionSteps::Step::Recycle);
    const FileOperationResult recycled = m_files->recycle(victimPath, m_slot);
    steps.finished();
    if (!recycled.succeeded) {
        message = recycled.message;
        return Outcome::Failed;
    }
    m_recycled = true;
    if (m_target.isEmpty())
        return Outcome::Done;

    const bool move = isMove(m_action);
    FileOperationProgress &progress = steps.started(move ? ResolutionSteps::Step::Move : ResolutionSteps::Step::Copy);
    const FileOperationResult done
        = move ? m_files->move(survivorPath, m_target, progress) : m_files->copy(survivorPath, m_target, progress);
    steps.finished();
    if (!done.succeeded) {
        message = partialFailureText(done.message, victimPath, survivorPath, m_target);
        return Outcome::PartlyDone;
    }
    (move ? m_moved : m_copied) = true;
    return Outcome::Done;
}

void FileResolution::commitRows(store::Session &session)
{
    // A move or copy that failed after the recycle is recorded as the delete it became: the
    // given-up file is in the Trash, so its row and pairs go, and undo can bring them back.
    if (!m_target.isEmpty() && !m_moved && !m_copied)
        store::RecordAsDelete(session, m_entryId, deleteOf(m_action));
    store::DeletePicture(session, m_victim.pictureId);
    if (m_moved)
        store::MovePicture(session, m_survivor.pictureId, m_victim.folderId, m_target);
    store::SetResolutionState(session, m_entryId, store::EntryState::Done);
}

void FileResolution::markFailed(store::Session &session)
{
    store::SetResolutionState(session, m_entryId, store::EntryState::Failed);
}

QString FileResolution::putBack()
{
    NoProgress quiet;
    QStringList stayed;
    // The kept file first: it may stand on the given-up file's place.
    if (m_moved) {
        const FileOperationResult back = m_files->move(m_target, m_survivor.fullPath(), quiet);
        if (back.succeeded)
            m_moved = false;
        else
            stayed << back.message;
    }
    if (m_copied) {
        const FileOperationResult removed = m_files->removeCopy(m_target, m_survivor.size);
        if (removed.succeeded)
            m_copied = false;
        else
            stayed << removed.message;
    }
    if (m_recycled) {
        const FileOperationResult restored = m_files->restore(m_slot, m_victim.fullPath());
        if (restored.succeeded)
            m_recycled = false;
        else
            stayed << restored.message;
    }
    return stayed.join(QStringLiteral("; "));
}

} // namespace vexaris::review
