#pragma once
#include <cstdint>
#include <string>

#include "datetime/calendar_time.hpp"

namespace lanqi {

// A local date and time to the whole second, held as an automation date: days since
// 30 December 1899 00:00:00, the time of day as the fraction (for dates before that day the
// fraction still counts forward from midnight). 0 is a date-time that was never set.
struct DateTime {
  double days = 0.0;
  friend bool operator==(const DateTime&, const DateTime&) = default;
};

// Serial day numbers of the first and last representable days (1 January 100, 31 December 9999).
inline constexpr double kMinDateTimeDays = -657434.0;
inline constexpr double kMaxDateTimeDays = 2958465.0;

enum class TimeUnit : int {
  Year = 1,
  Quarter = 2,
  Month = 3,
  Week = 4,
  Day = 5,
  Hour = 6,
  Minute = 7,
  Second = 8
};

// Builds a date-time from parts, clamping each: year 100..9999, month 1..12, day 1..31 and then
// to the month's length, hour 0..23, minute and second 0..59.
DateTime DateTimeFromParts(int year = 1, int month = 1, int day = 1, int hour = 0, int minute = 0,
                           int second = 0);

// The parts of a value (milliseconds 0); a value beyond either end of the range is read as that
// end.
CalendarTime PartsOf(DateTime value);
int YearOf(DateTime value);

// Seconds since 30 December 1899 00:00:00 on a linear scale (negative before it), for
// differences and for times kept as a count; a value beyond either end of the range counts as
// that end.
std::int64_t LinearSecondsOf(DateTime value);
// The date-time a linear second count stands for, clamped to the range.
DateTime DateTimeFromLinearSeconds(std::int64_t seconds);

// Adds a signed amount of a unit (1 year ... 8 second; below 1 counts as 1, above 8 as 8).
// Month-based units keep the day of month, lowered to the target month's length.
DateTime AddToDateTime(DateTime value, int unit, std::int32_t amount);
inline DateTime AddToDateTime(DateTime value, TimeUnit unit, std::int32_t amount) {
  return AddToDateTime(value, static_cast<int>(unit), amount);
}

// "%d年%d月%d日" then "%d时%d分%d秒", "%d时%d分" or "%d时" depending on which parts are zero.
std::string DateTimeToText(DateTime value);

// The calendar reading as a date-time (milliseconds and day of the week ignored).
DateTime DateTimeFromCalendar(const CalendarTime& time);
// The date-time as a calendar reading with the given milliseconds.
CalendarTime CalendarFromDateTime(DateTime value, int millisecond);

// 28..31; month 1..12.
int DaysInMonth(int year, int month);

}  // namespace lanqi
