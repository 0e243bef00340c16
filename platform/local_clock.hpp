#pragma once
#include <cstdint>

namespace lanqi::platform {

// A calendar reading of the local clock, laid out like the Windows SYSTEMTIME record.
struct CalendarTime {
  int year = 0;
  int month = 0;      // 1..12
  int dayOfWeek = 0;  // 0 = Sunday
  int day = 0;        // 1..31
  int hour = 0;
  int minute = 0;
  int second = 0;
  int millisecond = 0;  // 0..999
};

// The machine's local clock and its tick counter.
class LocalClock {
 public:
  virtual ~LocalClock() = default;
  // Local wall-clock time now, with its millisecond part.
  virtual CalendarTime Now() const = 0;
  // Sets the machine's local time; false when the system refuses (no right, invalid date).
  virtual bool SetLocal(const CalendarTime& time) = 0;
  // Milliseconds since an arbitrary start, wrapping at 2^32 like GetTickCount.
  virtual std::uint32_t TickCountMs() const = 0;
};

}  // namespace lanqi::platform
