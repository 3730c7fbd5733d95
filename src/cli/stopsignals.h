#pragma once

#include <csignal>

namespace cli
{

// Holds Ctrl+C (SIGINT) and SIGTERM back while it lives, so that neither lands in the middle of a
// file; the run asks between files whether one came. A broken pipe on the output does not end the
// program either: a write to it fails, and the run stops after the file in hand.
class StopSignals
{
public:
    StopSignals();
    ~StopSignals();
    StopSignals(const StopSignals&) = delete;
    StopSignals& operator=(const StopSignals&) = delete;

    bool requested();
    int signal() const { return m_signal; } // the signal that came, or 0

private:
    sigset_t m_held;
    sigset_t m_before;
    int m_signal = 0;
};

} // namespace cli
