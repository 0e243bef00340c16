#include <gtest/gtest.h>

#include <random>

#include "tests/timekeeping/simulation.hpp"

namespace lanqi {
namespace {

using testing::Simulation;
using testing::VirtualClock;

// A day of the program's life with faults at random moments: unreachable spells, failed fetches,
// readings behind, the clock moved by hand and the offset changed. Whenever the last calibration
// was accepted, the system clock stays within the guard's tolerance of the correct time, except
// for the two guard passes that follow a disturbance.
TEST(LongRun, DayWithRandomFaultsKeepsTheClockWithinTolerance) {
  for (unsigned seed : {1u, 2u, 3u}) {
    Simulation sim;
    std::mt19937 random(seed);
    std::int64_t unreachableUntil = 0, failingUntil = 0, behindUntil = 0;
    sim.network.reachable = [&](std::int64_t now) { return now >= unreachableUntil; };
    sim.network.reading = [&](std::int64_t now) {
      if (now < failingUntil) return DateTimeFromParts(100, 1, 1, 8, 0, 0);
      if (now < behindUntil) return AddToDateTime(sim.TrueTime(), TimeUnit::Second, -20);
      return sim.TrueTime();
    };
    sim.Start();

    std::int64_t lastDisturbance = 0;
    std::size_t logSeen = 0;
    bool lastCalibrationAccepted = false;
    int checked = 0, worst = 0;
    std::uniform_int_distribution<int> minutes(3, 40), kind(0, 4), seconds(-3600, 3600);
    std::int64_t nextFault = 60000LL * minutes(random);

    for (std::int64_t t = 0; t < 24LL * 3600 * 1000; t += 1000) {
      if (sim.NowMs() >= nextFault) {
        switch (kind(random)) {
          case 0:
            unreachableUntil = sim.NowMs() + 60000LL * minutes(random);
            break;
          case 1:
            failingUntil = sim.NowMs() + 1000LL * minutes(random);
            break;
          case 2:
            behindUntil = sim.NowMs() + 1000LL * minutes(random);
            break;
          case 3:
            sim.clock.JumpWallClock(1000LL * seconds(random));
            break;
          case 4:
            sim.state.offsetSeconds = seconds(random) / 36;
            break;
        }
        lastDisturbance = sim.NowMs();
        nextFault = sim.NowMs() + 60000LL * minutes(random);
      }
      sim.RunFor(1000);
      for (; logSeen < sim.log.size(); ++logSeen) {
        const std::string& text = sim.log[logSeen].text;
        if (text.find("已校准网络时间：") != std::string::npos) {
          lastCalibrationAccepted = true;
          lastDisturbance = sim.log[logSeen].atMs;  // the correct time moves
        } else if (text.find("发现网络时间异常") != std::string::npos) {
          lastCalibrationAccepted = false;
        }
      }
      if (!lastCalibrationAccepted || sim.NowMs() - lastDisturbance < 3500) continue;
      const std::int64_t off =
          std::llabs(sim.clock.WallClockMs() - VirtualClock::ToMs(sim.state.CorrectTime()));
      worst = std::max(worst, static_cast<int>(off));
      ++checked;
      ASSERT_LE(off, 2000 + 999) << "seed " << seed << " at " << sim.NowMs();
    }
    EXPECT_GT(checked, 40000) << seed;
    EXPECT_GT(sim.CountLog("#尝试修复"), 5) << seed;
    EXPECT_GT(sim.CountLog("当前网络未连接"), 0) << seed;
    EXPECT_TRUE(sim.AllWorkersDone());
    RecordProperty("worst_offset_ms_seed_" + std::to_string(seed), worst);
  }
}

}  // namespace
}  // namespace lanqi
