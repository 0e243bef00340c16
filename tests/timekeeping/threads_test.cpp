#include <gtest/gtest.h>

#include <atomic>
#include <chrono>

#include "tests/fakes/fake_network_time_source.hpp"
#include "tests/fakes/fake_window.hpp"
#include "tests/fakes/fake_workers.hpp"
#include "tests/fakes/virtual_clock.hpp"
#include "tests/support/clock_state_peer.hpp"
#include "timekeeping/display_refresh.hpp"
#include "timekeeping/pass_services.hpp"

namespace lanqi {
namespace {

// Real threads, as in the running program: overlapping refreshes, calibration and guard passes
// share the clock state without a lock. Run under ThreadSanitizer this shows no data race.
TEST(ClockThreads, OverlappingPassesOnRealThreadsShareTheStateSafely) {
  testing::VirtualClock clock;
  testing::FakeWindow window;
  testing::FakeWorkers threads(testing::FakeWorkers::Mode::Threads);
  // Started routines are queued, then handed to real threads below; waits move virtual time on.
  testing::FakeWorkers queued(testing::FakeWorkers::Mode::Queue);
  queued.onDelay = [&clock](int milliseconds) { clock.Advance(milliseconds); };
  window.SetTrayShown(true);
  ClockState state;
  // Now and then unreachable, now and then a reading from 2020; otherwise the clock's own time.
  std::atomic<int> calls{0};
  testing::FakeNetworkTimeSource network;
  network.reachable = [&calls] { return calls.fetch_add(1) % 5 != 0; };
  network.reading = [&calls, &clock] {
    return calls.load() % 7 == 0 ? DateTimeFromParts(2020, 1, 1) : clock.WallClock();
  };
  GuardGate gate;
  PassServices services{state, window, clock, queued, network, gate};
  state.SetStandardTime(clock.WallClock(), clock.TickCountMs());

  for (int round = 0; round < 40; ++round) {
    for (auto timer :
         {platform::kDisplayTimer, platform::kCalibrationTimer, platform::kGuardTimer}) {
      for (int i = 0; i < 3; ++i) StartTimerRoutine(services, timer);
    }
    if (round % 10 == 3) clock.JumpWallClock(-7000);
    if (round % 10 == 6) state.offsetSeconds = round;
    // Routines queued (ticks, and passes started by passes) go to real threads.
    for (auto& routine : queued.TakeQueued()) threads.Start(std::move(routine));
    clock.Advance(1000);
  }
  // Drain: passes started by passes keep coming until every thread has ended.
  for (;;) {
    auto routines = queued.TakeQueued();
    if (routines.empty()) {
      ASSERT_TRUE(threads.WaitUntilAllEnded(std::chrono::seconds(30)));
      routines = queued.TakeQueued();
      if (routines.empty()) break;
    }
    for (auto& routine : routines) threads.Start(std::move(routine));
  }
  EXPECT_EQ(threads.live(), 0);
  EXPECT_GE(YearOf(testing::StandardTimeOf(state)), 2020);
  EXPECT_NE(window.Text(platform::kLogBox), "");
}

}  // namespace
}  // namespace lanqi
