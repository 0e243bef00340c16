#include "platform/win32/pool_timer.hpp"

#include <utility>

namespace lanqi::platform::win32 {

PoolTimer::PoolTimer(std::function<void()> onTick) : onTick_(std::move(onTick)) {}

PoolTimer::~PoolTimer() {
  Stop();
  if (timer_ != nullptr) CloseThreadpoolTimer(timer_);
}

bool PoolTimer::SetPeriod(int milliseconds) {
  if (milliseconds <= 0) {
    // No wait for a tick under way: a stop asked for from a tick's own work must not hang.
    if (timer_ != nullptr) SetThreadpoolTimer(timer_, nullptr, 0, 0);
    return true;
  }
  if (timer_ == nullptr) timer_ = CreateThreadpoolTimer(&OnTimer, this, nullptr);
  if (timer_ == nullptr) return false;
  // Relative due time in 100 ns units; no window for the pool to shift ticks in.
  ULARGE_INTEGER due{};
  due.QuadPart = static_cast<ULONGLONG>(-static_cast<LONGLONG>(milliseconds) * 10000);
  FILETIME dueTime{due.LowPart, due.HighPart};
  SetThreadpoolTimer(timer_, &dueTime, static_cast<DWORD>(milliseconds), 0);
  return true;
}

void PoolTimer::Stop() {
  if (timer_ == nullptr) return;
  SetThreadpoolTimer(timer_, nullptr, 0, 0);
  WaitForThreadpoolTimerCallbacks(timer_, TRUE);
}

void CALLBACK PoolTimer::OnTimer(PTP_CALLBACK_INSTANCE, void* context, PTP_TIMER) {
  static_cast<PoolTimer*>(context)->onTick_();
}

}  // namespace lanqi::platform::win32
