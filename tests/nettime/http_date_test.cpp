#include "nettime/http_date.hpp"

#include <gtest/gtest.h>

namespace lanqi {
namespace {

CalendarTime Parts(int year, int month, int dayOfWeek, int day, int hour, int minute, int second) {
  return CalendarTime{year, month, dayOfWeek, day, hour, minute, second, 0};
}

TEST(HttpDate, ReadsTheThreeFormsWithBlanksAround) {
  struct Case {
    const char* text;
    CalendarTime expected;
  };
  const Case cases[] = {
      {"Sun, 06 Nov 1994 08:49:37 GMT", Parts(1994, 11, 0, 6, 8, 49, 37)},
      {" Tue, 15 Nov 1994 08:12:31 GMT", Parts(1994, 11, 2, 15, 8, 12, 31)},
      {"\t Thu, 29 Feb 2024 23:00:00 GMT  ", Parts(2024, 2, 4, 29, 23, 0, 0)},
      {"Wed, 31 Dec 2025 20:30:05 GMT", Parts(2025, 12, 3, 31, 20, 30, 5)},
      {"Sat, 31 Dec 2016 23:59:60 GMT", Parts(2016, 12, 6, 31, 23, 59, 60)},  // leap second
      {"Sunday, 06-Nov-94 08:49:37 GMT", Parts(1994, 11, 0, 6, 8, 49, 37)},
      {" Monday, 01-Jan-24 00:00:01 GMT", Parts(2024, 1, 1, 1, 0, 0, 1)},
      {"Friday, 31-Dec-69 12:00:00 GMT", Parts(2069, 12, 5, 31, 12, 0, 0)},
      {"Thursday, 01-Jan-70 00:00:00 GMT", Parts(1970, 1, 4, 1, 0, 0, 0)},
      {"Sun Nov  6 08:49:37 1994", Parts(1994, 11, 0, 6, 8, 49, 37)},
      {" Fri Nov 16 18:09:07 2029", Parts(2029, 11, 5, 16, 18, 9, 7)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(ReadHttpDate(c.text), c.expected);
  }
}

TEST(HttpDate, AnythingElseLeavesEveryPartZero) {
  const char* const texts[] = {
      "",
      " ",
      "xx",
      "Tue, 15 Nov 1994 08:12:31",        // no zone
      "Tue, 15 Nov 1994 08:12:31 UTC",    // another zone
      "Tue, 15 Nov 1994 08:12:31 GMT x",  // trailing text
      "tue, 15 nov 1994 08:12:31 gmt",    // names are case-sensitive
      "Tue, 5 Nov 1994 08:12:31 GMT",     // one-digit day in the fixed form
      "Tue, 15 Nov 94 08:12:31 GMT",      // two-digit year in the fixed form
      "Tue, 15 Nox 1994 08:12:31 GMT",    // no such month
      "Tue, 31 Nov 1994 08:12:31 GMT",    // no such day
      "Thu, 29 Feb 2023 08:12:31 GMT",    // not a leap year
      "Tue, 00 Nov 1994 08:12:31 GMT",
      "Tue, 15 Nov 1994 24:00:00 GMT",
      "Tue, 15 Nov 1994 08:60:00 GMT",
      "Tue, 15 Nov 1994 08:12:61 GMT",
      "Tue, 15 Nov 1994 08:12 GMT",
      "Tue, 15 Nov 1994 8:12:31 GMT",
      "Tuesday, 15-Nov-1994 08:12:31 GMT",  // four-digit year in the RFC 850 form
      "Tue, 15-Nov-94 08:12:31 GMT",
      "Sun Nov 6 08:49:37 1994",  // asctime day needs its blank
      "Sun Nov  6 08:49:37 94",
      "Sun Nov  6 08:49:37 1994 GMT",
      "Tue, 15 Nov 1994 08:12:31 GMT\r\n",
      "Tue,\x00 15 Nov 1994",
  };
  for (const char* text : texts) {
    SCOPED_TRACE(text);
    EXPECT_EQ(ReadHttpDate(text), CalendarTime{});
  }
}

}  // namespace
}  // namespace lanqi
