#include "nettime/http_date.hpp"

#include <array>
#include <optional>

#include "datetime/date_time.hpp"

namespace lanqi {
namespace {

constexpr std::array<std::string_view, 7> kDayNames = {"Sun", "Mon", "Tue", "Wed",
                                                       "Thu", "Fri", "Sat"};
constexpr std::array<std::string_view, 7> kLongDayNames = {
    "Sunday", "Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday"};
constexpr std::array<std::string_view, 12> kMonthNames = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                          "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

bool IsBlank(char c) {
  return c == ' ' || c == '\t';
}

// A left-to-right reader over the text; every step either consumes what it expects or fails.
class Cursor {
 public:
  explicit Cursor(std::string_view text) : text_(text) {}

  bool Literal(std::string_view expected) {
    if (text_.substr(0, expected.size()) != expected) return false;
    text_.remove_prefix(expected.size());
    return true;
  }

  std::optional<int> Digits(std::size_t count) {
    if (text_.size() < count) return std::nullopt;
    int value = 0;
    for (std::size_t i = 0; i < count; ++i) {
      const char c = text_[i];
      if (c < '0' || c > '9') return std::nullopt;
      value = value * 10 + (c - '0');
    }
    text_.remove_prefix(count);
    return value;
  }

  // The index of the name the text starts with.
  template <std::size_t N>
  std::optional<int> OneOf(const std::array<std::string_view, N>& names) {
    for (std::size_t i = 0; i < N; ++i) {
      if (Literal(names[i])) return static_cast<int>(i);
    }
    return std::nullopt;
  }

  // HH:MM:SS
  bool TimeOfDay(CalendarTime& parts) {
    const auto hour = Digits(2);
    if (!hour || !Literal(":")) return false;
    const auto minute = Digits(2);
    if (!minute || !Literal(":")) return false;
    const auto second = Digits(2);
    if (!second) return false;
    parts.hour = *hour;
    parts.minute = *minute;
    parts.second = *second;
    return true;
  }

  bool AtEnd() const { return text_.empty(); }

 private:
  std::string_view text_;
};

bool IsValid(const CalendarTime& p) {
  if (p.month < 1 || p.month > 12 || p.day < 1) return false;
  return p.day <= DaysInMonth(p.year, p.month) && p.hour <= 23 && p.minute <= 59 && p.second <= 60;
}

void SetDate(CalendarTime& parts, int dayOfWeek, int day, int month, int year) {
  parts.dayOfWeek = dayOfWeek;
  parts.day = day;
  parts.month = month + 1;
  parts.year = year;
}

// "Sun, 06 Nov 1994 08:49:37 GMT"
std::optional<CalendarTime> ReadImfFixdate(Cursor in) {
  CalendarTime parts;
  const auto dayName = in.OneOf(kDayNames);
  if (!dayName || !in.Literal(", ")) return std::nullopt;
  const auto day = in.Digits(2);
  if (!day || !in.Literal(" ")) return std::nullopt;
  const auto month = in.OneOf(kMonthNames);
  if (!month || !in.Literal(" ")) return std::nullopt;
  const auto year = in.Digits(4);
  if (!year || !in.Literal(" ") || !in.TimeOfDay(parts) || !in.Literal(" GMT") || !in.AtEnd()) {
    return std::nullopt;
  }
  SetDate(parts, *dayName, *day, *month, *year);
  return parts;
}

// "Sunday, 06-Nov-94 08:49:37 GMT"
std::optional<CalendarTime> ReadRfc850(Cursor in) {
  CalendarTime parts;
  const auto dayName = in.OneOf(kLongDayNames);
  if (!dayName || !in.Literal(", ")) return std::nullopt;
  const auto day = in.Digits(2);
  if (!day || !in.Literal("-")) return std::nullopt;
  const auto month = in.OneOf(kMonthNames);
  if (!month || !in.Literal("-")) return std::nullopt;
  const auto shortYear = in.Digits(2);
  if (!shortYear || !in.Literal(" ") || !in.TimeOfDay(parts) || !in.Literal(" GMT") ||
      !in.AtEnd()) {
    return std::nullopt;
  }
  SetDate(parts, *dayName, *day, *month, *shortYear + (*shortYear >= 70 ? 1900 : 2000));
  return parts;
}

// "Sun Nov  6 08:49:37 1994" (a one-digit day is led by a blank)
std::optional<CalendarTime> ReadAsctime(Cursor in) {
  CalendarTime parts;
  const auto dayName = in.OneOf(kDayNames);
  if (!dayName || !in.Literal(" ")) return std::nullopt;
  const auto month = in.OneOf(kMonthNames);
  if (!month || !in.Literal(" ")) return std::nullopt;
  const auto day = in.Literal(" ") ? in.Digits(1) : in.Digits(2);
  if (!day || !in.Literal(" ") || !in.TimeOfDay(parts) || !in.Literal(" ")) return std::nullopt;
  const auto year = in.Digits(4);
  if (!year || !in.AtEnd()) return std::nullopt;
  SetDate(parts, *dayName, *day, *month, *year);
  return parts;
}

}  // namespace

CalendarTime ReadHttpDate(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  const Cursor in(text);
  for (const auto reader : {&ReadImfFixdate, &ReadRfc850, &ReadAsctime}) {
    const auto parts = reader(in);
    if (parts && IsValid(*parts)) return *parts;
  }
  return CalendarTime{};
}

}  // namespace lanqi
