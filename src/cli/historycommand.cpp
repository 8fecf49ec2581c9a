// vexaris-cli history NAME [--json]: the resolution journal of a collection, newest first.
#include <iostream>
#include <string>

#include "cli/command.h"
#include "common/error.h"
#include "i18n/translate.h"
#include "store/journal.h"

namespace vexaris::cli {

namespace {

// The stored values, never renumbered: what a script may compare against.
const char *actionName(store::ResolutionAction action)
{
    switch (action) {
    case store::ResolutionAction::DeleteLeft:
        return "delete-left";
    case store::ResolutionAction::DeleteRight:
        return "delete-right";
    case store::ResolutionAction::MoveToLeft:
        return "move-to-left";
    case store::ResolutionAction::MoveToRight:
        return "move-to-right";
    case store::ResolutionAction::CopyToLeft:
        return "copy-to-left";
    case store::ResolutionAction::CopyToRight:
        return "copy-to-right";
    case store::ResolutionAction::NotAMatch:
        break;
    }
    return "not-a-match";
}

std::string timeText(const QDateTime &time)
{
    return time.isValid() ? time.toUTC().toString(Qt::ISODateWithMs).toStdString() : std::string();
}

int runHistory(Context &context, const QStringList &arguments)
{
    QStringList args = arguments;
    const bool json = takeFlag(args, QStringLiteral("--json"));
    expectPositional(args, 1, "history");

    store::Session session;
    openDatabase(session, context, store::OpenMode::ReadOnly);
    loadCollection(session, args.first());

    for (const store::JournalEntry &entry : store::ListResolutions(session, session.CurrentCollection.ID)) {
        if (json) {
            std::cout << "{\"id\":" << entry.id << ",\"time\":" << jsonString(timeText(entry.time))
                      << ",\"action\":" << jsonString(actionName(entry.action))
                      << ",\"undone\":" << (entry.undone ? "true" : "false") << ",\"difference\":" << entry.difference
                      << ",\"leftPath\":" << jsonString(entry.leftPath.toStdString())
                      << ",\"leftSize\":" << entry.leftSize
                      << ",\"leftModified\":" << jsonString(timeText(entry.leftTime))
                      << ",\"rightPath\":" << jsonString(entry.rightPath.toStdString())
                      << ",\"rightSize\":" << entry.rightSize
                      << ",\"rightModified\":" << jsonString(timeText(entry.rightTime))
                      << ",\"trashInfoName\":" << jsonString(entry.trashInfoName.toStdString())
                      << ",\"targetPath\":" << jsonString(entry.targetPath.toStdString()) << "}\n";
        } else {
            std::cout << entry.id << '\t' << timeText(entry.time) << '\t' << actionName(entry.action) << '\t'
                      << (entry.undone ? "undone" : "-") << '\t' << entry.difference << '\t'
                      << plainField(entry.leftPath.toStdString()) << '\t' << plainField(entry.rightPath.toStdString())
                      << '\n';
        }
    }
    std::cout.flush();
    if (!std::cout)
        throw Error(_("Could not write to standard output"));
    return kExitDone;
}

const bool registered = registerCommand({
    "history",
    N_("NAME [--json]"),
    N_("list the resolutions of a collection's pairs, newest first: ID, time (UTC), action, undone or -, "
       "difference, left path, right path"),
    runHistory,
});

} // namespace

} // namespace vexaris::cli
