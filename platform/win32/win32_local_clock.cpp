#include <windows.h>

#include "platform/win32/win32_platform.hpp"

namespace lanqi::platform::win32 {

CalendarTime Win32LocalClock::Now() const {
  SYSTEMTIME now{};
  GetLocalTime(&now);
  return CalendarTime{now.wYear, now.wMonth,  now.wDayOfWeek, now.wDay,
                      now.wHour, now.wMinute, now.wSecond,    now.wMilliseconds};
}

bool Win32LocalClock::SetLocal(const CalendarTime& time) {
  SYSTEMTIME target{};
  target.wYear = static_cast<WORD>(time.year);
  target.wMonth = static_cast<WORD>(time.month);
  target.wDayOfWeek = static_cast<WORD>(time.dayOfWeek);
  target.wDay = static_cast<WORD>(time.day);
  target.wHour = static_cast<WORD>(time.hour);
  target.wMinute = static_cast<WORD>(time.minute);
  target.wSecond = static_cast<WORD>(time.second);
  target.wMilliseconds = static_cast<WORD>(time.millisecond);
  // SetLocalTime converts with the daylight-saving state of the moment before the call, not of
  // the new time; across a change of that state the first call only moves the state on. Made a
  // second time with the same record, as its documentation asks, the result lands right.
  setLocalTime_(&target);
  return setLocalTime_(&target) != FALSE;
}

// GetTickCount64 includes the time the machine spends asleep or hibernating, and it does not
// wrap after 49.7 days as GetTickCount does.
std::uint64_t Win32LocalClock::TickCountMs() const {
  return GetTickCount64();
}

// The unbiased interrupt time leaves out the time asleep; it counts in units of 100 ns.
std::uint64_t Win32LocalClock::AwakeTickCountMs() const {
  ULONGLONG hundredNanoseconds = 0;
  QueryUnbiasedInterruptTime(&hundredNanoseconds);
  return hundredNanoseconds / 10000u;
}

}  // namespace lanqi::platform::win32
