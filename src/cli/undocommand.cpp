// vexaris-cli undo NAME [ID | --batch ID]: takes back one resolution of a collection's journal, by
// default the newest one not yet undone, or every resolution of a batch.
#include <iostream>
#include <optional>

#include "cli/command.h"
#include "common/error.h"
#include "i18n/translate.h"
#include "review/batch.h"
#include "review/fileoperation.h"
#include "review/undo.h"
#include "store/journal.h"

namespace vexaris::cli {

namespace {

int undoBatch(Context &context, const QString &collection, const QString &idText)
{
    bool ok = false;
    const qint64 batchId = idText.toLongLong(&ok);
    if (!ok || batchId <= 0)
        throw UsageError(formatText(_("--batch takes the ID of a batch, not %s"), {idText.toStdString()}));
    store::Session session;
    openDatabase(session, context);
    loadCollection(session, collection);
    const std::optional<store::BatchEntry> batch = store::FindBatch(session, batchId);
    if (!batch || batch->collectionId != session.CurrentCollection.ID) {
        throw Error(formatText(_("The collection %s has no batch %s"),
            {session.CurrentCollection.Name.toStdString(), std::to_string(batchId)}));
    }
    review::QtFileOperation files;
    const review::BatchUndoResult result = review::UndoBatch(session, files, batchId);
    std::cout << formatText(
        _("%s restored, %s refused"), {std::to_string(result.restored), std::to_string(result.refused.size())})
              << '\n';
    for (const review::RefusedUndo &refused : result.refused)
        std::cerr << refused.entryId << '\t' << refused.reason.toStdString() << '\n';
    return result.refused.empty() ? kExitDone : kExitFailed;
}

int runUndo(Context &context, const QStringList &arguments)
{
    QStringList args = arguments;
    const QStringList batch = takeOptionValues(args, QStringLiteral("--batch"));
    if (!batch.isEmpty()) {
        expectPositional(args, 1, "undo");
        return undoBatch(context, args.first(), batch.last());
    }
    for (const QString &arg : std::as_const(args)) {
        if (arg.startsWith(QLatin1String("--")))
            throw UsageError(formatText(_("Unknown option %s"), {arg.toStdString()}));
    }
    if (args.size() != 1 && args.size() != 2)
        throw UsageError(formatText(_("Wrong number of arguments for %s"), {"undo"}));
    std::optional<qint64> entryId;
    if (args.size() == 2) {
        bool ok = false;
        entryId = args[1].toLongLong(&ok);
        if (!ok || *entryId <= 0)
            throw UsageError(formatText(_("undo takes the ID of a resolution, not %s"), {args[1].toStdString()}));
    }

    store::Session session;
    openDatabase(session, context);
    loadCollection(session, args.first());
    const int collectionId = session.CurrentCollection.ID;
    if (!entryId) {
        entryId = store::LastResolution(session, collectionId);
        if (!entryId)
            throw Error(_("The collection has no resolution to undo"));
    } else if (const std::optional<store::JournalEntry> entry = store::FindResolution(session, *entryId);
               !entry || entry->collectionId != collectionId) {
        throw Error(formatText(_("The collection %s has no resolution %s"),
            {session.CurrentCollection.Name.toStdString(), std::to_string(*entryId)}));
    }

    review::QtFileOperation files;
    review::UndoResolution(session, files, *entryId);
    std::cout << formatText(_("Resolution %s undone"), {std::to_string(*entryId)}) << '\n';
    return kExitDone;
}

const bool registered = registerCommand({
    "undo",
    N_("NAME [ID | --batch ID]"),
    N_("undo a resolution of the collection (the newest one not undone when no ID is given), or with --batch "
       "every resolution of a batch, newest first: files back from the Trash to their places, never over another "
       "file, and their rows and pairs back; a batch prints how many were restored and refused, and the reasons "
       "of the refused on standard error"),
    runUndo,
});

} // namespace

} // namespace vexaris::cli
