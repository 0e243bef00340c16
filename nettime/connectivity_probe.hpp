#pragma once
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "platform/local_clock.hpp"
#include "platform/sockets.hpp"
#include "platform/workers.hpp"
#include "process_memory/process_memory.hpp"

namespace lanqi {

// What the probe uses of the system; tests substitute each part.
struct ProbeServices {
  platform::Workers& workers;
  platform::LocalClock& clock;  // only its tick count is used
  platform::Sockets& sockets;
  // Shared with the workers, which may outlive the probe that started them.
  std::shared_ptr<const ProcessMemory> memory;
  std::uint32_t processId;  // the process whose memory holds the result cells: our own
};

// One target of the probe. A limit left out, or 0, means kDefaultProbeLimitMs.
struct ProbeTargetSpec {
  std::string host;  // dotted IPv4 address or host name
  std::int32_t port = 0;
  std::optional<std::int32_t> limitMs;
};

inline constexpr std::int32_t kDefaultProbeLimitMs = 3000;
// The prober looks at the result cell this often (milliseconds).
inline constexpr std::int32_t kProbeStepMs = 20;
// How long past its limit a worker still tries to connect, so that a connect completing during
// the prober's last step is reported before the prober's final look at the cell.
inline constexpr std::int32_t kWorkerGraceMs = 250;

// The two resolvers and the reference web server, in the order they are tried.
std::vector<ProbeTargetSpec> ReferenceProbeTargets();

// True at the first target that accepts a TCP connection within its limit; tries them in order
// and stops there. Blocks for at most the sum of the limits plus one step per target.
bool 岚栖_是否联网(const ProbeServices& services);
bool 岚栖_是否联网(std::span<const ProbeTargetSpec> targets, const ProbeServices& services);

// Milliseconds the connect took (look-up not included), or -1 when the target did not accept
// within the limit. The attempt runs on a worker thread that shares ownership of the result cell
// and ends by itself; an answer that comes after the limit is ignored.
std::int32_t ProbeTarget(const ProbeServices& services, const std::string& host, std::int32_t port,
                         std::optional<std::int32_t> limitMs = std::nullopt);

// The worker thread's single parameter, copied into the thread.
struct WorkerPackage {
  std::string host;
  std::int32_t port = 0;
  std::uintptr_t cellAddress = 0;
  // Keeps the cell alive while the worker may still write it, however long the prober is gone.
  std::shared_ptr<const void> cellOwner;
  std::uint64_t startTick = 0;      // tick count when the probe started
  std::int32_t connectLimitMs = 0;  // from startTick: the worker gives up after this
  ProbeServices services;
};

// Looks the host up, connects, and writes the connect time in milliseconds (or -1) into the
// cell through process memory. Reports nothing else.
void ConnectWorker(const WorkerPackage& package);

}  // namespace lanqi
