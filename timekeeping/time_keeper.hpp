#pragma once
#include "platform/local_clock.hpp"
#include "platform/window.hpp"
#include "platform/workers.hpp"
#include "timekeeping/clock_state.hpp"
#include "timekeeping/network_time_source.hpp"

namespace lanqi {

// Everything the calibration and guard passes work with. It outlives every pass: the program
// keeps one for its whole run.
struct TimeKeeper {
  ClockState& state;
  platform::Window& window;
  platform::LocalClock& clock;
  platform::Workers& workers;  // every pass runs on one of these, and waits through it
  NetworkTimeSource& network;
};

// Calibration constants.
inline constexpr std::int64_t kMinCalibrationSpacingMs = 180000;
inline constexpr std::int64_t kBehindLastGoodToleranceMs = 3000;
inline constexpr int kEarliestAcceptedYear = 2021;
inline constexpr int kFailuresBeforeForcedAcceptance = 3;
inline constexpr int kCalibrationPeriodMs = 1800000;
inline constexpr int kRetryAfterRejectionMs = 3000;
inline constexpr int kRetryWhenUnreachableMs = 10000;
inline constexpr int kWaitBeforeGuardMs = 3000;
inline constexpr int kGuardPeriodMs = 1000;
// A reading's Date was written somewhere between the request and the answer; a fetch that took
// longer than this (a slow link, a process held up) leaves the reading too uncertain to set the
// clock by. Healthy fetches take well under a second.
inline constexpr std::uint64_t kLongestTrustedFetchMs = 5000;
// Sleep across a fetch shows as the tick count (which counts it) running ahead of the awake
// count (which does not). Their resolutions differ by some tens of milliseconds, hence a margin.
inline constexpr std::uint64_t kSleepDuringFetchToleranceMs = 500;
// Guard constants.
inline constexpr std::int64_t kGuardToleranceMs = 2000;
inline constexpr int kRepairLeadSeconds = 1;
// The guard reads the tick count on both sides of the wall clock; a gap wider than this means
// the process stalled between them (a page-in, CPU starvation), and the pass is skipped rather
// than the stall taken for drift.
inline constexpr std::uint64_t kGuardLongestReadMs = 300;

// Logs the start-up line and starts the first calibration pass on a worker thread.
void FirstCalibration(TimeKeeper& keeper);
// One calibration against the network time; runs on a worker thread of its own.
void CalibrationPass(TimeKeeper& keeper);
// One comparison of the system clock with the correct time, repairing it when more than two
// seconds off; runs on a worker thread of its own.
void GuardPass(TimeKeeper& keeper);

// A tick of one of the clock timers starts its routine on a new worker thread and returns.
void StartTimerRoutine(TimeKeeper& keeper, platform::Timer timer);

}  // namespace lanqi
