#pragma once
#include <atomic>
#include <functional>

#include "timekeeping/network_time_source.hpp"

namespace lanqi::testing {

// The network as a script: whether it answers and what time it gives, as the test says. Unset,
// the network answers and gives the failure value. Callable from several threads at once.
class FakeNetworkTimeSource final : public NetworkTimeSource {
 public:
  bool IsReachable() override {
    probes.fetch_add(1);
    return reachable ? reachable() : true;
  }
  DateTime FetchNetworkTime() override {
    fetches.fetch_add(1);
    return reading ? reading() : DateTimeFromParts(100, 1, 1, 8);
  }

  std::function<bool()> reachable;
  std::function<DateTime()> reading;
  std::atomic<int> probes{0};
  std::atomic<int> fetches{0};
};

}  // namespace lanqi::testing
