#include "datetime/date_time.hpp"

#include <gtest/gtest.h>

#include "tests/fakes/virtual_clock.hpp"
#include "timekeeping/local_time.hpp"

namespace lanqi {
namespace {

using testing::VirtualClock;

TEST(DateTimeText, DropsTrailingZeroParts) {
  const struct {
    int h, mi, s;
    const char* text;
  } cases[] = {
      {10, 5, 3, "2024年2月11日10时5分3秒"}, {10, 5, 0, "2024年2月11日10时5分"},
      {10, 0, 0, "2024年2月11日10时"},       {0, 0, 0, "2024年2月11日"},
      {0, 0, 7, "2024年2月11日0时0分7秒"},   {0, 5, 0, "2024年2月11日0时5分"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(DateTimeToText(DateTimeFromParts(2024, 2, 11, c.h, c.mi, c.s)), c.text);
  }
}

TEST(DateTimeValue, ZeroIsNeverSetAndSerialMatchesAutomationDates) {
  EXPECT_EQ(DateTimeFromParts(1899, 12, 30).days, 0.0);
  EXPECT_EQ(DateTimeToText(DateTime{}), "1899年12月30日");
  EXPECT_EQ(DateTimeFromParts(1900, 1, 1).days, 2.0);
  EXPECT_EQ(DateTimeFromParts(100, 1, 1).days, kMinDateTimeDays);
  EXPECT_EQ(DateTimeFromParts(9999, 12, 31).days, kMaxDateTimeDays);
  // Before 1899 the fraction still counts forward from midnight.
  EXPECT_DOUBLE_EQ(DateTimeFromParts(1899, 12, 29, 6).days, -1.25);
  EXPECT_EQ(PartsOf(DateTime{-1.25}).hour, 6);
}

TEST(DateTimeValue, PartsAreClampedWhenBuilding) {
  EXPECT_EQ(DateTimeToText(DateTimeFromParts(0, 0, 0, 0, 0, 0)), "100年1月1日");
  // The failed-reading marker keeps its time of day on the range's first day.
  EXPECT_EQ(DateTimeToText(DateTimeFromParts(100, 1, 1, 8)), "100年1月1日8时");
  EXPECT_EQ(DateTimeToText(AddToDateTime(DateTimeFromParts(0, 0, 0), TimeUnit::Hour, 8)),
            "100年1月1日8时");
  // The range ends at the first moment of 31 December 9999.
  EXPECT_EQ(DateTimeToText(DateTimeFromParts(12000, 13, 40, 30, 70, 99)), "9999年12月31日");
  EXPECT_EQ(DateTimeToText(DateTimeFromParts(2023, 13, 40, 30, 70, 99)),
            "2023年12月31日23时59分59秒");
  EXPECT_EQ(DateTimeToText(DateTimeFromParts(2023, 2, 31)), "2023年2月28日");
  EXPECT_EQ(DateTimeToText(DateTimeFromParts(2024, 2, 31)), "2024年2月29日");
  EXPECT_EQ(DateTimeToText(DateTimeFromParts(2100, 2, 29)), "2100年2月28日");
  EXPECT_EQ(DateTimeToText(DateTimeFromParts(2025, 4, 31)), "2025年4月30日");
}

TEST(DateTimeValue, ValuesBeyondTheRangeReadAsItsEnds) {
  EXPECT_EQ(YearOf(DateTime{1e9}), 9999);
  EXPECT_EQ(YearOf(DateTime{-1e9}), 100);
  EXPECT_EQ(DateTimeToText(AddToDateTime(DateTimeFromParts(9999, 12, 31), TimeUnit::Day, 5)),
            "9999年12月31日");
  EXPECT_EQ(DateTimeToText(AddToDateTime(DateTimeFromParts(100, 1, 1), TimeUnit::Second, -1)),
            "100年1月1日");
}

TEST(AddToDateTime, EveryUnitBothWays) {
  const DateTime base = DateTimeFromParts(2024, 1, 31, 23, 59, 30);
  const struct {
    int unit, amount;
    const char* text;
  } cases[] = {
      {1, 1, "2025年1月31日23时59分30秒"},
      {1, -4, "2020年1月31日23时59分30秒"},
      {2, 1, "2024年4月30日23时59分30秒"},
      {2, -1, "2023年10月31日23时59分30秒"},
      {3, 1, "2024年2月29日23时59分30秒"},
      {3, -2, "2023年11月30日23时59分30秒"},
      {3, 13, "2025年2月28日23时59分30秒"},
      {4, 1, "2024年2月7日23时59分30秒"},
      {4, -1, "2024年1月24日23时59分30秒"},
      {5, 1, "2024年2月1日23时59分30秒"},
      {6, 1, "2024年2月1日0时59分30秒"},
      {7, -60, "2024年1月31日22时59分30秒"},
      {8, 30, "2024年2月1日"},
      {8, -90, "2024年1月31日23时58分"},
      {0, 1, "2025年1月31日23时59分30秒"},
      {9, 30, "2024年2月1日"},
      {8, 0, "2024年1月31日23时59分30秒"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(DateTimeToText(AddToDateTime(base, c.unit, c.amount)), c.text)
        << "unit " << c.unit << " amount " << c.amount;
  }
  EXPECT_EQ(DateTimeToText(AddToDateTime(DateTimeFromParts(2024, 2, 29), 1, 1)), "2025年2月28日");
}

TEST(AddToDateTime, LargeSecondAmountsStayExact) {
  const DateTime base = DateTimeFromParts(2024, 2, 11, 10, 5, 3);
  EXPECT_EQ(AddToDateTime(AddToDateTime(base, TimeUnit::Second, 2147483647), TimeUnit::Second,
                          -2147483647),
            base);
  EXPECT_EQ(DateTimeToText(AddToDateTime(base, TimeUnit::Second, -28800)),
            "2024年2月11日2时5分3秒");
}

// Both conversions read the same millisecond of the virtual clock, so the differences are exact.
TEST(MillisecondForm, DifferencesAcrossCalendarEdges) {
  VirtualClock clock(DateTimeFromParts(2024, 6, 1), 437);
  const auto diff = [&](DateTime a, DateTime b) {
    return 岚栖_时间转毫秒(b, clock) - 岚栖_时间转毫秒(a, clock);
  };
  EXPECT_EQ(
      diff(DateTimeFromParts(2024, 12, 31, 23, 59, 59), DateTimeFromParts(2025, 1, 1, 0, 0, 1)),
      2000);
  EXPECT_EQ(diff(DateTimeFromParts(2024, 2, 28, 23, 59, 59), DateTimeFromParts(2024, 2, 29)), 1000);
  EXPECT_EQ(diff(DateTimeFromParts(2024, 2, 29, 23, 59, 59), DateTimeFromParts(2024, 3, 1)), 1000);
  EXPECT_EQ(diff(DateTimeFromParts(2023, 8, 31, 23, 59, 59), DateTimeFromParts(2023, 9, 1)), 1000);
  EXPECT_EQ(diff(DateTimeFromParts(2100, 2, 28), DateTimeFromParts(2100, 3, 1)), 86400000);
  EXPECT_EQ(diff(DateTimeFromParts(2000, 2, 28), DateTimeFromParts(2000, 3, 1)), 2 * 86400000);
  EXPECT_GT(岚栖_时间转毫秒(DateTime{}, clock), 0);
  EXPECT_GT(岚栖_时间转毫秒(DateTimeFromParts(100, 1, 1), clock), 0);
  EXPECT_EQ(岚栖_时间转毫秒(DateTimeFromParts(2024, 1, 1), clock) % 1000, 437);
}

TEST(MillisecondForm, AgreesWithTheSerialScaleOverTheWholeRange) {
  VirtualClock clock;
  const DateTime anchor = DateTimeFromParts(1899, 12, 30);
  for (int year = 100; year <= 9999; year += 37) {
    const DateTime value = DateTimeFromParts(year, 1 + year % 12, 1 + year % 28, year % 24);
    const std::int64_t expected = VirtualClock::ToMs(value) - VirtualClock::ToMs(anchor);
    EXPECT_EQ(岚栖_时间转毫秒(value, clock) - 岚栖_时间转毫秒(anchor, clock), expected) << year;
  }
}

TEST(CurrentLocalTime, TakesTheClockToTheWholeSecond) {
  VirtualClock clock(DateTimeFromParts(2024, 2, 11, 10, 5, 3), 999);
  EXPECT_EQ(CurrentLocalTime(clock), DateTimeFromParts(2024, 2, 11, 10, 5, 3));
  const auto calendar = CalendarFromDateTime(DateTimeFromParts(2024, 2, 11, 10, 5, 4), 0);
  EXPECT_EQ(calendar.dayOfWeek, 0);  // a Sunday
  EXPECT_EQ(calendar.millisecond, 0);
}

}  // namespace
}  // namespace lanqi
