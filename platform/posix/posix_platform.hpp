#pragma once
#include <condition_variable>
#include <mutex>

#include "platform/local_clock.hpp"
#include "platform/workers.hpp"

namespace lanqi::platform {

class PosixLocalClock final : public LocalClock {
 public:
  CalendarTime Now() const override;
  bool SetLocal(const CalendarTime& time) override;
  std::uint64_t TickCountMs() const override;
  std::uint64_t AwakeTickCountMs() const override;
};

// Detached threads, counted so that tests can check that every one of them has ended.
class ThreadWorkers final : public Workers {
 public:
  bool Start(std::function<void()> routine) override;
  void PumpingDelay(int milliseconds) override;
  int LiveCount() const;
  // Waits until no started routine is still running; false when the limit passed first.
  bool WaitUntilIdle(int limitMilliseconds) const;

 private:
  mutable std::mutex mutex_;
  mutable std::condition_variable idle_;
  int live_ = 0;
};

}  // namespace lanqi::platform
