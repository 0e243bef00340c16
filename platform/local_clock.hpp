#pragma once
#include <cstdint>

#include "datetime/calendar_time.hpp"

namespace lanqi::platform {

// The machine's local clock and its tick counter.
class LocalClock {
 public:
  virtual ~LocalClock() = default;
  // Local wall-clock time now, with its millisecond part.
  virtual CalendarTime Now() const = 0;
  // Sets the machine's local time; false when the system refuses (no right, invalid date).
  virtual bool SetLocal(const CalendarTime& time) = 0;
  // Milliseconds since an arbitrary start (the system's start), 64 bits wide so it never wraps
  // in practice. It keeps counting while the machine sleeps or hibernates: the program's own
  // clock is advanced by it, so a night asleep must count as the night. Differences are taken
  // by unsigned subtraction, which stays right across a wrap all the same.
  virtual std::uint64_t TickCountMs() const = 0;
  // Milliseconds since an arbitrary start that stand still while the machine sleeps or
  // hibernates. Beside TickCountMs it tells how much of an interval the machine spent asleep.
  virtual std::uint64_t AwakeTickCountMs() const = 0;
};

}  // namespace lanqi::platform
