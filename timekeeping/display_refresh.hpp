#pragma once
#include "platform/local_clock.hpp"
#include "platform/window.hpp"
#include "timekeeping/clock_state.hpp"

namespace lanqi {

// One tick of the display timer: shows the system time, advances the standard time by the whole
// seconds elapsed on the tick count since it was last advanced (one for a tick on time, more for
// late or lost ticks; a change of the system clock does not move it) and derives the correct time
// from it and the offset.
void RefreshClockDisplay(ClockState& state, platform::Window& window,
                         const platform::LocalClock& clock);

}  // namespace lanqi
