#pragma once

#include <functional>

namespace platform
{

// Lets the window process its pending events (repaint, input) and returns. Long loops call it often;
// it hands control to the event queue at most every 30 ms, so a loop over a million replacements pays
// for a clock read per call, not for a million event-queue visits. A visit repaints the status line
// and the results (about 0.6 ms here), 2 % of a run at that pace; input waits 30 ms at most.
void DoEvents();

// The same without the throttle: the events are processed now.
void DoEventsNow();

// Does `work` on a thread of its own and yields until it is done, for a wait the window cannot
// divide (the disk taking what a run wrote). Returns what `work` returned.
bool WaitYielding(const std::function<bool()>& work);

} // namespace platform
