#include <chrono>
#include <system_error>
#include <thread>

#include "platform/posix/posix_platform.hpp"

namespace lanqi::platform {

bool ThreadWorkers::Start(std::function<void()> routine) {
  {
    std::lock_guard lock(mutex_);
    ++live_;
  }
  try {
    std::thread([this, routine = std::move(routine)] {
      routine();
      std::lock_guard lock(mutex_);
      if (--live_ == 0) idle_.notify_all();
    }).detach();
    return true;
  } catch (const std::system_error&) {
    std::lock_guard lock(mutex_);
    --live_;
    return false;
  }
}

void ThreadWorkers::PumpingDelay(int milliseconds) {
  if (milliseconds > 0) std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

int ThreadWorkers::LiveCount() const {
  std::lock_guard lock(mutex_);
  return live_;
}

bool ThreadWorkers::WaitUntilIdle(int limitMilliseconds) const {
  std::unique_lock lock(mutex_);
  return idle_.wait_for(lock, std::chrono::milliseconds(limitMilliseconds),
                        [this] { return live_ == 0; });
}

}  // namespace lanqi::platform
