// What `vexaris-cli scan` shows while it runs: one progress line of the pictures whose
// comparisons are done, and the scan's messages as lines of standard output, each printed once
// the line is off the screen.
#pragma once

#include <string>

#include "cli/progressline.h"
#include "runs/runobserver.h"

namespace vexaris::cli {

class ScanRunProgress : public runs::RunObserver
{
public:
    ScanRunProgress();

    bool stopRequested() override;
    void handlePendingMessages() override { }
    void progress(const runs::RunProgress &progress) override;

    void printLine(const std::string &text);
    void clearProgress() { m_line.clear(); }

private:
    ProgressLine m_line;
};

} // namespace vexaris::cli
