// What `vexaris-cli update` shows while it runs: one progress line over the whole run, however
// many folders the collection has. The files of folders not yet listed are guessed at the
// average of those listed so far, so the bar and the time left cover the run, not the folder.
#pragma once

#include "cli/progressline.h"
#include "runs/runobserver.h"

namespace vexaris::cli {

class UpdateRunProgress : public runs::RunObserver
{
public:
    UpdateRunProgress();

    // A Ctrl-C pressed before the run began still means stop: the request is never cleared.
    bool stopRequested() override;
    void handlePendingMessages() override { }
    void progress(const runs::RunProgress &progress) override;

    // Takes the line off the screen before other output follows.
    void finish() { m_line.clear(); }

private:
    void draw(bool force);

    ProgressLine m_line;
    int m_folderCount = 0;
    int m_foldersDone = 0;
    // Files listed in the finished folders, and in the current one.
    int m_filesInDoneFolders = 0;
    int m_fileCount = 0;
    int m_filesDone = 0;
};

} // namespace vexaris::cli
