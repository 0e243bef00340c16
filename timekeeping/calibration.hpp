#pragma once
#include <cstdint>

namespace lanqi {

struct PassServices;

inline constexpr std::int64_t kMinCalibrationSpacingMs = 180000;
inline constexpr std::int64_t kBehindLastGoodToleranceMs = 3000;
inline constexpr int kEarliestAcceptedYear = 2021;
inline constexpr int kFailuresBeforeForcedAcceptance = 3;
inline constexpr int kCalibrationPeriodMs = 1800000;
inline constexpr int kRetryAfterRejectionMs = 3000;
inline constexpr int kRetryWhenUnreachableMs = 10000;
inline constexpr int kWaitBeforeGuardMs = 3000;
// A reading's Date was written somewhere between the request and the answer; a fetch that took
// longer than this (a slow link, a process held up) leaves the reading too uncertain to set the
// clock by. Healthy fetches take well under a second.
inline constexpr std::uint64_t kLongestTrustedFetchMs = 5000;
// Sleep across a fetch shows as the tick count (which counts it) running ahead of the awake
// count (which does not). Their resolutions differ by some tens of milliseconds, hence a margin.
inline constexpr std::uint64_t kSleepDuringFetchToleranceMs = 500;

// Logs the start-up line and starts the first calibration pass on a worker thread.
void FirstCalibration(PassServices& services);
// One calibration against the network time; runs on a worker thread of its own.
void CalibrationPass(PassServices& services);

}  // namespace lanqi
