// vexaris-cli undo NAME [ID]: takes back one resolution of a collection's journal, by default the
// newest one not yet undone.
#include <iostream>
#include <optional>

#include "cli/command.h"
#include "common/error.h"
#include "i18n/translate.h"
#include "review/fileoperation.h"
#include "review/undo.h"
#include "store/journal.h"

namespace vexaris::cli {

namespace {

int runUndo(Context &context, const QStringList &arguments)
{
    QStringList args = arguments;
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
    N_("NAME [ID]"),
    N_("undo a resolution of the collection (the newest one not undone when no ID is given): files back from "
       "the Trash to their places, never over another file, and their rows and pairs back"),
    runUndo,
});

} // namespace

} // namespace vexaris::cli
