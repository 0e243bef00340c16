#include "tests/e2e/clock_line.hpp"

#include "datetime/date_time.hpp"

namespace lanqi::e2e {
namespace {

// A decimal number without leading zeros followed by `unit`; advances `text` past both.
std::optional<int> TakeNumber(std::wstring_view& text, wchar_t unit) {
  std::size_t digits = 0;
  while (digits < text.size() && digits < 5 && text[digits] >= L'0' && text[digits] <= L'9') {
    ++digits;
  }
  if (digits == 0 || digits >= text.size() || text[digits] != unit) return std::nullopt;
  if (digits > 1 && text[0] == L'0') return std::nullopt;
  int value = 0;
  for (std::size_t i = 0; i < digits; ++i) value = value * 10 + (text[i] - L'0');
  text.remove_prefix(digits + 1);
  return value;
}

}  // namespace

std::int64_t ClockReading::LinearSeconds() const {
  static const std::int64_t kUnixEpoch = LinearSecondsOf(DateTimeFromParts(1970, 1, 1));
  return LinearSecondsOf(DateTimeFromParts(year, month, day, hour, minute, second)) - kUnixEpoch;
}

std::optional<ClockReading> ParseClockLine(std::wstring_view line, std::wstring_view prefix) {
  if (line.substr(0, prefix.size()) != prefix) return std::nullopt;
  std::wstring_view rest = line.substr(prefix.size());
  ClockReading r;
  const auto year = TakeNumber(rest, L'年');
  const auto month = TakeNumber(rest, L'月');
  const auto day = TakeNumber(rest, L'日');
  if (!year || !month || !day) return std::nullopt;
  r.year = *year;
  r.month = *month;
  r.day = *day;
  if (r.year < 100 || r.year > 9999 || r.month < 1 || r.month > 12 || r.day < 1 ||
      r.day > DaysInMonth(r.year, r.month)) {
    return std::nullopt;
  }
  // The time part stops after its last non-zero field: "7时", "7时8分", "7时8分9秒" or nothing.
  if (!rest.empty()) {
    const auto hour = TakeNumber(rest, L'时');
    if (!hour || *hour > 23) return std::nullopt;
    r.hour = *hour;
    if (rest.empty()) return r.hour != 0 ? std::optional(r) : std::nullopt;
    const auto minute = TakeNumber(rest, L'分');
    if (!minute || *minute > 59) return std::nullopt;
    r.minute = *minute;
    if (rest.empty()) return r.minute != 0 ? std::optional(r) : std::nullopt;
    const auto second = TakeNumber(rest, L'秒');
    if (!second || *second > 59 || *second == 0 || !rest.empty()) return std::nullopt;
    r.second = *second;
  }
  return r;
}

}  // namespace lanqi::e2e
