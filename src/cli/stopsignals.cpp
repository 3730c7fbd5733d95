#include "cli/stopsignals.h"

#include <ctime>

namespace cli
{

StopSignals::StopSignals()
{
    sigemptyset(&m_held);
    sigaddset(&m_held, SIGINT);
    sigaddset(&m_held, SIGTERM);
    sigprocmask(SIG_BLOCK, &m_held, &m_before);
    std::signal(SIGPIPE, SIG_IGN);
}

StopSignals::~StopSignals()
{
    // A signal that came is taken, so that restoring the mask does not end the program before it has
    // said how the run ended.
    requested();
    sigprocmask(SIG_SETMASK, &m_before, nullptr);
}

bool StopSignals::requested()
{
    if (m_signal == 0) {
        const timespec now {};
        const int taken = sigtimedwait(&m_held, nullptr, &now);
        if (taken > 0)
            m_signal = taken;
    }
    return m_signal != 0;
}

} // namespace cli
