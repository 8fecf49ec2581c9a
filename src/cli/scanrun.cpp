// vexaris-cli scan NAME [--method M] [--threshold T] [--full] [--folder ID]... [--yes]: the
// duplicate scan run from the terminal. Messages and notices go to standard output, one line
// each; the progress is drawn on standard error when it is a terminal, and so are the lines the
// run adds to the processing log; Ctrl-C is the Stop button.
#include <iostream>

#include "cli/command.h"
#include "cli/interrupt.h"
#include "cli/scanprogress.h"
#include "common/error.h"
#include "i18n/translate.h"
#include "log/processinglog.h"
#include "review/pairlist.h"
#include "runs/duplicatescan.h"
#include "runs/scannotice.h"
#include "settings/settingsstore.h"

namespace vexaris::cli {

namespace {

// The question before a scan with new settings: --yes answers it, a terminal is asked, and
// without either the answer is No.
bool confirmNewSettings(ScanRunProgress &observer, bool assumeYes)
{
    if (assumeYes)
        return true;
    const std::string question = _("The scan settings are different from the previous scan. Do you want to use these "
                                   "new settings? (The current duplicate data will be lost.)");
    observer.clearProgress();
    if (interactive())
        return askYesNo(question);
    observer.printLine(question + ' ' + _("(answered No; --yes answers Yes)"));
    return false;
}

int integerOption(QStringList &args, const QString &option, int low, int high, int fallback)
{
    const QStringList values = takeOptionValues(args, option);
    if (values.isEmpty())
        return fallback;
    bool ok = false;
    const int value = values.last().toInt(&ok);
    if (!ok || value < low || value > high)
        throw UsageError(formatText(_("%s takes a whole number from %d to %d"),
            {option.toStdString(), std::to_string(low), std::to_string(high)}));
    return value;
}

// A resumed or incremental run records only its own part of the pairs: the collection's whole
// count is said beside it.
void printScanSummary(store::Session &session, const runs::ScanSummary &summary)
{
    const int collectionPairs = review::countPairs(session.DatabaseConnection, session.CurrentCollection.ID);
    const std::string pictures = std::to_string(summary.pictureCount);
    const std::string tested = std::to_string(summary.pairsTested);
    const std::string recorded = std::to_string(summary.pairsWritten);
    if (collectionPairs == summary.pairsWritten)
        std::cout << formatText(_("Pictures: %d, pairs tested: %d, pairs recorded: %d"), {pictures, tested, recorded});
    else
        std::cout << formatText(_("Pictures: %d, pairs tested: %d, pairs recorded: %d, pairs of the collection: %d"),
            {pictures, tested, recorded, std::to_string(collectionPairs)});
    std::cout << '\n';
}

int runScan(Context &context, const QStringList &arguments)
{
    QStringList args = arguments;
    runs::ScanParameters parameters;
    const settings::Preferences preferences = settings::SettingsStore().load();
    parameters.method = integerOption(args, QStringLiteral("--method"), 0, 5, preferences.method);
    parameters.threshold = integerOption(args, QStringLiteral("--threshold"), 0, 100, preferences.threshold);
    parameters.fullRun = takeFlag(args, QStringLiteral("--full"));
    parameters.threads = takeThreads(args, preferences.threads);
    parameters.skipRememberedNotAMatches = preferences.rememberNotAMatch;
    const bool assumeYes = takeFlag(args, QStringLiteral("--yes"));
    for (const QString &value : takeOptionValues(args, QStringLiteral("--folder"))) {
        bool ok = false;
        const int id = value.toInt(&ok);
        if (!ok || id <= 0)
            throw UsageError(formatText(_("--folder takes a folder ID, not %s"), {value.toStdString()}));
        parameters.checkedFolderIds.append(id);
    }
    expectPositional(args, 1, "scan");
    parameters.collectionName = args.first();

    store::Session session;
    openDatabase(session, context);
    // An unknown name is refused with the nearest known one suggested.
    loadCollection(session, parameters.collectionName);

    InterruptAsStop interrupt;
    ScanRunProgress observer;
    log::ProcessingLog processingLog;
    runs::DuplicateScan scan(session, processingLog, observer);
    // The plan takes the collection's run lock and the run gives it back: what the plan says
    // holds until the run starts.
    switch (scan.plan(parameters)) {
    case runs::ScanPlan::Unchanged:
        observer.printLine(_("The database for this collection has not changed since the last scan. If pictures have "
                             "been are added or deleted, update the DB, then retry the scan."));
        return kExitDone;
    case runs::ScanPlan::NeedsConfirmation:
        if (!confirmNewSettings(observer, assumeYes))
            return kExitDone;
        parameters.newSettingsConfirmed = true;
        break;
    case runs::ScanPlan::Ready:
        break;
    }
    const auto printLog = [&] {
        observer.clearProgress();
        for (const QString &line : processingLog.lines())
            std::cerr << line.toStdString() << '\n';
        std::cerr << std::flush;
    };
    runs::ScanSummary summary;
    try {
        summary = scan.run(parameters);
    } catch (...) {
        printLog();
        throw;
    }
    printLog();

    switch (summary.outcome) {
    case runs::ScanOutcome::Unchanged:
    case runs::ScanOutcome::Declined:
        return kExitDone;
    case runs::ScanOutcome::Completed:
        if (summary.pairsWritten == 0)
            observer.printLine(runs::noDuplicatesNotice(parameters.method));
        printScanSummary(session, summary);
        return summary.picturesLeftOut > 0 ? kExitProblems : kExitDone;
    case runs::ScanOutcome::Stopped:
        std::cerr << "vexaris-cli: "
                  << _("The scan was stopped; the next scan resumes after the last picture it finished.") << '\n';
        return kExitStopped;
    }
    return kExitDone;
}

const bool registered = registerCommand({
    "scan",
    N_("NAME [--method M] [--threshold T] [--full] [--folder ID]... [--yes] [--threads N]"),
    N_("compare the pictures of a collection and record the duplicate pairs"),
    runScan,
    N_("Options:\n"
       "  --method M      the comparison method, 0 to 5 (default: the preferences')\n"
       "  --threshold T   the threshold, 0 to 100 (default: the preferences')\n"
       "  --full          compare every pair again, forgetting the pairs recorded\n"
       "  --folder ID     only the pictures of this folder (repeatable; IDs from the folders command)\n"
       "  --yes           use new settings without a question when they differ from the last scan's\n"
       "  --threads N     threads comparing pictures, 0 for one per core (default: the preferences')\n"
       "\n"
       "On a terminal one progress line is drawn on standard error. A stopped scan resumes where it stopped."),
});

} // namespace

} // namespace vexaris::cli
