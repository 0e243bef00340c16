#pragma once
#include <atomic>
#include <memory>

#include "nettime/connectivity_probe.hpp"
#include "nettime/network_time.hpp"
#include "platform/system.hpp"
#include "process_memory/process_memory.hpp"
#include "timekeeping/network_time_source.hpp"

namespace lanqi {

// The calibration's network time source: the connectivity probe over the reference targets and
// the Date header of the reference web server, both over the given system.
class ReferenceNetworkTime final : public NetworkTimeSource {
 public:
  // memory: the program's process memory, which the program may release while probes run.
  ReferenceNetworkTime(platform::System& system,
                       const std::atomic<std::shared_ptr<const ProcessMemory>>& memory)
      : system_(system), memory_(memory) {}

  // The process memory is taken afresh for every probe: once the program has released it, the
  // probe answers "no answer" at once.
  bool IsReachable() override {
    return 岚栖_是否联网(ProbeServices{system_.workers, system_.clock, system_.sockets,
                                       memory_.load(), system_.processMemory.CurrentProcessId()});
  }
  DateTime FetchNetworkTime() override {
    return ::lanqi::FetchNetworkTime(nullptr, system_.newHttpRequestObject);
  }

 private:
  platform::System& system_;
  const std::atomic<std::shared_ptr<const ProcessMemory>>& memory_;
};

}  // namespace lanqi
