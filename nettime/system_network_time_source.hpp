#pragma once
#include "nettime/connectivity_probe.hpp"
#include "nettime/network_time.hpp"
#include "timekeeping/network_time_source.hpp"

namespace lanqi {

// The calibration's network time source on the real system: the connectivity probe over the
// reference targets and the Date header of the reference web server.
class SystemNetworkTimeSource final : public NetworkTimeSource {
 public:
  bool IsReachable() override { return 岚栖_是否联网(); }
  DateTime FetchNetworkTime() override { return ::lanqi::FetchNetworkTime(); }
};

}  // namespace lanqi
