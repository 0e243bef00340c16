#pragma once
#include "platform/local_clock.hpp"
#include "platform/window.hpp"
#include "platform/workers.hpp"
#include "timekeeping/calibration.hpp"
#include "timekeeping/clock_state.hpp"
#include "timekeeping/guard.hpp"
#include "timekeeping/network_time_source.hpp"

namespace lanqi {

// The services the display refresh, calibration and guard passes work with, in one record. It
// outlives every pass: the program keeps one for its whole run.
struct PassServices {
  ClockState& state;
  platform::Window& window;
  platform::LocalClock& clock;
  platform::Workers& workers;  // every pass runs on one of these, and waits through it
  NetworkTimeSource& network;
  GuardGate& guardGate;
};

// A tick of one of the clock timers starts its routine on a new worker thread and returns.
void StartTimerRoutine(PassServices& services, platform::Timer timer);

}  // namespace lanqi
