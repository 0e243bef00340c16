#pragma once
#include <atomic>
#include <cstdint>

#include "timekeeping/date_time.hpp"

namespace lanqi {

// The program's own clock, shared by the display refresh, the calibration and guard passes
// without a lock: each value is an atomic, so it is always read and written whole.
struct ClockState {
  std::atomic<DateTime> standardTime{DateTime{}};
  std::atomic<std::int32_t> offsetSeconds{0};
  std::atomic<DateTime> correctTime{DateTime{}};
  std::atomic<DateTime> lastGoodTime{DateTime{}};
  std::atomic<std::int64_t> lastCalibrationMs{0};
  std::atomic<bool> clockJustSet{false};
  std::atomic<std::int32_t> calibrationFailures{0};
};

static_assert(std::atomic<DateTime>::is_always_lock_free);

}  // namespace lanqi
