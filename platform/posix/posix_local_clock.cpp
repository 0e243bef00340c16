#include <sys/time.h>
#include <time.h>

#include "platform/posix/posix_platform.hpp"

namespace lanqi::platform {

CalendarTime PosixLocalClock::Now() const {
  timespec now{};
  clock_gettime(CLOCK_REALTIME, &now);
  tm local{};
  localtime_r(&now.tv_sec, &local);
  return CalendarTime{local.tm_year + 1900, local.tm_mon + 1,
                      local.tm_wday,        local.tm_mday,
                      local.tm_hour,        local.tm_min,
                      local.tm_sec,         static_cast<int>(now.tv_nsec / 1000000)};
}

// The native build exists to run the program's logic on Linux, where the host's clock belongs
// to its own time service; it never moves it and answers as a system without the right would.
bool PosixLocalClock::SetLocal(const CalendarTime&) {
  return false;
}

// CLOCK_BOOTTIME, not CLOCK_MONOTONIC: the monotonic clock stops while the machine is
// suspended, and the time asleep must count.
std::uint64_t PosixLocalClock::TickCountMs() const {
  timespec now{};
  clock_gettime(CLOCK_BOOTTIME, &now);
  return static_cast<std::uint64_t>(now.tv_sec) * 1000u +
         static_cast<std::uint64_t>(now.tv_nsec / 1000000);
}

// CLOCK_MONOTONIC stops while the machine is suspended.
std::uint64_t PosixLocalClock::AwakeTickCountMs() const {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<std::uint64_t>(now.tv_sec) * 1000u +
         static_cast<std::uint64_t>(now.tv_nsec / 1000000);
}

}  // namespace lanqi::platform
