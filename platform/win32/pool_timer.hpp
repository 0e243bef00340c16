#pragma once
#include <windows.h>

#include <functional>

namespace lanqi::platform::win32 {

// A periodic timer of the system thread pool. Its ticks run on a pool thread and pass through no
// thread's message queue: under Wine each tick of a window timer costs the window's thread a
// wake-up with several round trips to the wineserver, a pool timer's tick none.
class PoolTimer {
 public:
  explicit PoolTimer(std::function<void()> onTick);
  PoolTimer(const PoolTimer&) = delete;
  PoolTimer& operator=(const PoolTimer&) = delete;
  ~PoolTimer();

  // Counts the period anew from now, ticking every period; 0 or less stops it (a tick already
  // under way still ends). False when the pool had no timer to give (then it never ticks).
  bool SetPeriod(int milliseconds);
  // Stops it and waits for a tick under way to return; never call it from a tick.
  void Stop();

 private:
  static void CALLBACK OnTimer(PTP_CALLBACK_INSTANCE instance, void* context, PTP_TIMER timer);

  std::function<void()> onTick_;
  PTP_TIMER timer_ = nullptr;
};

}  // namespace lanqi::platform::win32
