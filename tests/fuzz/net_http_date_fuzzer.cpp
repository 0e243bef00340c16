// Feeds arbitrary text to the HTTP date reader: it must never crash, and whatever it accepts must
// be a real date whose fixed-form text reads back to the same parts.
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string_view>

#include "nettime/http_date.hpp"

namespace {

constexpr std::array<const char*, 7> kDays = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
constexpr std::array<const char*, 12> kMonths = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                 "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

void Require(bool condition) {
  if (!condition) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const lanqi::CalendarTime parts = lanqi::ReadHttpDate(text);
  if (parts == lanqi::CalendarTime{}) return 0;
  Require(parts.month >= 1 && parts.month <= 12 && parts.day >= 1 && parts.day <= 31);
  Require(parts.hour <= 23 && parts.minute <= 59 && parts.second <= 60);
  Require(parts.dayOfWeek >= 0 && parts.dayOfWeek <= 6 && parts.year >= 0 && parts.year <= 9999 &&
          parts.millisecond == 0 && parts.hour >= 0 && parts.minute >= 0 && parts.second >= 0);
  char fixed[64];
  std::snprintf(fixed, sizeof fixed, "%s, %02d %s %04d %02d:%02d:%02d GMT", kDays[parts.dayOfWeek],
                parts.day, kMonths[parts.month - 1], parts.year, parts.hour, parts.minute,
                parts.second);
  Require(lanqi::ReadHttpDate(fixed) == parts);
  return 0;
}
