#include "review/batch.h"

#include <QSet>

#include "common/error.h"
#include "i18n/qtranslate.h"
#include "review/fileresolution.h"
#include "review/pairreview.h"
#include "review/targetpath.h"
#include "review/undo.h"
#include "store/data.h"
#include "store/database.h"
#include "store/journal.h"
#include "store/runlock.h"

namespace vexaris::review {

namespace {

// Steps settled between two commits: large enough that one sync of the Trash's volume serves
// many files, small enough that a stop is heard within a second or so.
constexpr size_t kChunk = 256;

QString givenUpPath(const BatchStep &step)
{
    const PairSide &side = givenUpPane(step.action) == 'L' ? leftShown(step.row) : rightShown(step.row);
    return side.fullPath();
}

} // namespace

BatchResult applyBatch(store::Session &session, FileOperation &files, int collectionId,
    const std::vector<BatchStep> &steps, const BatchOptions &options, BatchObserver &observer)
{
    const store::CollectionRunLock lock(
        session.DatabaseConnection, collectionId, store::CollectionNameOf(session, collectionId));
    // Every volume the batch gives files up on must have a Trash before the first file moves.
    QSet<QString> folders;
    for (const BatchStep &step : steps) {
        if (step.action == ResolutionAction::NotAMatch)
            continue;
        const QString path = givenUpPath(step);
        if (folders.contains(folderPart(path)))
            continue;
        folders.insert(folderPart(path));
        QString message;
        if (files.trashFolderFor(path, message).isEmpty())
            throw Error(message.toStdString());
    }

    BatchResult result;
    {
        store::Transaction transaction(session.DatabaseConnection);
        result.batchId = store::AddBatch(session, collectionId, options.ruleName, options.rule);
        transaction.commit();
    }
    const auto total = static_cast<int>(steps.size());
    QSet<int> givenUp;
    for (size_t next = 0; next < steps.size();) {
        if (observer.stopRequested()) {
            result.stopped = true;
            break;
        }
        const size_t end = std::min(next + kChunk, steps.size());
        std::vector<FileResolution> resolutions;
        std::vector<qint64> resolvedPairs; // of each resolution
        std::vector<const BatchStep *> notAMatches;
        for (size_t i = next; i < end; ++i) {
            const BatchStep &step = steps[i];
            const auto skip = [&](const QString &reason) { result.skipped.push_back({step.row.id, reason}); };
            if (step.action == ResolutionAction::NotAMatch) {
                if (givenUp.contains(step.row.left.pictureId) || givenUp.contains(step.row.right.pictureId)) {
                    skip(qtr("a file of the pair was given up earlier in this batch"));
                    continue;
                }
            } else {
                const bool leftGoes = givenUpPane(step.action) == 'L';
                const int victim = (leftGoes ? leftShown(step.row) : rightShown(step.row)).pictureId;
                const int survivor = (leftGoes ? rightShown(step.row) : leftShown(step.row)).pictureId;
                if (givenUp.contains(survivor)) {
                    skip(qtr("the file that would stay was given up earlier in this batch"));
                    continue;
                }
                if (givenUp.contains(victim)) {
                    skip(qtr("the file was given up earlier in this batch"));
                    continue;
                }
            }
            if (step.action == ResolutionAction::NotAMatch) {
                notAMatches.push_back(&step);
                continue;
            }
            if (!store::PairStillRecorded(session, step.row.id)) {
                skip(qtr("The pair is no longer in the database (its folder may have left the collection); nothing "
                         "was done"));
                continue;
            }
            const ResolutionCheck checked = checkFiles(step.row, step.action);
            if (!checked.passed()) {
                skip(checked.message);
                continue;
            }
            QString message;
            std::optional<FileResolution> prepared = FileResolution::prepare(files, step.row, step.action, message);
            if (!prepared) {
                skip(message);
                continue;
            }
            givenUp.insert(prepared->victim().pictureId);
            resolutions.push_back(std::move(*prepared));
            resolvedPairs.push_back(step.row.id);
        }

        {
            store::Transaction transaction(session.DatabaseConnection);
            for (FileResolution &resolution : resolutions)
                resolution.journal(session, result.batchId);
            transaction.commit();
        }
        std::vector<std::pair<QString, TrashSlot>> items;
        items.reserve(resolutions.size());
        for (const FileResolution &resolution : resolutions)
            items.push_back(resolution.trashItem());
        const std::vector<FileOperationResult> recycled = files.recycleAll(items);
        std::vector<bool> gone(resolutions.size(), false);
        for (size_t r = 0; r < resolutions.size(); ++r) {
            if (recycled[r].succeeded) {
                resolutions[r].recycledByTheBatch();
                gone[r] = true;
            } else {
                givenUp.remove(resolutions[r].victim().pictureId);
                result.skipped.push_back({resolvedPairs[r], recycled[r].message});
            }
        }

        try {
            store::Transaction transaction(session.DatabaseConnection);
            for (size_t r = 0; r < resolutions.size(); ++r) {
                if (gone[r])
                    resolutions[r].commitRows(session);
                else
                    resolutions[r].markFailed(session);
            }
            for (const BatchStep *step : notAMatches)
                settleNotAMatch(session, step->row, options.rememberNotAMatch, result.batchId);
            transaction.commit();
        } catch (const Error &e) {
            QStringList stayed;
            for (size_t r = 0; r < resolutions.size(); ++r) {
                if (gone[r]) {
                    const QString back = resolutions[r].putBack();
                    if (!back.isEmpty())
                        stayed << back;
                }
            }
            if (stayed.isEmpty()) {
                throw Error(
                    qtrFormat(N_("The database could not be written, so the files are back where they were: %s"),
                        {QString::fromStdString(e.what())})
                        .toStdString());
            }
            throw Error(qtrFormat(N_("The database could not be written, and not every file could go back: %s; %s"),
                {QString::fromStdString(e.what()), stayed.join(QStringLiteral("; "))})
                            .toStdString());
        }
        for (size_t r = 0; r < resolutions.size(); ++r) {
            if (!gone[r])
                continue;
            ++result.settled;
            result.bytesFreed += resolutions[r].victim().size;
            result.removedPictures.push_back(resolutions[r].victim().pictureId);
        }
        for (const BatchStep *step : notAMatches) {
            ++result.settled;
            result.forgottenPairs.emplace_back(step->row.left.pictureId, step->row.right.pictureId);
        }
        next = end;
        observer.progress({static_cast<int>(end), total, result.bytesFreed});
    }
    return result;
}

std::vector<BatchStep> batchSteps(const Plan &plan, const PairList &list, size_t limit)
{
    std::vector<BatchStep> steps;
    for (const size_t index : plan.order) {
        if (steps.size() >= limit)
            break;
        const PlannedPair &planned = plan.pairs[index];
        if (std::optional<PairRow> row = list.row(planned.pairId))
            steps.push_back({std::move(*row), planned.action});
    }
    return steps;
}

void followBatch(PairList &list, const BatchResult &result)
{
    for (const int picture : result.removedPictures)
        list.removePicture(picture);
    for (const auto &[left, right] : result.forgottenPairs)
        list.removePairsOf(left, right);
}

} // namespace vexaris::review
