#include "timekeeping/local_time.hpp"

namespace lanqi {

DateTime CurrentLocalTime(const platform::LocalClock& clock) {
  return DateTimeFromCalendar(clock.Now());
}

std::int64_t 岚栖_时间转毫秒(DateTime value, const platform::LocalClock& clock) {
  // The count starts 366 days before 1 January of year 1, so that every date-time gives a
  // positive count: a zero "last calibration" always lies far enough back.
  constexpr std::int64_t kDaysBeforeSerialZero = 693959;  // to 30 December 1899
  const std::int64_t seconds = LinearSecondsOf(value) + kDaysBeforeSerialZero * 86400;
  return seconds * 1000 + clock.Now().millisecond;
}

}  // namespace lanqi
