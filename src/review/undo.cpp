#include "review/undo.h"

#include <initializer_list>
#include <optional>

#include "common/error.h"
#include "i18n/qtranslate.h"
#include "review/fileoperation.h"
#include "review/pairreview.h"
#include "review/targetpath.h"
#include "store/data.h"
#include "store/database.h"
#include "store/journal.h"

namespace vexaris::review {

using store::ResolutionAction;

namespace {

[[noreturn]] void refuse(const char *format, std::initializer_list<QString> args = {})
{
    throw Error(qtrFormat(format, args).toStdString());
}

[[noreturn]] void refuse(const QString &message)
{
    throw Error(message.toStdString());
}

class NoProgress final : public FileOperationProgress
{
public:
    void advanced(qint64, qint64) override { }
};

void refuseWhenTaken(const QString &path)
{
    if (pathIsTaken(path))
        refuse(N_("%s is taken by another file, so nothing was undone"), {path});
}

void undoNotAMatch(store::Session &session, const store::JournalEntry &entry)
{
    if (!store::KeptPairRestorable(session, entry.id))
        refuse(N_("A picture of this pair is no longer in the collection, so the pair cannot come back"));
    store::Transaction transaction(session.DatabaseConnection);
    store::RestoreKeptRows(session, entry.id);
    // Remembered or not, the pair is a pair again and the next scans may report it.
    store::Statement pair(session.DatabaseConnection,
        QStringLiteral("SELECT Left_ID, Right_ID FROM ResolvedPair WHERE Resolution_ID = ?"));
    pair.bind(0, entry.id);
    while (pair.step()) {
        const std::optional<QByteArray> first = store::pictureFingerprint(session, pair.column(0).toInt());
        const std::optional<QByteArray> second = store::pictureFingerprint(session, pair.column(1).toInt());
        if (first && second)
            store::ForgetRememberedPrints(session, *first, *second);
    }
    store::MarkUndone(session, entry.id);
    transaction.commit();
}

} // namespace

void UndoResolution(store::Session &session, FileOperation &files, qint64 entryId)
{
    const std::optional<store::JournalEntry> found = store::FindResolution(session, entryId);
    if (!found)
        refuse(N_("The journal holds no resolution %s"), {QString::number(entryId)});
    const store::JournalEntry &entry = *found;
    if (entry.undone)
        refuse(N_("This resolution has been undone already"));
    if (store::MissingKeptFolder(session, entryId))
        refuse(N_("The folder of the given-up picture is no longer part of the collection, so nothing was undone"));
    if (entry.action == ResolutionAction::NotAMatch) {
        undoNotAMatch(session, entry);
        return;
    }

    const bool victimLeft = givenUpPane(entry.action) == 'L';
    const QString victimPath = victimLeft ? entry.leftPath : entry.rightPath;
    const QString survivorPath = victimLeft ? entry.rightPath : entry.leftPath;
    if (!files.inTrash(entry.trashInfoName, victimPath))
        refuse(N_("The Trash no longer holds %s, so nothing was undone"), {victimPath});
    NoProgress progress;

    if (isMove(entry.action)) {
        // The moved file goes back first: it may stand on the given-up file's place.
        if (!pathIsTaken(entry.targetPath))
            refuse(N_("%s is no longer where it was moved to, so nothing was undone"), {entry.targetPath});
        refuseWhenTaken(survivorPath);
        if (victimPath != entry.targetPath)
            refuseWhenTaken(victimPath);
        const FileOperationResult back = files.move(entry.targetPath, survivorPath, progress);
        if (!back.succeeded)
            refuse(back.message);
        const FileOperationResult restored = files.restore(entry.trashInfoName, victimPath);
        if (!restored.succeeded) {
            files.move(survivorPath, entry.targetPath, progress);
            refuse(restored.message);
        }
    } else if (isCopy(entry.action)) {
        // The copy on the given-up file's place is given up in its turn, to the Trash as well.
        if (victimPath != entry.targetPath)
            refuseWhenTaken(victimPath);
        QString copyInTrash;
        if (!entry.targetPath.isEmpty() && pathIsTaken(entry.targetPath)) {
            const FileOperationResult recycled = files.recycle(entry.targetPath);
            if (!recycled.succeeded)
                refuse(recycled.message);
            copyInTrash = recycled.trashInfoName;
        }
        const FileOperationResult restored = files.restore(entry.trashInfoName, victimPath);
        if (!restored.succeeded) {
            if (!copyInTrash.isEmpty())
                files.restore(copyInTrash, entry.targetPath);
            refuse(restored.message);
        }
    } else {
        refuseWhenTaken(victimPath);
        const FileOperationResult restored = files.restore(entry.trashInfoName, victimPath);
        if (!restored.succeeded)
            refuse(restored.message);
    }

    store::Transaction transaction(session.DatabaseConnection);
    if (isMove(entry.action) && entry.movedPictureId != 0)
        store::MovePicture(session, entry.movedPictureId, entry.movedFromFolderId, entry.movedFromName);
    if (isCopy(entry.action) && !entry.targetPath.isEmpty())
        store::DeleteRowsNamed(session, entry.id, fileNamePart(entry.targetPath));
    store::RestoreKeptRows(session, entry.id);
    store::MarkUndone(session, entry.id);
    transaction.commit();
}

} // namespace vexaris::review
