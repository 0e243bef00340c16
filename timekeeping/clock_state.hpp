#pragma once
#include <atomic>
#include <cstdint>
#include <mutex>
#include <optional>

#include "datetime/date_time.hpp"

namespace lanqi {

namespace testing {
struct ClockStatePeer;
}

// The standard and correct times as the display refresh leaves them.
struct ClockReading {
  DateTime standard;
  DateTime correct;
};

// The program's own clock, shared by the display refresh, the calibration and guard passes.
// Each value is read and written whole: the single values are atomics, and readers never wait.
//
// The standard time moves on by the time elapsed on the tick count, not by the number of display
// ticks: ticks come late, are merged by a busy message queue and stop while the PC sleeps. So the
// standard time is kept together with its anchor, the tick count at which it was last set or
// advanced, and the correct time with the anchor it was derived at. Both pairs live under one
// small lock so that overlapping refreshes never count the same elapsed time twice; the lock
// guards only these pairs and nothing is called while it is held.
struct ClockState {
  std::atomic<std::int32_t> offsetSeconds{0};
  std::atomic<DateTime> lastGoodTime{DateTime{}};
  std::atomic<std::int64_t> lastCalibrationMs{0};
  std::atomic<bool> clockJustSet{false};
  std::atomic<std::int32_t> calibrationFailures{0};
  // A calibration pass is running; another one that starts meanwhile ends at once.
  std::atomic<bool> calibrating{false};

  // The correct time as the last refresh (or setting) left it.
  DateTime CorrectTime() const;

  // Sets the standard time as holding at the given tick count (start-up, accepted readings).
  void SetStandardTime(DateTime value, std::uint64_t tickMs);

  // The display refresh: adds to the standard time the whole seconds elapsed on the tick count
  // since its anchor, rounded to the nearest second, and moves the anchor on by exactly those
  // seconds, so the remainder (either sign) counts at the next refresh. Nothing is added when no
  // time has passed or the anchor is ahead (an overlapping refresh got there first). A standard
  // time never set is anchored here. Then derives the correct time from the standard time and
  // the offset, anchored alike.
  ClockReading AdvanceStandardTime(std::uint64_t tickMs);

  // A new offset comes in force at once: the correct time of the last refresh moves with it, so
  // that a guard pass before the next refresh already holds the clock to the new time. Another
  // copy of the program that takes the offset from the shared file may run its guard first; if
  // this copy's guard went on with the old time, the two would set the clock back and forth.
  void SetOffset(std::int32_t seconds);

  // The correct time of the last refresh moved on by the whole seconds (rounded down, never
  // negative) elapsed since then, which that refresh has not added yet: what the guard holds
  // the system clock to, even when it runs before a late refresh has caught up.
  DateTime CorrectTimeAt(std::uint64_t tickMs) const;

 private:
  // The tests read the standard time as the last refresh (or setting) left it.
  friend struct testing::ClockStatePeer;

  mutable std::mutex anchorMutex_;
  DateTime standardTime_{};
  std::optional<std::uint64_t> standardAnchorMs_;
  DateTime correctTime_{};
  std::optional<std::uint64_t> correctAnchorMs_;
};

static_assert(std::atomic<DateTime>::is_always_lock_free);

}  // namespace lanqi
