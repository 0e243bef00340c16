#pragma once

namespace lanqi {

// A calendar date and time of day in the layout of the Windows SYSTEMTIME record: what the local
// clock reads and is set to, what an HTTP date gives, and the parts of a DateTime.
struct CalendarTime {
  int year = 0;
  int month = 0;      // 1..12
  int dayOfWeek = 0;  // 0 = Sunday
  int day = 0;        // 1..31
  int hour = 0;
  int minute = 0;
  int second = 0;       // 0..60, a leap second kept where a source sends one
  int millisecond = 0;  // 0..999
  friend bool operator==(const CalendarTime&, const CalendarTime&) = default;
};

}  // namespace lanqi
