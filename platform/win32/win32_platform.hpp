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
  std::uint64_t AwakeTickCountMs() const override;

 private:
  SetLocalTimeCall setLocalTime_;
};

// Runs routines on the process's default thread pool: a thread that exists already takes each
// one, so a routine started every second costs no thread creation. Routines are never awaited and
// may overlap.
class Win32Workers final : public Workers {
 public:
  // The call that queues a callback on the pool; tests put in one that refuses.
  using SubmitCall = BOOL(WINAPI*)(PTP_SIMPLE_CALLBACK, void*, PTP_CALLBACK_ENVIRON);
  explicit Win32Workers(SubmitCall submit = ::TrySubmitThreadpoolCallback) : submit_(submit) {}

  // False, without running the routine, when the pool would not take it.
  bool Start(std::function<void()> routine) override;
  void PumpingDelay(int milliseconds) override;

 private:
  static void CALLBACK RunQueued(PTP_CALLBACK_INSTANCE instance, void* context);
  SubmitCall submit_;
};

// The call that makes the delay's timer; tests put in one that fails.
using CreateWaitableTimerCall = HANDLE(WINAPI*)(LPSECURITY_ATTRIBUTES, BOOL, LPCWSTR);

// Waits the interval on a one-shot waitable timer while processing the thread's window messages;
// without a timer it still waits the interval, then returns. Zero or less only processes the
// messages waiting. A quit message taken meanwhile is posted again at the end.
void PumpingDelayMs(int milliseconds, CreateWaitableTimerCall createTimer = ::CreateWaitableTimerW);

}  // namespace lanqi::platform::win32
