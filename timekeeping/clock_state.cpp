#include "timekeeping/clock_state.hpp"

#include <algorithm>

namespace lanqi {
namespace {

// Milliseconds from `anchor` to `now` on the tick count. Unsigned subtraction stays right across
// a wrap of the counter; a result that reads as negative means the anchor is ahead.
std::int64_t ElapsedMs(std::uint64_t anchor, std::uint64_t now) {
  return static_cast<std::int64_t>(now - anchor);
}

// AddToDateTime takes 32-bit amounts; a gap of any length goes in as days, then seconds.
DateTime AddSeconds(DateTime value, std::int64_t seconds) {
  constexpr std::int64_t kSecondsPerDay = 86400;
  const std::int64_t days = std::clamp<std::int64_t>(seconds / kSecondsPerDay, -4000000, 4000000);
  const auto rest = static_cast<std::int32_t>(seconds % kSecondsPerDay);
  return AddToDateTime(AddToDateTime(value, TimeUnit::Day, static_cast<std::int32_t>(days)),
                       TimeUnit::Second, rest);
}

}  // namespace

DateTime ClockState::CorrectTime() const {
  std::lock_guard lock(anchorMutex_);
  return correctTime_;
}

void ClockState::SetStandardTime(DateTime value, std::uint64_t tickMs) {
  std::lock_guard lock(anchorMutex_);
  standardTime_ = value;
  standardAnchorMs_ = tickMs;
}

ClockReading ClockState::AdvanceStandardTime(std::uint64_t tickMs) {
  std::lock_guard lock(anchorMutex_);
  if (!standardAnchorMs_) standardAnchorMs_ = tickMs;
  const std::int64_t elapsed = ElapsedMs(*standardAnchorMs_, tickMs);
  // Rounded to the nearest second: the display timer starts counting just before the start-up
  // anchors the standard time, so its first tick comes a few milliseconds short of a second.
  const std::int64_t seconds = elapsed > 0 ? (elapsed + 500) / 1000 : 0;
  if (seconds > 0) {
    standardTime_ = AddSeconds(standardTime_, seconds);
    *standardAnchorMs_ += static_cast<std::uint64_t>(seconds) * 1000u;
  }
  correctTime_ = AddToDateTime(standardTime_, TimeUnit::Second, offsetSeconds.load());
  correctAnchorMs_ = standardAnchorMs_;
  return {standardTime_, correctTime_};
}

void ClockState::SetOffset(std::int32_t seconds) {
  std::lock_guard lock(anchorMutex_);
  const std::int32_t before = offsetSeconds.exchange(seconds);
  correctTime_ = AddSeconds(correctTime_, std::int64_t{seconds} - before);
}

DateTime ClockState::CorrectTimeAt(std::uint64_t tickMs) const {
  std::lock_guard lock(anchorMutex_);
  if (!correctAnchorMs_) return correctTime_;
  const std::int64_t elapsed = ElapsedMs(*correctAnchorMs_, tickMs);
  return elapsed >= 1000 ? AddSeconds(correctTime_, elapsed / 1000) : correctTime_;
}

}  // namespace lanqi
