#include "nettime/connectivity_probe.hpp"

#include <algorithm>
#include <limits>

#include "nettime/reference_servers.hpp"

namespace lanqi {
namespace {

constexpr std::int32_t kNoAnswer = -1;

std::uint64_t TicksSince(const platform::LocalClock& clock, std::uint64_t start) {
  return clock.TickCountMs() - start;  // unsigned: right across the counter's wrap
}

}  // namespace

std::vector<ProbeTargetSpec> ReferenceProbeTargets() {
  return {
      {reference::kFirstResolver, reference::kResolverPort, reference::kFirstResolverLimitMs},
      {reference::kSecondResolver, reference::kResolverPort, reference::kSecondResolverLimitMs},
      {reference::kWebServerHost, reference::kWebServerPort, std::nullopt},
  };
}

bool 岚栖_是否联网(const ProbeServices& services) {
  const auto targets = ReferenceProbeTargets();
  return 岚栖_是否联网(targets, services);
}

bool 岚栖_是否联网(std::span<const ProbeTargetSpec> targets, const ProbeServices& services) {
  return std::any_of(targets.begin(), targets.end(), [&](const ProbeTargetSpec& target) {
    return ProbeTarget(services, target.host, target.port, target.limitMs) != kNoAnswer;
  });
}

std::int32_t ProbeTarget(const ProbeServices& services, const std::string& host, std::int32_t port,
                         std::optional<std::int32_t> limitMs) {
  const std::int32_t limit = limitMs.value_or(0) == 0 ? kDefaultProbeLimitMs : *limitMs;

  // The cell comes zero-filled from the thread-safe allocator and is shared with the worker, so
  // it outlives this call for as long as the worker may still write it.
  const auto cell = std::make_shared<std::int32_t>(0);
  const auto cellAddress = reinterpret_cast<std::uintptr_t>(cell.get());
  if (!services.memory) return kNoAnswer;  // the program is ending
  const ProcessMemory& memory = *services.memory;
  const std::uint32_t self = services.processId;
  // A read that fails gives 0, which would look like a 0 ms connect; when the cell cannot even
  // be written, no answer could be told from a failure, so there is nothing to wait for.
  if (!memory.WriteValue(self, cellAddress, kNoAnswer)) return kNoAnswer;

  const std::uint64_t start = services.clock.TickCountMs();
  const std::int64_t connectLimit = std::max<std::int64_t>(limit, 0) + kWorkerGraceMs;
  WorkerPackage package{host,
                        port,
                        cellAddress,
                        cell,
                        start,
                        static_cast<std::int32_t>(std::min<std::int64_t>(
                            connectLimit, std::numeric_limits<std::int32_t>::max())),
                        services};
  // A worker that cannot be started leaves -1 in the cell: the wait below runs out the limit.
  services.workers.Start([package = std::move(package)] { ConnectWorker(package); });

  for (;;) {
    if (memory.ReadInt32(self, cellAddress) != kNoAnswer) break;
    const double elapsed = TicksSince(services.clock, start);
    if (elapsed - static_cast<double>(limit) < -0.0000001) {
      services.workers.PumpingDelay(kProbeStepMs);
    } else {
      break;
    }
  }
  // A worker that answered during the last step still counts. A later answer lands in the cell
  // after this call has let go of it and is never read.
  return memory.ReadInt32(self, cellAddress);
}

void ConnectWorker(const WorkerPackage& package) {
  const ProbeServices& services = package.services;
  const std::string address = services.sockets.LookUpIPv4(package.host);
  const std::uint64_t start = services.clock.TickCountMs();
  // The look-up may have used up part of the time; the connect gets what is left.
  const std::int64_t left = static_cast<std::int64_t>(package.connectLimitMs) -
                            TicksSince(services.clock, package.startTick);
  std::int32_t result = kNoAnswer;
  if (!address.empty() && left > 0 &&
      services.sockets.ConnectWithin(address, package.port, static_cast<std::int32_t>(left))) {
    result = static_cast<std::int32_t>(std::min<std::uint64_t>(
        TicksSince(services.clock, start),
        static_cast<std::uint64_t>(std::numeric_limits<std::int32_t>::max())));
  }
  services.memory->WriteValue(services.processId, package.cellAddress, result);
}

}  // namespace lanqi
