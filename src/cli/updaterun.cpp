// vexaris-cli update NAME: the thumbnail update run of one collection on the terminal. Ctrl-C
// plays the Stop button; a second Ctrl-C ends the program at once.
#include <iostream>
#include <string>

#include "cli/command.h"
#include "cli/interrupt.h"
#include "cli/updateprogress.h"
#include "common/error.h"
#include "i18n/translate.h"
#include "log/processinglog.h"
#include "runs/thumbnailrun.h"
#include "settings/settingsstore.h"
#include "store/data.h"
#include "store/folderlist.h"

namespace vexaris::cli {

namespace {

void printNewLogLines(const log::ProcessingLog &processingLog, qsizetype noted)
{
    for (const QString &line : processingLog.linesSince(noted))
        std::cerr << line.toStdString() << "\n";
    std::cerr << std::flush;
}

int runUpdate(Context &context, const QStringList &arguments)
{
    QStringList args = arguments;
    const unsigned threads = takeThreads(args, settings::SettingsStore().load().threads);
    expectPositional(args, 1, "update");
    const QString name = args.first();

    store::Session session;
    openDatabase(session, context);
    if (loadCollection(session, name).entries().empty()) {
        std::cout << formatText(_("The collection %s has no folders, so there is nothing to update; add-folder adds "
                                  "one."),
            {session.CurrentCollection.Name.toStdString()})
                  << "\n";
        return kExitDone;
    }

    log::ProcessingLog processingLog;
    const qsizetype noted = processingLog.lineCount();
    UpdateRunProgress observer;
    runs::ThumbnailRunSummary summary;
    {
        InterruptAsStop interrupts;
        runs::ThumbnailRun run(session, processingLog, observer, threads);
        try {
            summary = run.RunThumbnailUpdate();
        } catch (...) {
            // What the run met before the error is worth as much as the error itself.
            observer.finish();
            printNewLogLines(processingLog, noted);
            throw;
        }
    }
    observer.finish();
    printNewLogLines(processingLog, noted);

    std::cout << formatText(_("%s of %s folders, %s files: %s pictures read, %s rows deleted, %s problems"),
        {std::to_string(summary.foldersDone), std::to_string(summary.folders), std::to_string(summary.files),
            std::to_string(summary.picturesRead), std::to_string(summary.rowsDeleted),
            std::to_string(summary.problems)})
              << "\n";
    if (summary.stopped) {
        std::cout << _("The run was stopped.") << "\n";
        return kExitStopped;
    }
    return summary.problems > 0 ? kExitProblems : kExitDone;
}

[[maybe_unused]] const bool registered = registerCommand({"update", N_("NAME [--threads N]"),
    N_("read new and changed pictures of a collection and forget the files that are gone"), runUpdate,
    N_("Options:\n"
       "  --threads N   threads reading pictures, 0 for one per core (default: the preferences')\n"
       "\n"
       "On a terminal one progress line is drawn on standard error. Files and folders that could not be read are "
       "listed on standard error at the end, and the exit status is then 3: the other pictures were read all the "
       "same.")});

} // namespace

} // namespace vexaris::cli
