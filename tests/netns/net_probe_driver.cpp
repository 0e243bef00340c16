// Runs the connectivity probe and the network time fetch on the host system (the real one under
// Wine, the native stand-ins on Linux) and prints what they
// gave and how long they took, for the network-namespace tests and the benchmarks.
//   net_probe_driver probe [repeat]        the probe over the reference targets
//   net_probe_driver fetch [url]           the fetch (default: the reference root URL)
//   net_probe_driver probe-fetch [repeat]  probe, then fetch when it answered true
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>

#include "nettime/connectivity_probe.hpp"
#include "nettime/network_time.hpp"
#include "process_memory/process_memory.hpp"
#include "tests/support/system_support.hpp"

namespace {

using Clock = std::chrono::steady_clock;

double MillisecondsSince(Clock::time_point start) {
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

std::string Text(lanqi::DateTime value) {
  const lanqi::CalendarTime p = lanqi::PartsOf(value);
  char text[32];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", p.year, p.month, p.day, p.hour,
                p.minute, p.second);
  return text;
}

// The probe and the request over the host system, as the program makes them: the probe's result
// cells go through the process memory.
lanqi::ProbeServices RealProbeServices() {
  auto& system = lanqi::testing::HostSystem();
  static const auto memory =
      std::make_shared<const lanqi::ProcessMemory>(lanqi::testing::HostProcessMemory());
  return {system.workers, system.clock, system.sockets, memory,
          system.processMemory.CurrentProcessId()};
}

lanqi::DateTime Fetch(std::optional<std::string>* url) {
  return lanqi::FetchNetworkTime(url, lanqi::testing::HostSystem().newHttpRequestObject);
}

int Repeat(int argc, char** argv, int index) {
  return argc > index ? std::max(1, std::atoi(argv[index])) : 1;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string mode = argc > 1 ? argv[1] : "probe";
  if (mode == "probe") {
    for (int i = Repeat(argc, argv, 2); i > 0; --i) {
      const auto start = Clock::now();
      const bool online = lanqi::岚栖_是否联网(RealProbeServices());
      std::printf("probe online=%d ms=%.1f\n", online ? 1 : 0, MillisecondsSince(start));
    }
  } else if (mode == "fetch") {
    std::optional<std::string> url;
    if (argc > 2) url = argv[2];
    const auto start = Clock::now();
    const lanqi::DateTime time = Fetch(&url);
    std::printf("fetch time=%s ms=%.1f url=%s\n", Text(time).c_str(), MillisecondsSince(start),
                url.value_or("").c_str());
  } else if (mode == "probe-fetch") {
    for (int i = Repeat(argc, argv, 2); i > 0; --i) {
      const auto start = Clock::now();
      const bool online = lanqi::岚栖_是否联网(RealProbeServices());
      const lanqi::DateTime time = online ? Fetch(nullptr) : lanqi::NetworkTimeFromHeaders({});
      std::printf("probe-fetch online=%d time=%s ms=%.1f\n", online ? 1 : 0, Text(time).c_str(),
                  MillisecondsSince(start));
    }
  } else {
    std::fprintf(stderr, "usage: net_probe_driver probe|fetch|probe-fetch [repeat|url]\n");
    return 2;
  }
  std::fflush(stdout);
  // Workers still inside a connect are left to end with the process, as they do in the program.
  std::_Exit(0);
}
