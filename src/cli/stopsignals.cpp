#include "cli/stopsignals.h"

#include "termination/termination.h"

#include <csignal>

namespace cli
{

StopSignals::StopSignals()
{
    termination::blockCloseSignals();
    std::signal(SIGPIPE, SIG_IGN);
}

bool StopSignals::requested()
{
    if (m_signal == 0)
        m_signal = termination::pendingCloseSignal();
    return m_signal != 0;
}

} // namespace cli
