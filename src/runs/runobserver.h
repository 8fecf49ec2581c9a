// What a run engine asks of whoever shows it (a window, the terminal, a test): whether the user
// asked it to stop, and a chance to let pending events through at the points where the run
// allows it. Each run extends this with the progress it reports.
#pragma once

namespace vexaris::runs {

class RunObserver
{
public:
    virtual ~RunObserver() = default;

    // The Stop button's flag (or Ctrl-C on the terminal).
    virtual bool stopRequested() = 0;
    // Lets the window repaint and its Stop button be pressed; a no-op off the desktop.
    virtual void handlePendingMessages() = 0;
};

} // namespace vexaris::runs
