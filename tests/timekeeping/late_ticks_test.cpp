#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "tests/support/clock_state_peer.hpp"
#include "tests/timekeeping/simulation.hpp"

namespace lanqi {
namespace {

using testing::Simulation;
using testing::VirtualClock;

// The correct time as the guard compares it, in milliseconds.
std::int64_t GuardsCorrectMs(const Simulation& sim) {
  return VirtualClock::ToMs(sim.state.CorrectTimeAt(sim.clock.TickCountMs()));
}

// The true Beijing time plus the offset, to the whole second like the program's own clock.
std::int64_t TrueCorrectSecondMs(const Simulation& sim) {
  const std::int64_t ms = sim.TrueTimeMs() + 1000LL * sim.state.offsetSeconds.load();
  return ms - ms % 1000;
}

// Display ticks that come late, late and merged, or not at all: the program's clock keeps true
// time, so the guard never repairs the (right) system clock, least of all backwards.
TEST(LateDisplayTicks, ProgramClockKeepsTrueTimeAndTheGuardLeavesTheClockAlone) {
  constexpr std::int64_t kMinute = 60000;
  constexpr std::int64_t kHour = 60 * kMinute;
  struct Case {
    const char* name;
    std::function<std::optional<std::int64_t>(std::int64_t)> delivery;
    std::int64_t runMs;
  };
  const std::vector<Case> cases = {
      {"lost for eight hours",
       [](std::int64_t due) -> std::optional<std::int64_t> {
         if (due > 10 * kMinute && due <= 10 * kMinute + 8 * kHour) return std::nullopt;
         return due;
       },
       8 * kHour + 20 * kMinute},
      // Each tick 1.4 s after it fell due; the next falls due a period after it came.
      {"each 1.4 s late", [](std::int64_t due) { return due + 1400; }, kHour},
      // The 15.6 ms timer resolution of Windows: a thousand ticks each 15.6 ms late.
      {"a thousand ticks each 15.6 ms late",
       [n = 0](std::int64_t due) mutable { return due + (n++ % 5 < 3 ? 16 : 15); }, 1000 * 1016},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Simulation sim;
    sim.displayTickDelivery = c.delivery;
    // The correct time shown by each refresh, just after it.
    std::int64_t worstShown = 0;
    DateTime shown{};
    sim.afterEachWorker = [&] {
      if (sim.state.CorrectTime() == shown) return;
      shown = sim.state.CorrectTime();
      const std::int64_t off = VirtualClock::ToMs(shown) - TrueCorrectSecondMs(sim);
      if (std::llabs(off) > std::llabs(worstShown)) worstShown = off;
    };
    sim.Start();
    std::int64_t worst = 0, worstExact = 0;
    while (sim.NowMs() < c.runMs) {
      sim.RunFor(250);
      const std::int64_t off = GuardsCorrectMs(sim) - TrueCorrectSecondMs(sim);
      if (std::llabs(off) > std::llabs(worst)) worst = off;
      ASSERT_LE(std::llabs(off), 1000) << "at " << sim.NowMs();
      const std::int64_t exact =
          GuardsCorrectMs(sim) - sim.TrueTimeMs() - 1000LL * sim.state.offsetSeconds.load();
      if (std::llabs(exact) > std::llabs(worstExact)) worstExact = exact;
    }
    EXPECT_LE(std::llabs(worstShown), 1000);
    EXPECT_EQ(sim.CountLog("#尝试修复"), 0);
    for (const auto& set : sim.clock.SetAttempts()) EXPECT_GE(set.targetMs, set.wallMsBefore);
    EXPECT_GE(sim.CountLog("已校准网络时间："), 1);
    RecordProperty(std::string("worst_ms ") + c.name, static_cast<int>(worstExact));
    std::printf(
        "%s: worst correct - true: %lld ms in whole seconds (%lld ms exactly), shown "
        "%lld ms\n",
        c.name, static_cast<long long>(worst), static_cast<long long>(worstExact),
        static_cast<long long>(worstShown));
  }
}

// The server answers 2020 after a first good reading. With the offset a minute ahead every
// 30-minute pass is rejected three times and then comes to the forced acceptance, which must
// not take a reading from before the earliest year.
TEST(LateDisplayTicks, ServerAnsweringTwentyTwentyNeverReachesTheClock) {
  Simulation sim;
  sim.state.offsetSeconds = 60;
  const DateTime past = DateTimeFromParts(2020, 6, 1, 12, 0, 0);
  sim.network.reading = [&sim, past](std::int64_t now) {
    return now < 20 * 60000 ? sim.TrueTime() : past;
  };
  sim.Start();
  while (sim.NowMs() < 2 * 3600000) {
    sim.RunFor(1000);
    ASSERT_GE(YearOf(testing::StandardTimeOf(sim.state)), 2021) << "at " << sim.NowMs();
    ASSERT_GE(YearOf(sim.state.CorrectTime()), 2021) << "at " << sim.NowMs();
  }
  const auto sets = sim.clock.SetAttempts();
  ASSERT_FALSE(sets.empty());  // the guard moved the clock a minute ahead once
  for (const auto& set : sets) EXPECT_GE(YearOf(VirtualClock::FromMs(set.targetMs)), 2021);
  EXPECT_EQ(sim.CountLog("已确定网络时间无误"), 0);
  EXPECT_GT(sim.CountLog("发现网络时间异常，已准备3秒后重试\r\n"), 100);
  EXPECT_GE(sim.state.calibrationFailures.load(), 4);
}

}  // namespace
}  // namespace lanqi
