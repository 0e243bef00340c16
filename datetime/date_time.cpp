#include "datetime/date_time.hpp"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace lanqi {
namespace {

constexpr std::int64_t kSecondsPerDay = 86400;

bool IsLeapYear(int year) {
  return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

// Days from 1970-01-01 to a civil date (proleptic Gregorian), after H. Hinnant.
std::int64_t DaysFromCivil(std::int64_t y, unsigned m, unsigned d) {
  y -= m <= 2;
  const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

void CivilFromDays(std::int64_t z, int& year, int& month, int& day) {
  z += 719468;
  const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const unsigned doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  year = static_cast<int>(static_cast<std::int64_t>(yoe) + era * 400 + (month <= 2));
}

// 30 December 1899 counted from 1970-01-01.
const std::int64_t kOleEpochDays = DaysFromCivil(1899, 12, 30);

constexpr std::int64_t kMinSeconds = static_cast<std::int64_t>(kMinDateTimeDays) * kSecondsPerDay;
constexpr std::int64_t kMaxSeconds = static_cast<std::int64_t>(kMaxDateTimeDays) * kSecondsPerDay;

// A linear second count as its day number (floor) and the seconds since that day's midnight.
struct DayAndTime {
  std::int64_t day;
  std::int64_t timeOfDay;
};
DayAndTime SplitDays(std::int64_t seconds) {
  DayAndTime split{seconds / kSecondsPerDay, seconds % kSecondsPerDay};
  if (split.timeOfDay < 0) {
    split.timeOfDay += kSecondsPerDay;
    --split.day;
  }
  return split;
}

std::int64_t LinearFromParts(const CalendarTime& p) {
  const std::int64_t day =
      DaysFromCivil(p.year, static_cast<unsigned>(p.month), static_cast<unsigned>(p.day)) -
      kOleEpochDays;
  return day * kSecondsPerDay + p.hour * 3600 + p.minute * 60 + p.second;
}

CalendarTime PartsFromLinear(std::int64_t seconds) {
  const auto [day, timeOfDay] = SplitDays(seconds);
  CalendarTime parts;
  CivilFromDays(day + kOleEpochDays, parts.year, parts.month, parts.day);
  // 30 December 1899 was a Saturday (6).
  parts.dayOfWeek = static_cast<int>(((day + 6) % 7 + 7) % 7);
  parts.hour = static_cast<int>(timeOfDay / 3600);
  parts.minute = static_cast<int>(timeOfDay / 60 % 60);
  parts.second = static_cast<int>(timeOfDay % 60);
  return parts;
}

DateTime AddMonths(DateTime value, std::int64_t months) {
  CalendarTime parts = PartsOf(value);
  const std::int64_t index =
      static_cast<std::int64_t>(parts.year) * 12 + (parts.month - 1) + months;
  const std::int64_t year = index >= 0 ? index / 12 : (index - 11) / 12;
  if (year < 100) return DateTimeFromLinearSeconds(kMinSeconds);
  if (year > 9999) return DateTimeFromLinearSeconds(kMaxSeconds);
  parts.year = static_cast<int>(year);
  parts.month = static_cast<int>(index - year * 12) + 1;
  parts.day = std::min(parts.day, DaysInMonth(parts.year, parts.month));
  return DateTimeFromLinearSeconds(LinearFromParts(parts));
}

}  // namespace

// The clamp is made on the linear scale: before 1899 a larger time of day is a more negative
// serial number.
std::int64_t LinearSecondsOf(DateTime value) {
  double days = value.days;
  if (std::isnan(days)) days = 0.0;
  days = std::clamp(days, kMinDateTimeDays - 1.0, kMaxDateTimeDays + 1.0);
  const double whole = std::trunc(days);
  const double fraction = std::fabs(days - whole);
  const std::int64_t seconds = static_cast<std::int64_t>(whole) * kSecondsPerDay +
                               std::llround(fraction * static_cast<double>(kSecondsPerDay));
  return std::clamp(seconds, kMinSeconds, kMaxSeconds);
}

DateTime DateTimeFromLinearSeconds(std::int64_t seconds) {
  const auto [day, timeOfDay] = SplitDays(std::clamp(seconds, kMinSeconds, kMaxSeconds));
  const double fraction = static_cast<double>(timeOfDay) / static_cast<double>(kSecondsPerDay);
  const double whole = static_cast<double>(day);
  return DateTime{day >= 0 ? whole + fraction : whole - fraction};
}

int DaysInMonth(int year, int month) {
  static constexpr int kLengths[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return month == 2 && IsLeapYear(year) ? 29 : kLengths[month - 1];
}

DateTime DateTimeFromParts(int year, int month, int day, int hour, int minute, int second) {
  CalendarTime parts;
  parts.year = std::clamp(year, 100, 9999);
  parts.month = std::clamp(month, 1, 12);
  parts.day = std::min(std::clamp(day, 1, 31), DaysInMonth(parts.year, parts.month));
  parts.hour = std::clamp(hour, 0, 23);
  parts.minute = std::clamp(minute, 0, 59);
  parts.second = std::clamp(second, 0, 59);
  return DateTimeFromLinearSeconds(LinearFromParts(parts));
}

CalendarTime PartsOf(DateTime value) {
  return PartsFromLinear(LinearSecondsOf(value));
}
int YearOf(DateTime value) {
  return PartsOf(value).year;
}

DateTime AddToDateTime(DateTime value, int unit, std::int32_t amount) {
  if (amount == 0) return value;
  const std::int64_t n = amount;
  switch (std::clamp(unit, 1, 8)) {
    case 1:
      return AddMonths(value, n * 12);
    case 2:
      return AddMonths(value, n * 3);
    case 3:
      return AddMonths(value, n);
    case 4:
      return DateTimeFromLinearSeconds(LinearSecondsOf(value) + n * 7 * kSecondsPerDay);
    case 5:
      return DateTimeFromLinearSeconds(LinearSecondsOf(value) + n * kSecondsPerDay);
    case 6:
      return DateTimeFromLinearSeconds(LinearSecondsOf(value) + n * 3600);
    case 7:
      return DateTimeFromLinearSeconds(LinearSecondsOf(value) + n * 60);
    default:
      return DateTimeFromLinearSeconds(LinearSecondsOf(value) + n);
  }
}

std::string DateTimeToText(DateTime value) {
  const CalendarTime p = PartsOf(value);
  char buffer[96];
  int length = std::snprintf(buffer, sizeof buffer, "%d年%d月%d日", p.year, p.month, p.day);
  const int room = static_cast<int>(sizeof buffer) - length;
  if (p.second != 0) {
    length += std::snprintf(buffer + length, room, "%d时%d分%d秒", p.hour, p.minute, p.second);
  } else if (p.minute != 0) {
    length += std::snprintf(buffer + length, room, "%d时%d分", p.hour, p.minute);
  } else if (p.hour != 0) {
    length += std::snprintf(buffer + length, room, "%d时", p.hour);
  }
  return std::string(buffer, static_cast<std::size_t>(length));
}

DateTime DateTimeFromCalendar(const CalendarTime& t) {
  return DateTimeFromParts(t.year, t.month, t.day, t.hour, t.minute, t.second);
}

CalendarTime CalendarFromDateTime(DateTime value, int millisecond) {
  CalendarTime time = PartsOf(value);
  time.millisecond = millisecond;
  return time;
}

}  // namespace lanqi
