#include "cli/interrupt.h"

#include <csignal>

namespace vexaris::cli {

namespace {

volatile std::sig_atomic_t s_interrupted = 0;

void onInterrupt(int)
{
    s_interrupted = 1;
}

} // namespace

InterruptAsStop::InterruptAsStop()
{
    s_interrupted = 0;
    struct sigaction action = {};
    action.sa_handler = onInterrupt;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESETHAND | SA_RESTART;
    sigaction(SIGINT, &action, &m_previous);
}

InterruptAsStop::~InterruptAsStop()
{
    sigaction(SIGINT, &m_previous, nullptr);
}

bool InterruptAsStop::requested()
{
    return s_interrupted != 0;
}

} // namespace vexaris::cli
