// vexaris-cli update NAME: the thumbnail update run of one collection on the terminal. Ctrl-C
// plays the Stop button; a second Ctrl-C ends the program at once.
#include <chrono>
#include <cmath>
#include <cstdio>
#include <iostream>
#include <string>

#include <sys/ioctl.h>
#include <unistd.h>

#include "cli/command.h"
#include "cli/interrupt.h"
#include "common/error.h"
#include "i18n/translate.h"
#include "log/processinglog.h"
#include "runs/thumbnailrun.h"
#include "settings/settingsstore.h"
#include "store/data.h"
#include "store/folderlist.h"

namespace vexaris::cli {

namespace {

std::string fraction(int done, int count)
{
    return std::to_string(done) + "/" + std::to_string(count);
}

std::string duration(double seconds)
{
    const long total = std::lround(seconds);
    char text[32];
    if (total >= 3600)
        std::snprintf(text, sizeof text, "%ld:%02ld:%02ld", total / 3600, total / 60 % 60, total % 60);
    else
        std::snprintf(text, sizeof text, "%ld:%02ld", total / 60, total % 60);
    return text;
}

int terminalColumns()
{
    winsize size = {};
    if (ioctl(STDERR_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 0)
        return size.ws_col;
    return 80;
}

// A progress bar redrawn in place on a terminal; one line per finished folder otherwise.
class TerminalObserver : public runs::RunObserver
{
public:
    explicit TerminalObserver(bool terminal)
        : m_terminal(terminal)
        , m_start(Clock::now())
    {
    }

    // A Ctrl-C pressed before the run began still means stop: the request is never cleared.
    bool stopRequested() override { return InterruptAsStop::requested(); }
    void handlePendingMessages() override { }

    void progress(const runs::RunProgress &progress) override
    {
        using Stage = runs::RunProgress::Stage;
        switch (progress.stage) {
        case Stage::FolderProgress:
            folderProgress(progress.done, progress.total);
            break;
        case Stage::FolderStarted:
            folderStarted(progress.path);
            break;
        case Stage::FilesCounted:
            m_fileCount = progress.total;
            break;
        case Stage::FileDone:
            fileDone(progress.done, progress.total);
            break;
        default:
            break;
        }
    }

    // Takes the progress line off the screen before other output follows.
    void finish()
    {
        if (m_terminal && m_drawn)
            std::cerr << "\r\033[K" << std::flush;
    }

private:
    using Clock = std::chrono::steady_clock;

    void folderProgress(int position, int maximum)
    {
        m_foldersDone = position;
        m_folderCount = maximum;
        if (position == 0)
            return;
        m_filesInDoneFolders += m_fileCount;
        if (m_terminal) {
            draw(true);
        } else {
            std::cerr << formatText(
                _("Folder %s: %s (%s files)"), {fraction(position, maximum), m_folderPath, std::to_string(m_fileCount)})
                      << std::endl;
        }
    }

    void folderStarted(const QString &folderPath)
    {
        m_folderPath = folderPath.toStdString();
        m_fileCount = 0;
        m_filesDone = 0;
        if (m_terminal)
            draw(true);
    }

    void fileDone(int index, int fileCount)
    {
        m_filesDone = index + 1;
        m_fileCount = fileCount;
        ++m_filesTotal;
        if (m_terminal)
            draw(false);
    }

    void draw(bool always)
    {
        const Clock::time_point now = Clock::now();
        if (!always && m_drawn && now - m_lastDraw < std::chrono::milliseconds(100))
            return;
        m_lastDraw = now;
        m_drawn = true;

        const double elapsed = std::chrono::duration<double>(now - m_start).count();
        const double rate = elapsed > 0 ? m_filesTotal / elapsed : 0;
        std::string left = "--:--";
        if (rate > 0 && m_filesTotal >= 2) {
            // Folders not yet listed are guessed at the average size of those seen so far.
            const int foldersSeen = m_foldersDone + 1;
            const double perFolder = double(m_filesInDoneFolders + m_fileCount) / foldersSeen;
            const double remaining = (m_fileCount - m_filesDone) + perFolder * std::max(0, m_folderCount - foldersSeen);
            left = duration(remaining / rate);
        }
        constexpr int kBarWidth = 20;
        const int filled = m_fileCount > 0 ? kBarWidth * m_filesDone / m_fileCount : 0;
        char rateText[32];
        std::snprintf(rateText, sizeof rateText, "%.1f", rate);
        std::string line = "[" + std::string(static_cast<size_t>(filled), '#')
            + std::string(static_cast<size_t>(kBarWidth - filled), '.') + "] "
            + formatText(_("folders %s  files %s  %s files/s  %s left"),
                {fraction(m_foldersDone, m_folderCount), fraction(m_filesDone, m_fileCount), rateText, left});
        const size_t columns = static_cast<size_t>(terminalColumns() - 1);
        if (line.size() > columns)
            line.resize(columns);
        std::cerr << "\r\033[K" << line << std::flush;
    }

    bool m_terminal;
    Clock::time_point m_start;
    Clock::time_point m_lastDraw;
    bool m_drawn = false;
    std::string m_folderPath;
    int m_folderCount = 0;
    int m_foldersDone = 0;
    int m_fileCount = 0;
    int m_filesDone = 0;
    int m_filesTotal = 0;
    int m_filesInDoneFolders = 0;
};

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
    loadCollection(session, name);

    log::ProcessingLog processingLog;
    const qsizetype noted = processingLog.lineCount();
    TerminalObserver observer(isatty(STDERR_FILENO) != 0);
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
    N_("read new and changed pictures of a collection and forget the files that are gone"), runUpdate});

} // namespace

} // namespace vexaris::cli
