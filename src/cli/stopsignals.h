#pragma once

namespace cli
{

// Holds Ctrl+C, SIGTERM and a closed terminal back, so that none lands in the middle of a file; the
// run asks between files whether one came, and the program then ends with it taken as its status. A
// broken pipe on the output does not end the program either: a write to it fails, and the run stops
// after the file in hand.
class StopSignals
{
public:
    StopSignals();

    bool requested();
    int signal() const { return m_signal; } // the signal that came, or 0

private:
    int m_signal = 0;
};

} // namespace cli
