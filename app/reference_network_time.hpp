#pragma once
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
  explicit ReferenceNetworkTime(platform::System& system) : system_(system) {}

  // The program's process_memory object is taken afresh for every probe: once the program has
  // released it, the probe answers "no answer" at once.
  bool IsReachable() override {
    return 岚栖_是否联网(ProbeServices{system_.workers, system_.clock, system_.sockets,
                                       process_memory(), system_.processMemory.CurrentProcessId()});
  }
  DateTime FetchNetworkTime() override {
    return ::lanqi::FetchNetworkTime(nullptr, [this](const std::string& url) {
      return HeadRequestThroughHttpRoutine(system_.newHttpRequestObject, url);
    });
  }

 private:
  platform::System& system_;
};

}  // namespace lanqi
