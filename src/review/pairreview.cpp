#include "review/pairreview.h"

#include <algorithm>

#include <sys/stat.h>

#include <QFile>

#include "common/error.h"
#include "i18n/qtranslate.h"
#include "review/targetpath.h"
#include "store/data.h"
#include "store/database.h"
#include "store/datetime.h"
#include "store/runlock.h"

namespace vexaris::review {

namespace {

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

QString collectionName(const store::Session &session, int collectionId)
{
    return session.CurrentCollection.ID == collectionId ? session.CurrentCollection.Name : QString();
}

} // namespace

ResolutionCheck checkFiles(const PairRow &row, ResolutionAction action)
{
    const char pane = givenUpPane(action);
    if (pane == 0)
        return {};
    const PairSide &victim = pane == 'L' ? leftShown(row) : rightShown(row);
    const PairSide &survivor = pane == 'L' ? rightShown(row) : leftShown(row);
    const QString survivorPath = survivor.fullPath();
    const QString victimPath = victim.fullPath();
    const char *notAFile
        = N_("%s is not an ordinary file any more, so nothing was done. Do you want to forget this pair?");

    const std::optional<struct stat> kept = statOf(survivorPath);
    if (!kept) {
        return {ResolutionProblem::SurvivorMissing,
            qtrFormat(N_("%s is no longer there, so nothing was done. Do you want to forget this pair and the "
                         "picture's row?"),
                {survivorPath}),
            survivor.pictureId};
    }
    if (!S_ISREG(kept->st_mode))
        return {ResolutionProblem::SurvivorNotAFile, qtrFormat(notAFile, {survivorPath}), 0};
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
    // A folder or a device in the given-up file's place would go to the Trash whole.
    if (given && !S_ISREG(given->st_mode))
        return {ResolutionProblem::VictimNotAFile, qtrFormat(notAFile, {victimPath}), 0};
    return {};
}

PairReview::PairReview(store::Session &session, FileOperation &files)
    : m_session(session)
    , m_files(files)
{
}

void PairReview::open(const PairList::Progress &progress)
{
    m_list.read(m_session, m_session.CurrentCollection.ID, progress);
    m_open = true;
    m_position = m_list.count() > 0 ? 1 : 0;
    readCurrent();
}

void PairReview::close()
{
    m_list.clear();
    m_open = false;
    m_position = 0;
    m_current = {};
}

void PairReview::readCurrent()
{
    m_current = m_position != 0 ? m_list.rowAt(m_position) : PairRow {};
}

void PairReview::first()
{
    moveTo(1);
}

void PairReview::previous()
{
    if (m_position > 1)
        moveTo(m_position - 1);
}

void PairReview::next()
{
    if (m_position < count())
        moveTo(m_position + 1);
}

void PairReview::last()
{
    moveTo(count());
}

void PairReview::moveTo(int position)
{
    if (count() == 0)
        return;
    m_position = std::clamp(position, 1, count());
    readCurrent();
}

bool PairReview::moveToPair(qint64 pairId)
{
    const std::optional<int> position = m_list.positionOf(pairId);
    if (!position)
        return false;
    moveTo(*position);
    return true;
}

ResolutionCheck PairReview::check(qint64 pairId, ResolutionAction action) const
{
    const std::optional<PairRow> row = pair(pairId);
    return row ? checkFiles(*row, action) : ResolutionCheck {};
}

std::optional<qint64> PairReview::anchorWithout(int pictureId) const
{
    if (m_position == 0)
        return std::nullopt;
    return m_list.nearestWithout(m_position, pictureId);
}

std::optional<qint64> PairReview::anchorAfterForgetting(const PairRow &row) const
{
    if (m_position == 0)
        return std::nullopt;
    if (m_current.left.pictureId != row.left.pictureId || m_current.right.pictureId != row.right.pictureId)
        return m_current.id;
    // The shown pair goes alone: the next one when it is the first, else the previous one.
    if (count() < 2)
        return std::nullopt;
    return m_list.idAt(m_position == 1 ? 2 : m_position - 1);
}

void PairReview::settleCursor(const std::optional<qint64> &anchor)
{
    const std::optional<int> position = anchor ? m_list.positionOf(*anchor) : std::nullopt;
    m_position = count() == 0 ? 0 : position.value_or(1);
    readCurrent();
}

void PairReview::forget(qint64 pairId, const ResolutionCheck &check)
{
    const std::optional<PairRow> row = pair(pairId);
    if (check.passed() || !row)
        return;
    if (check.missingPictureId != 0) {
        const std::optional<qint64> anchor = anchorWithout(check.missingPictureId);
        store::DeletePicture(m_session, check.missingPictureId);
        m_list.removePicture(check.missingPictureId);
        settleCursor(anchor);
        return;
    }
    const std::optional<qint64> anchor = anchorAfterForgetting(*row);
    store::ForgetPair(m_session, row->left.pictureId, row->right.pictureId);
    m_list.removePairsOf(row->left.pictureId, row->right.pictureId);
    settleCursor(anchor);
}

Settled PairReview::settle(qint64 pairId, ResolutionAction action, ResolutionPolicy &policy)
{
    const std::optional<PairRow> row = pair(pairId);
    if (!row)
        return Settled::Failed;
    if (action == ResolutionAction::NotAMatch) {
        if (!policy.confirm(ResolutionPolicy::Caption::Confirmation, notAMatchQuestion(m_rememberNotAMatch)))
            return Settled::Declined;
        resolve(pairId, action, policy.steps());
        return Settled::Done;
    }
    const ResolutionCheck checked = checkFiles(*row, action);
    if (!checked.passed()) {
        if (!checked.offersToForget()) {
            policy.tell(checked.message);
            return Settled::Refused;
        }
        if (!policy.confirm(ResolutionPolicy::Caption::Warning, checked.message))
            return Settled::Refused;
        forget(pairId, checked);
        return Settled::Forgotten;
    }
    const bool leftGoes = givenUpPane(action) == 'L';
    const QString victimPath = (leftGoes ? review::leftShown(*row) : review::rightShown(*row)).fullPath();
    const QString survivorPath = (leftGoes ? review::rightShown(*row) : review::leftShown(*row)).fullPath();
    if (!policy.confirm(
            ResolutionPolicy::Caption::Warning, qtrFormat(actionInfo(action).question, {victimPath, survivorPath})))
        return Settled::Declined;
    const ResolutionResult result = resolve(pairId, action, policy.steps());
    if (result.outcome != ResolutionOutcome::Done)
        policy.tell(result.message);
    switch (result.outcome) {
    case ResolutionOutcome::Done:
        return Settled::Done;
    case ResolutionOutcome::PartlyDone:
        return Settled::PartlyDone;
    case ResolutionOutcome::Failed:
        break;
    }
    return Settled::Failed;
}

ResolutionResult PairReview::resolve(qint64 pairId, ResolutionAction action, ResolutionSteps &steps)
{
    const std::optional<PairRow> row = pair(pairId);
    if (!row)
        return {ResolutionOutcome::Failed, qtr("The pair is no longer in the list"), 0};
    // A run of the collection elsewhere must not record a pair of a picture that goes now.
    const store::CollectionRunLock lock(
        m_session.DatabaseConnection, row->collectionId, collectionName(m_session, row->collectionId));
    if (action == ResolutionAction::NotAMatch)
        return notAMatch(*row);
    const ResolutionCheck checked = checkFiles(*row, action);
    if (!checked.passed())
        return {ResolutionOutcome::Failed, checked.message, 0};
    // Another program may have removed a folder from the collection, or scanned it again, since
    // the list was read: nothing is touched for a pair the database no longer has.
    if (!store::PairStillRecorded(m_session, pairId))
        return {ResolutionOutcome::Failed,
            qtr("The pair is no longer in the database (its folder may have left the collection); nothing was done"),
            0};
    // The window offers no move within one folder: it would only rename the kept file.
    if (isMove(action) && row->left.folderPath == row->right.folderPath)
        return {ResolutionOutcome::Failed, qtr("Both files are in one folder, so there is nothing to move"), 0};

    QString message;
    std::optional<FileResolution> resolution = FileResolution::prepare(m_files, *row, action, message);
    if (!resolution)
        return {ResolutionOutcome::Failed, message, 0};
    {
        store::Transaction transaction(m_session.DatabaseConnection);
        resolution->journal(m_session);
        transaction.commit();
    }
    const FileResolution::Outcome outcome = resolution->carryOut(steps, message);
    if (outcome == FileResolution::Outcome::Failed) {
        // When even this cannot be written, the entry stays pending and the next open of the
        // database finds the files where they were.
        store::Transaction transaction(m_session.DatabaseConnection);
        resolution->markFailed(m_session);
        transaction.commit();
        return {ResolutionOutcome::Failed, message, 0};
    }

    // The nearest pair without the given-up picture, for a move and a copy as for a delete: the
    // kept picture's pairs outlive the resolution and may be shown next.
    const std::optional<qint64> anchor = anchorWithout(resolution->victim().pictureId);
    try {
        store::Transaction transaction(m_session.DatabaseConnection);
        resolution->commitRows(m_session);
        transaction.commit();
    } catch (const Error &e) {
        const QString stayed = resolution->putBack();
        if (stayed.isEmpty()) {
            throw Error(qtrFormat(N_("The database could not be written, so the files are back where they were: %s"),
                {QString::fromStdString(e.what())})
                            .toStdString());
        }
        throw Error(qtrFormat(N_("The database could not be written, and not every file could go back: %s; %s"),
            {QString::fromStdString(e.what()), stayed})
                        .toStdString());
    }
    m_list.removePicture(resolution->victim().pictureId);
    if (resolution->moved()) {
        m_list.movePicture(resolution->survivor().pictureId, resolution->victim().folderId,
            resolution->victim().folderPath, fileNamePart(resolution->targetPath()));
    }
    settleCursor(anchor);
    if (outcome == FileResolution::Outcome::PartlyDone)
        return {ResolutionOutcome::PartlyDone, message, resolution->entryId()};
    return {ResolutionOutcome::Done, {}, resolution->entryId()};
}

ResolutionResult PairReview::notAMatch(const PairRow &row)
{
    const std::optional<qint64> anchor = anchorAfterForgetting(row);
    qint64 journalId = 0;
    {
        store::Transaction transaction(m_session.DatabaseConnection);
        journalId = settleNotAMatch(m_session, row, m_rememberNotAMatch);
        transaction.commit();
    }
    m_list.removePairsOf(row.left.pictureId, row.right.pictureId);
    settleCursor(anchor);
    return {ResolutionOutcome::Done, {}, journalId};
}

} // namespace vexaris::review
