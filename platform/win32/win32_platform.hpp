#pragma once
#include <windows.h>

#include <atomic>

#include "platform/local_clock.hpp"
#include "platform/workers.hpp"

namespace lanqi::platform::win32 {

class Win32LocalClock final : public LocalClock {
 public:
  // The call that sets the local time; tests record it instead.
  using SetLocalTimeCall = BOOL(WINAPI*)(const SYSTEMTIME*);
  explicit Win32LocalClock(SetLocalTimeCall setLocalTime = ::SetLocalTime)
      : setLocalTime_(setLocalTime) {}

  CalendarTime Now() const override;
  bool SetLocal(const CalendarTime& time) override;
  std::uint64_t TickCountMs() const override;

 private:
  SetLocalTimeCall setLocalTime_;
};

class Win32Workers final : public Workers {
 public:
  bool Start(std::function<void()> routine) override;
  void PumpingDelay(int milliseconds) override;
  int LiveCount() const { return live_.load(); }

 private:
  static DWORD WINAPI ThreadMain(void* parameter);
  std::atomic<int> live_{0};
};

// Waits the interval on a one-shot waitable timer while processing the thread's window messages.
void PumpingDelayMs(int milliseconds);

}  // namespace lanqi::platform::win32
