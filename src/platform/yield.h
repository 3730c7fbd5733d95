#pragma once

namespace platform
{

// Lets the window process its pending events (repaint, input) and returns. Long loops call it often;
// it hands control to the event queue at most every few milliseconds, so a loop over a million
// replacements pays for a clock read per call, not for a million event-queue visits.
void DoEvents();

// The same without the throttle: the events are processed now.
void DoEventsNow();

} // namespace platform
