#include "timekeeping/local_time.hpp"

namespace lanqi {

DateTime CurrentLocalTime(const platform::LocalClock& clock) {
  return DateTimeFromCalendar(clock.Now());
}

std::int64_t 岚栖_时间转毫秒(DateTime value, const platform::LocalClock& clock) {
  const CalendarTime p = PartsOf(value);
  const std::int64_t y = p.year;
  const std::int64_t leapYears = (y - 1) / 4 - (y - 1) / 100 + (y - 1) / 400;
  std::int64_t monthDays = 0;
  for (int month = 1; month < p.month; ++month) monthDays += DaysInMonth(p.year, month);
  const std::int64_t days = 365 * y + leapYears + monthDays + p.day;
  const std::int64_t seconds = ((days * 24 + p.hour) * 60 + p.minute) * 60 + p.second;
  return seconds * 1000 + clock.Now().millisecond;
}

}  // namespace lanqi
