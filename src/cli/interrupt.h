// Ctrl-C as the Stop button of a run on the terminal.
#pragma once

#include <signal.h>

namespace vexaris::cli {

// While an instance lives, the first Ctrl-C only asks the run to stop; the handler resets itself,
// so the default action is back in place for a second Ctrl-C, which ends the program at once.
class InterruptAsStop
{
public:
    InterruptAsStop();
    ~InterruptAsStop();
    InterruptAsStop(const InterruptAsStop &) = delete;
    InterruptAsStop &operator=(const InterruptAsStop &) = delete;

    static bool requested();

private:
    struct sigaction m_previous = {};
};

} // namespace vexaris::cli
