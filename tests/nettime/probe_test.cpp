#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <thread>

#include "nettime/connectivity_probe.hpp"
#include "nettime/reference_servers.hpp"
#include "tests/fakes/fake_process_memory_os.hpp"
#include "tests/fakes/fake_sockets.hpp"
#include "tests/fakes/fake_workers.hpp"
#include "tests/support/system_support.hpp"

namespace lanqi {
namespace {

using testing::FakeWorkers;
using testing::ScriptedSockets;
using testing::VirtualClock;
using Answer = ScriptedSockets::Answer;

std::uint32_t Self() {
  return testing::HostSystem().processMemory.CurrentProcessId();
}

// A probe on the caller's thread over a virtual clock, so waits of seconds take no time.
struct VirtualProbe {
  explicit VirtualProbe(FakeWorkers::Mode mode) : workers(mode) {
    workers.onDelay = [this](int milliseconds) {
      clock.Advance(milliseconds);
      if (afterDelay) afterDelay();
    };
  }
  ProbeServices services() { return ProbeServices{workers, clock, sockets, memory, Self()}; }
  std::uint64_t Elapsed() const { return clock.TickCountMs() - start; }

  VirtualClock clock;
  ScriptedSockets sockets{&clock};
  FakeWorkers workers;
  std::function<void()> afterDelay;
  std::shared_ptr<const ProcessMemory> memory =
      std::make_shared<const ProcessMemory>(testing::HostProcessMemory());
  std::uint64_t start = clock.TickCountMs();
};

TEST(ProbeTarget, AFailedAttemptWaitsOutTheLimitAndZeroMeans3000) {
  struct Case {
    std::optional<std::int32_t> limit;
    std::uint64_t waited;
  };
  for (const Case c : {Case{std::nullopt, 3000}, Case{0, 3000}, Case{3000, 3000}, Case{200, 200},
                       Case{500, 500}, Case{30, 40}, Case{-5, 0}}) {
    SCOPED_TRACE(c.limit.value_or(-99));
    VirtualProbe probe(FakeWorkers::Mode::Inline);
    probe.sockets.Set("h", {"10.0.0.1", Answer::Refuse});
    EXPECT_EQ(ProbeTarget(probe.services(), "h", 53, c.limit), -1);
    EXPECT_EQ(probe.Elapsed(), c.waited);  // whole 20 ms steps until the limit is reached
  }
}

TEST(ProbeTarget, AnAnswerBeforeTheFirstLookIsTakenWithoutWaiting) {
  for (const int connectMs : {0, 7}) {
    VirtualProbe probe(FakeWorkers::Mode::Inline);
    probe.sockets.Set("h", {"10.0.0.1", Answer::Accept, 40, connectMs});
    // The look-up's 40 ms are not part of the connect time; a connect under a tick counts as 0.
    EXPECT_EQ(ProbeTarget(probe.services(), "h", 53, 200), connectMs);
    EXPECT_EQ(probe.workers.delays(), 0);
  }
}

TEST(ProbeTarget, AConnectThatSucceedsDuringTheLastStepCounts) {
  VirtualProbe probe(FakeWorkers::Mode::Queue);
  probe.sockets.Set("h", {"10.0.0.1", Answer::Accept});
  probe.afterDelay = [&] {
    if (probe.Elapsed() >= 200) probe.workers.RunQueued();  // the step that ends at the limit
  };
  EXPECT_EQ(ProbeTarget(probe.services(), "h", 53, 200), 0);
  EXPECT_EQ(probe.Elapsed(), 200u);
}

TEST(ProbeTarget, AnAnswerAfterTheProbeReturnedIsIgnoredAndLandsInALiveCell) {
  VirtualProbe probe(FakeWorkers::Mode::Queue);
  probe.sockets.Set("h", {"10.0.0.1", Answer::Accept});
  EXPECT_EQ(ProbeTarget(probe.services(), "h", 53, 100), -1);
  probe.workers.RunQueued();  // writes into the cell the prober has let go of
}

TEST(ProbeTarget, AWorkerThatCannotStartGivesMinusOneAfterTheLimit) {
  VirtualProbe probe(FakeWorkers::Mode::Refuse);
  EXPECT_EQ(ProbeTarget(probe.services(), "h", 53, 500), -1);
  EXPECT_EQ(probe.Elapsed(), 500u);
  EXPECT_TRUE(probe.sockets.LookedUp().empty());
}

TEST(ProbeTarget, ACellThatCannotBeWrittenNeverPassesForASuccess) {
  // A failed read gives 0, which would read as a 0 ms connect.
  VirtualProbe probe(FakeWorkers::Mode::Inline);
  probe.sockets.Set("h", {"10.0.0.1", Answer::Refuse});
  testing::DeniedProcessMemoryOs denied;
  const ProbeServices services{probe.workers, probe.clock, probe.sockets,
                               std::make_shared<const ProcessMemory>(denied, probe.workers), 1};
  EXPECT_EQ(ProbeTarget(services, "h", 53, 200), -1);
}

// At the end of the program its process memory is released (Program::ReleaseProcessMemory); a
// probe that starts after that answers at once without a worker.
TEST(ProbeTarget, AfterTheProgramReleasedItsProcessMemoryAProbeAnswersAtOnce) {
  VirtualProbe probe(FakeWorkers::Mode::Inline);
  probe.sockets.Set("h", {"10.0.0.1", Answer::Accept});
  probe.memory = nullptr;
  EXPECT_EQ(ProbeTarget(probe.services(), "h", 53, 200), -1);
  EXPECT_EQ(probe.Elapsed(), 0u);
  EXPECT_EQ(probe.workers.delays(), 0);
}

TEST(ConnectivityProbe, TriesTheTargetsInOrderAndStopsAtTheFirstThatAccepts) {
  const std::vector<ProbeTargetSpec> targets = {
      {"first", 53, 200}, {"second", 53, 500}, {"web", 80, std::nullopt}};
  struct Case {
    const char* name;
    ScriptedSockets::Script first, second, web;
    bool online;
    std::vector<std::string> contacted;
    std::uint64_t elapsed;
  };
  const ScriptedSockets::Script accept{"10.0.0.1", Answer::Accept, 0, 5};
  const ScriptedSockets::Script refuse{"10.0.0.2", Answer::Refuse};
  const ScriptedSockets::Script unknown{"", Answer::Accept};
  const std::vector<Case> cases = {
      {"first accepts", accept, accept, accept, true, {"first"}, 5},
      {"second after the first's limit", refuse, accept, accept, true, {"first", "second"}, 205},
      {"web server last", refuse, refuse, accept, true, {"first", "second", "web"}, 705},
      {"nothing answers", refuse, refuse, refuse, false, {"first", "second", "web"}, 3700},
      {"web name unknown", refuse, refuse, unknown, false, {"first", "second", "web"}, 3700},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    VirtualProbe probe(FakeWorkers::Mode::Inline);
    probe.sockets.Set("first", c.first);
    probe.sockets.Set("second", c.second);
    probe.sockets.Set("web", c.web);
    EXPECT_EQ(岚栖_是否联网(targets, probe.services()), c.online);
    EXPECT_EQ(probe.sockets.LookedUp(), c.contacted);
    EXPECT_EQ(probe.Elapsed(), c.elapsed);
  }
}

TEST(ConnectivityProbe, TheReferenceTargetsAreTheResolversThenTheWebServer) {
  const auto targets = ReferenceProbeTargets();
  ASSERT_EQ(targets.size(), 3u);
  EXPECT_EQ(targets[0].host, reference::kFirstResolver);
  EXPECT_EQ(targets[0].port, 53);
  EXPECT_EQ(targets[0].limitMs, 200);
  EXPECT_EQ(targets[1].host, reference::kSecondResolver);
  EXPECT_EQ(targets[1].limitMs, 500);
  EXPECT_EQ(targets[2].host, reference::kWebServerHost);
  EXPECT_EQ(targets[2].port, 80);
  EXPECT_FALSE(targets[2].limitMs.has_value());
}

// Many probes at once whose workers are all stuck in their connects when the probers give up:
// no cell may be freed under a worker, and every worker must end once its connect returns.
TEST(ProbeTargetThreads, OverlappingProbesWithBlockedWorkersEndCleanly) {
  FakeWorkers workers(FakeWorkers::Mode::Threads);
  ScriptedSockets sockets;
  sockets.Set("silent", {"10.0.0.9", Answer::Hang});
  sockets.Set("fast", {"10.0.0.8", Answer::Accept});
  const ProbeServices services{workers, testing::HostSystem().clock, sockets,
                               std::make_shared<const ProcessMemory>(testing::HostProcessMemory()),
                               Self()};
  constexpr int kProbers = 24;
  std::atomic<int> silentGaveUp{0};
  std::atomic<int> fastAnswered{0};
  // jthreads: should making a thread fail midway, the exception leaves the test through joins,
  // as a failure with its message, instead of destroying joinable threads (std::terminate).
  std::vector<std::jthread> probers;
  for (int i = 0; i < kProbers; ++i) {
    probers.emplace_back([&, i] {
      const bool silent = i % 3 != 0;
      const std::int32_t result =
          ProbeTarget(services, silent ? "silent" : "fast", 53, silent ? 40 + i : 2000);
      if (silent && result == -1) silentGaveUp.fetch_add(1);
      if (!silent && result >= 0) fastAnswered.fetch_add(1);
    });
  }
  probers.clear();
  EXPECT_EQ(silentGaveUp.load(), kProbers - kProbers / 3);
  EXPECT_EQ(fastAnswered.load(), kProbers / 3);
  EXPECT_EQ(workers.started(), kProbers);
  EXPECT_GT(workers.live(), 0);  // the silent ones are still inside their connects
  sockets.ReleaseHung();         // late successes, written into cells nobody reads
  EXPECT_TRUE(workers.WaitUntilAllEnded(std::chrono::seconds(30)));
  EXPECT_EQ(workers.live(), 0);
}

TEST(ProbeTargetLoopback, AListeningPortAcceptsAndAClosedOneDoesNot) {
  std::int32_t closedPort = 0;
  {
    const testing::LoopbackListener listener;
    ASSERT_NE(listener.port(), 0);
    FakeWorkers workers(FakeWorkers::Mode::Threads);
    const ProbeServices services{
        workers, testing::HostSystem().clock, testing::HostSystem().sockets,
        std::make_shared<const ProcessMemory>(testing::HostProcessMemory()), Self()};
    EXPECT_GE(ProbeTarget(services, "127.0.0.1", listener.port(), 2000), 0);
    EXPECT_GE(ProbeTarget(services, "localhost", listener.port(), 2000), 0);
    closedPort = listener.port();
    const std::vector<ProbeTargetSpec> targets = {{"127.0.0.1", listener.port(), 2000}};
    EXPECT_TRUE(岚栖_是否联网(targets, services));
    EXPECT_TRUE(workers.WaitUntilAllEnded(std::chrono::seconds(30)));
  }
  FakeWorkers workers(FakeWorkers::Mode::Threads);
  const ProbeServices services{workers, testing::HostSystem().clock, testing::HostSystem().sockets,
                               std::make_shared<const ProcessMemory>(testing::HostProcessMemory()),
                               Self()};
  EXPECT_EQ(ProbeTarget(services, "127.0.0.1", closedPort, 60), -1);
  EXPECT_EQ(ProbeTarget(services, "", 80, 40), -1);
  EXPECT_EQ(ProbeTarget(services, "127.0.0.1", 70000, 40), -1);
  EXPECT_TRUE(workers.WaitUntilAllEnded(std::chrono::seconds(30)));
}

}  // namespace
}  // namespace lanqi
