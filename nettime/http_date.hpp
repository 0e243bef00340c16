#pragma once
#include <cstdint>
#include <string_view>

namespace lanqi {

// Calendar parts in the layout of the Windows SYSTEMTIME record.
struct CalendarParts {
  std::uint16_t year = 0;
  std::uint16_t month = 0;      // 1..12
  std::uint16_t dayOfWeek = 0;  // 0 = Sunday
  std::uint16_t day = 0;
  std::uint16_t hour = 0;
  std::uint16_t minute = 0;
  std::uint16_t second = 0;  // 0..60, a leap second kept as sent
  std::uint16_t milliseconds = 0;
  friend bool operator==(const CalendarParts&, const CalendarParts&) = default;
};

// Reads an HTTP date in any of its three forms:
//   IMF-fixdate  "Sun, 06 Nov 1994 08:49:37 GMT"
//   RFC 850      "Sunday, 06-Nov-94 08:49:37 GMT"  (two-digit years 70..99 are 19xx, else 20xx)
//   asctime      "Sun Nov  6 08:49:37 1994"
// with blanks (space, tab) allowed before and after. Names are case-sensitive. Anything else,
// including a date that does not exist, leaves every part zero: an unreadable text must never
// pass for a reading.
CalendarParts ReadHttpDate(std::string_view text);

}  // namespace lanqi
