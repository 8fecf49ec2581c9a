// vexaris-cli scan NAME [--method M] [--threshold T] [--full] [--folder ID]... [--yes]: the
// duplicate scan run from the terminal. Messages and notices go to standard output, one line
// each; the progress is drawn on standard error when it is a terminal; Ctrl-C is the Stop button.
#include <iostream>

#include <unistd.h>

#include "cli/command.h"
#include "cli/interrupt.h"
#include "common/error.h"
#include "i18n/translate.h"
#include "log/processinglog.h"
#include "runs/duplicatescan.h"
#include "settings/settingsstore.h"
#include "store/connection.h"

namespace vexaris::cli {

namespace {

class TerminalObserver : public runs::ScanObserver
{
public:
    TerminalObserver(bool assumeYes, qsizetype logStart)
        : m_assumeYes(assumeYes)
        , m_logStart(logStart)
        , m_drawProgress(isatty(STDERR_FILENO))
    {
    }
    ~TerminalObserver() override { clearProgress(); }
    TerminalObserver(const TerminalObserver &) = delete;
    TerminalObserver &operator=(const TerminalObserver &) = delete;

    bool stopRequested() override { return InterruptAsStop::requested(); }
    void handlePendingMessages() override { }

    void comparisonsStarted(int progress, int maximum) override { drawProgress(progress, maximum); }
    void progressChanged(int progress, int maximum) override { drawProgress(progress, maximum); }

    void showMessage(const QString &text) override { printLine(text); }
    void showNotice(const QString &, const QString &text) override { printLine(text); }

    bool askQuestion(const QString &, const QString &text) override
    {
        if (m_assumeYes)
            return true;
        clearProgress();
        if (interactive())
            return askYesNo(text.toStdString());
        printLine(text + QLatin1Char(' ') + QString::fromStdString(_("(answered No; --yes answers Yes)")));
        return false;
    }

    void showLog() override
    {
        for (const QString &line : log::ProcessingLog::instance().linesSince(m_logStart))
            printLine(line);
    }

    void clearProgress()
    {
        if (m_progressShown) {
            std::cerr << "\r\033[K" << std::flush;
            m_progressShown = false;
        }
    }

private:
    void printLine(const QString &text)
    {
        clearProgress();
        std::cout << text.toStdString() << '\n' << std::flush;
    }

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

    bool m_assumeYes;
    qsizetype m_logStart;
    bool m_drawProgress;
    bool m_progressShown = false;
};

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

    OpenConnection connection(context);

    InterruptAsStop interrupt;
    TerminalObserver observer(assumeYes, log::ProcessingLog::instance().lineCount());
    runs::DuplicateScan scan(observer);
    const runs::ScanSummary summary = scan.run(parameters);
    observer.clearProgress();

    switch (summary.outcome) {
    case runs::ScanOutcome::Unchanged:
    case runs::ScanOutcome::Declined:
        return 0;
    case runs::ScanOutcome::Completed:
        std::cout << formatText(_("Pictures: %d, pairs tested: %d, pairs recorded: %d"),
            {std::to_string(summary.pictureCount), std::to_string(summary.pairsTested),
                std::to_string(summary.pairsWritten)})
                  << '\n';
        return 0;
    case runs::ScanOutcome::Stopped:
        std::cerr << "vexaris-cli: "
                  << _("The scan was stopped; the next scan resumes after the last picture it finished.") << '\n';
        return kExitStopped;
    }
    return 0;
}

const bool registered = registerCommand({
    "scan",
    N_("NAME [--method M] [--threshold T] [--full] [--folder ID]... [--yes]"),
    N_("compare the pictures of a collection and record the duplicate pairs"),
    runScan,
});

} // namespace

} // namespace vexaris::cli
