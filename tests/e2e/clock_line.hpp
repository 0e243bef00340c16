#pragma once
// Reading a clock line of the main window back: a fixed prefix such as "系统时间：" followed by
// the program's date-time text ("2024年3月5日7时8分9秒", with a zero second, minute and hour
// left off from the end as the program writes them).

#include <cstdint>
#include <optional>
#include <string_view>

namespace lanqi::e2e {

struct ClockReading {
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;

  // Seconds since 1 January 1970 of this local calendar time, for differences.
  std::int64_t LinearSeconds() const;
};

// Nothing unless `line` is exactly `prefix` plus a date-time text in the program's form.
std::optional<ClockReading> ParseClockLine(std::wstring_view line, std::wstring_view prefix);

}  // namespace lanqi::e2e
