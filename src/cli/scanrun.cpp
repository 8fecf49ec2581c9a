// vexaris-cli scan NAME [--method M] [--threshold T] [--full] [--folder ID]... [--yes]: the
// duplicate scan run from the terminal. Messages and notices go to standard output, one line
// each; the progress is drawn on standard error when it is a terminal, and so are the lines the
// run adds to the processing log; Ctrl-C is the Stop button.
#include <iostream>

#include <unistd.h>

#include "cli/command.h"
#include "cli/interrupt.h"
#include "common/error.h"
#include "i18n/translate.h"
#include "log/processinglog.h"
#include "runs/duplicatescan.h"
#include "settings/settingsstore.h"

namespace vexaris::cli {

namespace {

// The progress on standard error when it is a terminal; the messages of the scan are the lines
// of standard output, each printed once the progress is off the screen.
class TerminalObserver : public runs::RunObserver
{
public:
    TerminalObserver()
        : m_drawProgress(isatty(STDERR_FILENO))
    {
    }
    ~TerminalObserver() override { clearProgress(); }
    TerminalObserver(const TerminalObserver &) = delete;
    TerminalObserver &operator=(const TerminalObserver &) = delete;

    bool stopRequested() override { return InterruptAsStop::requested(); }
    void handlePendingMessages() override { }
    void progress(const runs::RunProgress &progress) override { drawProgress(progress.done, progress.total); }

    void printLine(const std::string &text)
    {
        clearProgress();
        std::cout << text << '\n' << std::flush;
    }

    void clearProgress()
    {
        if (m_progressShown) {
            std::cerr << "\r\033[K" << std::flush;
            m_progressShown = false;
        }
    }

private:
    void drawProgress(int progress, int maximum)
    {
        if (!m_drawProgress)
            return;
        std::cerr << '\r'
                  << formatText(_("Scan progress: %d/%d"),
                         {std::to_string(std::min(progress, maximum)), std::to_string(maximum)})
                  << std::flush;
        m_progressShown = true;
    }

    bool m_drawProgress;
    bool m_progressShown = false;
};

// The question before a scan with new settings: --yes answers it, a terminal is asked, and
// without either the answer is No.
bool confirmNewSettings(TerminalObserver &observer, bool assumeYes)
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

    InterruptAsStop interrupt;
    TerminalObserver observer;
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
            observer.printLine(_("No duplicates were found during the scan. If you suspect that there still are "
                                 "duplicates, you may try to scan with a higher threshold."));
        std::cout << formatText(_("Pictures: %d, pairs tested: %d, pairs recorded: %d"),
            {std::to_string(summary.pictureCount), std::to_string(summary.pairsTested),
                std::to_string(summary.pairsWritten)})
                  << '\n';
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
});

} // namespace

} // namespace vexaris::cli
