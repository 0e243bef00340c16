#pragma once
#include <string_view>

#include "datetime/calendar_time.hpp"

namespace lanqi {

// Reads an HTTP date in any of its three forms:
//   IMF-fixdate  "Sun, 06 Nov 1994 08:49:37 GMT"
//   RFC 850      "Sunday, 06-Nov-94 08:49:37 GMT"  (two-digit years 70..99 are 19xx, else 20xx)
//   asctime      "Sun Nov  6 08:49:37 1994"
// with blanks (space, tab) allowed before and after. Names are case-sensitive. Anything else,
// including a date that does not exist, leaves every part zero: an unreadable text must never
// pass for a reading.
CalendarTime ReadHttpDate(std::string_view text);

}  // namespace lanqi
