#include "review/pairreview.h"

#include <algorithm>
#include <optional>

#include <sys/stat.h>

#include <QFile>

#include "i18n/qtranslate.h"
#include "review/pairlist.h"
#include "review/targetpath.h"
#include "store/data.h"
#include "store/database.h"
#include "store/datetime.h"

namespace vexaris::review {

using store::ResolutionAction;

namespace {

PairSide sideOf(const store::Recordset &pairs, char side)
{
    const auto text = [&](const char *suffix) {
        const store::Value &value = sideField(pairs, side, suffix);
        return value.isNull() ? QString() : value.toString();
    };
    const auto integer = [&](const char *suffix) {
        const store::Value &value = sideField(pairs, side, suffix);
        return value.isNumeric() ? value.toInt64() : qint64 {0};
    };
    const auto days = [&](const char *suffix) {
        const store::Value &value = sideField(pairs, side, suffix);
        return value.isNumeric() ? value.toDouble() : 0.0;
    };
    PairSide result;
    result.pictureId = static_cast<int>(integer("PID"));
    result.folderId = static_cast<int>(integer("FID"));
    result.fileName = text("Name");
    result.folderPath = text("Path");
    result.size = integer("Size");
    result.width = static_cast<int>(integer("Width"));
    result.height = static_cast<int>(integer("Height"));
    result.created = days("Created");
    result.modified = days("Modified");
    return result;
}

std::optional<struct stat> statOf(const QString &path)
{
    struct stat info
    {
    };
    if (::stat(QFile::encodeName(path).constData(), &info) != 0)
        return std::nullopt;
    return info;
}

// The file as the update run would write its row: the low 32 bits of the length, the
// modification time to the millisecond.
bool matchesRow(const struct stat &file, const PairSide &row)
{
    const auto size = static_cast<int32_t>(static_cast<uint32_t>(file.st_size));
    const qint64 ms = static_cast<qint64>(file.st_mtim.tv_sec) * 1000 + file.st_mtim.tv_nsec / 1000000;
    return size == row.size && store::toDays(QDateTime::fromMSecsSinceEpoch(ms, Qt::UTC)) == row.modified;
}

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

} // namespace

QString PairSide::fullPath() const
{
    return joinPath(folderPath, fileName);
}

char givenUpPane(ResolutionAction action)
{
    switch (action) {
    case ResolutionAction::DeleteLeft:
    case ResolutionAction::MoveToLeft:
    case ResolutionAction::CopyToLeft:
        return 'L';
    case ResolutionAction::DeleteRight:
    case ResolutionAction::MoveToRight:
    case ResolutionAction::CopyToRight:
        return 'R';
    case ResolutionAction::NotAMatch:
        break;
    }
    return 0;
}

bool isMove(ResolutionAction action)
{
    return action == ResolutionAction::MoveToLeft || action == ResolutionAction::MoveToRight;
}

bool isCopy(ResolutionAction action)
{
    return action == ResolutionAction::CopyToLeft || action == ResolutionAction::CopyToRight;
}

PairReview::PairReview(store::Session &session, FileOperation &files)
    : m_session(session)
    , m_files(files)
{
}

void PairReview::open()
{
    openPairList(m_pairs, m_session.DatabaseConnection, m_session.CurrentCollection.ID);
    readCurrent();
}

void PairReview::close()
{
    if (isOpen())
        m_pairs.Close();
    m_current = {};
}

int PairReview::count() const
{
    return isOpen() ? m_pairs.RecordCount() : 0;
}

int PairReview::position() const
{
    if (!isOpen() || m_pairs.Bof() || m_pairs.Eof())
        return 0;
    return m_pairs.AbsolutePosition();
}

void PairReview::readCurrent()
{
    if (!hasCurrent()) {
        m_current = {};
        return;
    }
    m_current.collectionId = store::IntOrZero(m_pairs.Field(u"CID"));
    m_current.left = sideOf(m_pairs, 'L');
    m_current.right = sideOf(m_pairs, 'R');
    // The pair query of the list does not read it.
    m_current.difference
        = store::PairDifference(m_session, m_current.collectionId, m_current.left.pictureId, m_current.right.pictureId);
}

void PairReview::first()
{
    m_pairs.MoveFirst();
    readCurrent();
}

void PairReview::previous()
{
    if (position() > 1) {
        m_pairs.MovePrevious();
        readCurrent();
    }
}

void PairReview::next()
{
    if (position() < count()) {
        m_pairs.MoveNext();
        readCurrent();
    }
}

void PairReview::last()
{
    m_pairs.MoveLast();
    readCurrent();
}

void PairReview::moveTo(int position)
{
    if (count() == 0)
        return;
    m_pairs.Move(std::clamp(position, 1, count()) - 1);
    readCurrent();
}

bool PairReview::swapped() const
{
    return m_current.left.size < m_current.right.size;
}

const PairSide &PairReview::leftShown() const
{
    return swapped() ? m_current.right : m_current.left;
}

const PairSide &PairReview::rightShown() const
{
    return swapped() ? m_current.left : m_current.right;
}

ResolutionCheck PairReview::check(ResolutionAction action) const
{
    const char pane = givenUpPane(action);
    if (pane == 0 || !hasCurrent())
        return {};
    const PairSide &victim = pane == 'L' ? leftShown() : rightShown();
    const PairSide &survivor = pane == 'L' ? rightShown() : leftShown();
    const QString survivorPath = survivor.fullPath();
    const QString victimPath = victim.fullPath();

    const std::optional<struct stat> kept = statOf(survivorPath);
    if (!kept) {
        return {ResolutionProblem::SurvivorMissing,
            qtrFormat(N_("%s is no longer there, so nothing was done. Do you want to forget this pair and the "
                         "picture's row?"),
                {survivorPath}),
            survivor.pictureId};
    }
    if (!S_ISREG(kept->st_mode)) {
        return {ResolutionProblem::SurvivorNotAFile,
            qtrFormat(N_("%s is not an ordinary file any more, so nothing was done. Do you want to forget this pair?"),
                {survivorPath}),
            0};
    }
    const std::optional<struct stat> given = statOf(victimPath);
    if (given && given->st_dev == kept->st_dev && given->st_ino == kept->st_ino) {
        // Giving up one side would take the other with it.
        return {ResolutionProblem::SameFile,
            qtrFormat(N_("Both sides of this pair are the same file, %s; it stays where it is. Not a match "
                         "takes the pair out of the list."),
                {victimPath}),
            0};
    }
    if (!matchesRow(*kept, survivor)) {
        return {ResolutionProblem::SurvivorChanged,
            qtrFormat(N_("%s has changed since it was read (its size or modification time), so nothing was done. Do "
                         "you want to forget this pair? The next update reads the file again."),
                {survivorPath}),
            0};
    }
    if (!given && !pathIsTaken(victimPath)) {
        return {ResolutionProblem::VictimMissing,
            qtrFormat(N_("%s is no longer there, so nothing was done. Do you want to forget this pair and the "
                         "picture's row?"),
                {victimPath}),
            victim.pictureId};
    }
    return {};
}

void PairReview::forgetAfterCheck(const ResolutionCheck &check)
{
    if (check.passed() || !hasCurrent())
        return;
    if (check.missingPictureId != 0) {
        const AnchorPair anchor = PickAnchorPair(m_pairs, check.missingPictureId);
        m_pairs.Close();
        store::DeletePicture(m_session, check.missingPictureId);
        reopenAt(anchor.lpid, anchor.rpid);
        return;
    }
    const int lpid = m_current.left.pictureId;
    const int rpid = m_current.right.pictureId;
    const AnchorPair neighbour = stepToNeighbour();
    m_pairs.Close();
    store::ForgetPair(m_session, lpid, rpid);
    reopenAt(neighbour.lpid, neighbour.rpid);
}

AnchorPair PairReview::stepToNeighbour()
{
    if (count() < 2)
        return {};
    if (position() == 1)
        m_pairs.MoveNext();
    else
        m_pairs.MovePrevious();
    return currentPair(m_pairs);
}

void PairReview::reopenAt(int leftId, int rightId)
{
    open();
    if (count() == 0) {
        close();
        return;
    }
    if (!moveToPair(m_pairs, leftId, rightId))
        m_pairs.MoveFirst();
    readCurrent();
}

ResolutionResult PairReview::resolve(ResolutionAction action, ResolutionSteps &steps)
{
    if (!hasCurrent())
        return {ResolutionOutcome::Failed, {}, 0};
    if (action == ResolutionAction::NotAMatch) {
        notAMatch();
        return {ResolutionOutcome::Done, {}, 0};
    }
    const ResolutionCheck checked = check(action);
    if (!checked.passed())
        return {ResolutionOutcome::Failed, checked.message, 0};

    const bool victimLeft = givenUpPane(action) == 'L';
    const PairSide victim = victimLeft ? leftShown() : rightShown();
    const PairSide survivor = victimLeft ? rightShown() : leftShown();
    const QString victimPath = victim.fullPath();
    const QString survivorPath = survivor.fullPath();

    FileOperationResult recycled;
    {
        steps.started(ResolutionSteps::Step::Recycle);
        recycled = m_files.recycle(victimPath);
        steps.finished();
    }
    if (!recycled.succeeded)
        return {ResolutionOutcome::Failed, recycled.message, 0};

    QString target;
    QString partial;
    if (isMove(action) || isCopy(action)) {
        target = freeTargetPath(victimPath, survivorPath);
        FileOperationProgress &progress
            = steps.started(isMove(action) ? ResolutionSteps::Step::Move : ResolutionSteps::Step::Copy);
        const FileOperationResult done = isMove(action) ? m_files.move(survivorPath, target, progress)
                                                        : m_files.copy(survivorPath, target, progress);
        steps.finished();
        if (!done.succeeded)
            partial = partialFailureText(done.message, victimPath, survivorPath, target);
    }

    // What happened on disk is recorded whatever failed after the recycle: the given-up file is
    // in the Trash, so its row and pairs go, and the journal can bring them back. A move or copy
    // that failed is recorded as the delete it became.
    store::JournalEntry entry = entryFor(
        partial.isEmpty() ? action : (victimLeft ? ResolutionAction::DeleteLeft : ResolutionAction::DeleteRight));
    entry.trashInfoName = recycled.trashInfoName;
    const bool moved = partial.isEmpty() && isMove(action);
    if (partial.isEmpty() && !target.isEmpty())
        entry.targetPath = target;
    if (moved) {
        entry.movedPictureId = survivor.pictureId;
        entry.movedFromFolderId = survivor.folderId;
        entry.movedFromName = survivor.fileName;
    }

    // The nearest pair without the given-up picture, for a move and a copy as for a delete: the
    // survivor's pairs outlive the resolution and may be shown next.
    const AnchorPair anchor = PickAnchorPair(m_pairs, victim.pictureId);
    m_pairs.Close();
    qint64 journalId = 0;
    {
        // The journal entry and the rows it keeps are written with the change they undo, or not at all.
        store::Transaction transaction(m_session.DatabaseConnection);
        journalId = store::AddResolution(m_session, entry);
        store::KeepPictureRows(m_session, journalId, victim.pictureId);
        store::DeletePicture(m_session, victim.pictureId);
        if (moved)
            store::MovePicture(m_session, survivor.pictureId, victim.folderId, target);
        transaction.commit();
    }
    reopenAt(anchor.lpid, anchor.rpid);
    if (!partial.isEmpty())
        return {ResolutionOutcome::PartlyDone, partial, journalId};
    return {ResolutionOutcome::Done, {}, journalId};
}

store::JournalEntry PairReview::entryFor(ResolutionAction action) const
{
    store::JournalEntry entry;
    entry.collectionId = m_current.collectionId;
    entry.action = action;
    const PairSide &left = leftShown();
    const PairSide &right = rightShown();
    entry.leftPath = left.fullPath();
    entry.rightPath = right.fullPath();
    entry.leftSize = left.size;
    entry.rightSize = right.size;
    entry.leftTime = store::fromDays(left.modified);
    entry.rightTime = store::fromDays(right.modified);
    entry.difference = m_current.difference;
    return entry;
}

void PairReview::notAMatch()
{
    const PairRow row = m_current;
    const store::JournalEntry entry = entryFor(ResolutionAction::NotAMatch);

    const AnchorPair neighbour = stepToNeighbour();
    m_pairs.Close();
    {
        store::Transaction transaction(m_session.DatabaseConnection);
        const qint64 journalId = store::AddResolution(m_session, entry);
        store::KeepPairRow(m_session, journalId, row.left.pictureId, row.right.pictureId);
        store::ForgetPair(m_session, row.left.pictureId, row.right.pictureId);
        if (m_rememberNotAMatch) {
            const std::optional<QByteArray> first = store::pictureFingerprint(m_session, row.left.pictureId);
            const std::optional<QByteArray> second = store::pictureFingerprint(m_session, row.right.pictureId);
            if (first && second)
                store::RememberNotAMatch(m_session, *first, *second, entry.leftPath, entry.rightPath);
        }
        transaction.commit();
    }
    reopenAt(neighbour.lpid, neighbour.rpid);
}

} // namespace vexaris::review
