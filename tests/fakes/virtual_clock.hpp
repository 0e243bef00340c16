#pragma once
#include <atomic>
#include <cstdint>
#include <mutex>
#include <vector>

#include "datetime/date_time.hpp"
#include "platform/local_clock.hpp"

namespace lanqi::testing {

// A local clock that tests move by hand. Time is kept in milliseconds on the automation-date
// scale, so hours of the program's life pass in microseconds.
class VirtualClock final : public platform::LocalClock {
 public:
  explicit VirtualClock(DateTime start = DateTimeFromParts(2024, 2, 11, 10, 5, 3), int ms = 0)
      : nowMs_(ToMs(start) + ms) {}

  CalendarTime Now() const override {
    // A step moves the clock on by a millisecond after each read, as time passes between reads.
    const std::int64_t ms = stepOnRead_.load() ? nowMs_.fetch_add(1) : nowMs_.load();
    // A stall after this read: the process stood still while time went on.
    if (const std::int64_t stall = stallAfterNextRead_.exchange(0); stall > 0) {
      nowMs_.fetch_add(stall);
      tickMs_.fetch_add(static_cast<std::uint64_t>(stall));
      awakeMs_.fetch_add(static_cast<std::uint64_t>(stall));
    }
    return CalendarFromDateTime(FromMs(ms), static_cast<int>(((ms % 1000) + 1000) % 1000));
  }
  bool SetLocal(const CalendarTime& time) override {
    setCount_.fetch_add(1);
    const std::int64_t target = ToMs(DateTimeFromCalendar(time)) + time.millisecond;
    {
      std::lock_guard lock(setsMutex_);
      sets_.push_back({nowMs_.load(), target});
    }
    if (refuseSet_.load()) return false;
    nowMs_.store(target);
    return true;
  }
  std::uint64_t TickCountMs() const override { return tickMs_.load(); }
  std::uint64_t AwakeTickCountMs() const override { return awakeMs_.load(); }

  void Advance(std::int64_t ms) {
    nowMs_.fetch_add(ms);
    tickMs_.fetch_add(ms);
    awakeMs_.fetch_add(ms);
  }
  // The machine asleep: the wall clock and the tick count move on, the awake count does not.
  void Sleep(std::int64_t ms) {
    nowMs_.fetch_add(ms);
    tickMs_.fetch_add(ms);
  }
  // The process stalls for `ms` right after the next read of the wall clock.
  void StallAfterNextRead(std::int64_t ms) { stallAfterNextRead_.store(ms); }
  // Moves the wall clock only, as a user or another program setting the time would.
  void JumpWallClock(std::int64_t ms) { nowMs_.fetch_add(ms); }
  void SetWallClock(DateTime value, int ms = 0) { nowMs_.store(ToMs(value) + ms); }
  void RefuseSet(bool refuse) { refuseSet_.store(refuse); }
  void StepOnEveryRead(bool step) { stepOnRead_.store(step); }
  int SetCount() const { return setCount_.load(); }
  // Every attempt to set the clock, granted or refused: the wall clock before it and the target.
  struct SetAttempt {
    std::int64_t wallMsBefore;
    std::int64_t targetMs;
  };
  std::vector<SetAttempt> SetAttempts() const {
    std::lock_guard lock(setsMutex_);
    return sets_;
  }
  DateTime WallClock() const { return FromMs(nowMs_.load()); }
  std::int64_t WallClockMs() const { return nowMs_.load(); }

  // Milliseconds since 30 December 1899 00:00:00, and back (whole seconds, rounded down).
  static std::int64_t ToMs(DateTime value) { return LinearSecondsOf(value) * 1000; }
  static DateTime FromMs(std::int64_t ms) {
    return DateTimeFromLinearSeconds((ms >= 0 ? ms : ms - 999) / 1000);
  }

 private:
  mutable std::atomic<std::int64_t> nowMs_;
  std::atomic<bool> stepOnRead_{false};
  mutable std::atomic<std::uint64_t> tickMs_{1000000};
  mutable std::atomic<std::uint64_t> awakeMs_{900000};
  mutable std::atomic<std::int64_t> stallAfterNextRead_{0};
  std::atomic<bool> refuseSet_{false};
  std::atomic<int> setCount_{0};
  mutable std::mutex setsMutex_;
  std::vector<SetAttempt> sets_;
};

}  // namespace lanqi::testing
