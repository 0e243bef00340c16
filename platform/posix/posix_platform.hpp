#pragma once
// The native stand-ins for the Windows calls the program's logic needs, so that the Linux test
// build runs that logic for real: the clock and its boot-time tick count, threads, sockets. The
// process memory, the files and the request object have headers of their own. tests/support
// assembles a System from them and the fakes; nothing here ships.
#include <string>

#include "platform/local_clock.hpp"
#include "platform/sockets.hpp"
#include "platform/workers.hpp"

namespace lanqi::platform {

class PosixLocalClock final : public LocalClock {
 public:
  CalendarTime Now() const override;
  bool SetLocal(const CalendarTime& time) override;
  std::uint64_t TickCountMs() const override;
  std::uint64_t AwakeTickCountMs() const override;
};

// Each routine on a detached thread of its own, as the thread pool runs them on Windows.
class ThreadWorkers final : public Workers {
 public:
  bool Start(std::function<void()> routine) override;
  void PumpingDelay(int milliseconds) override;
};

// getaddrinfo and a non-blocking connect bounded with poll.
class PosixSockets final : public Sockets {
 public:
  std::string LookUpIPv4(const std::string& host) override;
  bool ConnectWithin(const std::string& address, std::int32_t port,
                     std::int32_t timeoutMs) override;
};

}  // namespace lanqi::platform
