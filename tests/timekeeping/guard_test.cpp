#include <gtest/gtest.h>

#include <vector>

#include "tests/timekeeping/simulation.hpp"

namespace lanqi {
namespace {

using testing::Simulation;

constexpr char kSuccessLine[] = "【修复成功】钟卫将会持续守护您的时间安全！\r\n";
constexpr char kFailureLine[] = "【修复失败】请检查是否授予钟卫[管理员权限]！\r\n";

// The correct time (with no offset, the standard time) as a refresh at `tickMs` leaves it.
void SetCorrectTime(ClockState& state, DateTime correct, std::uint64_t tickMs) {
  state.SetStandardTime(correct, tickMs);
  state.AdvanceStandardTime(tickMs);
}

// A guard pass on its own: the system clock at `now`, the correct time given.
struct GuardPassAlone : ::testing::Test {
  Simulation sim{DateTimeFromParts(2024, 2, 11, 10, 0, 0)};
  void RunGuard(DateTime correct) {
    SetCorrectTime(sim.state, correct, sim.clock.TickCountMs());
    GuardPass(sim.services);
  }
};

TEST_F(GuardPassAlone, RepairsAClockFiveMinutesBehind) {
  RunGuard(DateTimeFromParts(2024, 2, 11, 10, 5, 3));
  ASSERT_EQ(sim.log.size(), 2u);
  EXPECT_EQ(sim.log[0].text,
            "\r\n#尝试修复\r\n错误的当前时间：2024年2月11日10时 ×\r\n"
            "修复到正确时间：2024年2月11日10时5分4秒 √ [←]\r\n");
  EXPECT_EQ(sim.log[1].text, kSuccessLine);
  EXPECT_EQ(sim.clock.WallClockMs(),
            testing::VirtualClock::ToMs(DateTimeFromParts(2024, 2, 11, 10, 5, 4)));
  ASSERT_EQ(sim.Balloons().size(), 1u);
  EXPECT_EQ(
      sim.Balloons()[0],
      "岚栖钟卫|钟卫发现了一起时间异常问题，已为您修复！\r\n钟卫正在持续守护您的系统时间！|1|1");
  EXPECT_TRUE(sim.state.clockJustSet.load());
  EXPECT_EQ(sim.state.lastGoodTime.load(), DateTime{});  // a repair does not record a good time
  sim.RunFor(0);
  EXPECT_EQ(sim.network.fetches, 1);  // a calibration pass followed the repair
}

TEST_F(GuardPassAlone, TwoSecondsOffIsToleratedThreeAreRepairedBothWays) {
  const DateTime now = sim.clock.WallClock();
  for (int off : {-2, -1, 0, 1, 2}) {
    RunGuard(AddToDateTime(now, TimeUnit::Second, off));
    EXPECT_EQ(sim.clock.SetCount(), 0) << off;
    EXPECT_EQ(sim.state.lastGoodTime.load(), now);
  }
  for (int off : {-3, 3}) {
    sim.clock.SetWallClock(now);
    sim.state.clockJustSet = false;
    const int before = sim.clock.SetCount();
    RunGuard(AddToDateTime(now, TimeUnit::Second, off));
    EXPECT_EQ(sim.clock.SetCount(), before + 1) << off;
    EXPECT_EQ(sim.clock.WallClock(), AddToDateTime(now, TimeUnit::Second, off + 1));
  }
}

TEST_F(GuardPassAlone, FirstPassAfterASetOnlyRecordsTheTime) {
  sim.state.clockJustSet = true;
  RunGuard(DateTimeFromParts(2030, 1, 1));
  EXPECT_TRUE(sim.log.empty());
  EXPECT_FALSE(sim.state.clockJustSet.load());
  EXPECT_EQ(sim.state.lastGoodTime.load(), sim.clock.WallClock());
}

// The process stalls 3 s between its read of the wall clock and of the tick count: no repair.
TEST_F(GuardPassAlone, StallBetweenItsReadsIsNoDrift) {
  const DateTime now = sim.clock.WallClock();
  sim.state.SetStandardTime(now, sim.clock.TickCountMs());
  sim.state.AdvanceStandardTime(sim.clock.TickCountMs());  // the correct time, anchored now
  sim.clock.StallAfterNextRead(3000);
  GuardPass(sim.services);
  EXPECT_EQ(sim.clock.SetCount(), 0);
  EXPECT_TRUE(sim.log.empty());
}

TEST_F(GuardPassAlone, RefusedSetLogsTheFailureAndShowsNoBalloon) {
  sim.clock.RefuseSet(true);
  RunGuard(DateTimeFromParts(2024, 2, 11, 10, 5, 3));
  ASSERT_EQ(sim.log.size(), 2u);
  EXPECT_EQ(sim.log[1].text, kFailureLine);
  EXPECT_TRUE(sim.Balloons().empty());
  EXPECT_TRUE(sim.state.clockJustSet.load());
}

TEST_F(GuardPassAlone, BalloonIsOnlyShownWhileTheIconIsThere) {
  sim.window.SetTrayShown(false);
  RunGuard(DateTimeFromParts(2024, 2, 11, 10, 5, 3));
  EXPECT_TRUE(sim.Balloons().empty());
  EXPECT_EQ(sim.log[1].text, kSuccessLine);
}

// The system time is converted before the correct time, each conversion carrying the
// milliseconds of its own read: exactly two seconds behind is repaired when the milliseconds
// move on between the reads, exactly two seconds ahead when a second boundary falls between them.
TEST(GuardConversions, SystemTimeIsConvertedFirst) {
  struct Case {
    const char* name;
    int correctMinusSystemSeconds;
    int firstReadMs;  // the system time is read at this millisecond, then converted at the next
    bool repaired;
  };
  const std::vector<Case> cases = {
      {"2 s behind, milliseconds move on", 2, 100, true},
      {"2 s behind, second boundary between the conversions", 2, 998, false},
      {"2 s ahead, milliseconds move on", -2, 100, false},
      {"2 s ahead, second boundary between the conversions", -2, 998, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const DateTime system = DateTimeFromParts(2024, 2, 11, 10, 0, 0);
    testing::VirtualClock clock(system, c.firstReadMs);
    clock.StepOnEveryRead(true);
    Simulation sim;
    PassServices services{sim.state,   sim.window,        clock,
                          sim.workers, sim.networkSource, sim.guardGate};
    SetCorrectTime(sim.state, AddToDateTime(system, TimeUnit::Second, c.correctMinusSystemSeconds),
                   clock.TickCountMs());
    GuardPass(services);
    EXPECT_EQ(clock.SetCount(), c.repaired ? 1 : 0);
    EXPECT_EQ(sim.CountLog("#尝试修复"), c.repaired ? 1 : 0);
  }
}

// In the running program: the guard after the first reading.
TEST(Guard, WithoutTheRightToSetTheClockTriesEveryTwoSeconds) {
  Simulation sim;
  sim.clock.RefuseSet(true);
  sim.Start();
  sim.RunFor(10000);
  sim.clock.JumpWallClock(-60000);
  sim.RunFor(20000);
  std::vector<std::int64_t> attempts;
  for (const auto& entry : sim.log) {
    if (entry.text.find("#尝试修复") != std::string::npos) attempts.push_back(entry.atMs);
  }
  ASSERT_GE(attempts.size(), 9u);
  for (std::size_t i = 1; i < attempts.size(); ++i) EXPECT_EQ(attempts[i] - attempts[i - 1], 2000);
  EXPECT_EQ(sim.CountLog("【修复失败】"), static_cast<int>(attempts.size()));
  EXPECT_TRUE(sim.Balloons().empty());
}

TEST(Guard, RepairLeavesTheClockOneSecondAheadAndThenAlone) {
  Simulation sim;
  sim.Start();
  sim.RunFor(10000);
  sim.clock.JumpWallClock(-30000);
  sim.RunFor(10000);
  EXPECT_EQ(sim.CountLog("#尝试修复"), 1);
  // Set to the correct time plus one second at a whole second: ahead by up to a second more.
  const std::int64_t ahead = sim.clock.WallClockMs() - sim.TrueTimeMs();
  EXPECT_GT(ahead, 0);
  EXPECT_LE(ahead, 2000);
}

TEST(Guard, ChangedOffsetIsRepairedAfterTheNextRefresh) {
  Simulation sim;
  sim.Start();
  sim.RunFor(10000);
  sim.state.offsetSeconds = 10;
  sim.RunFor(5000);
  EXPECT_EQ(sim.CountLog("#尝试修复"), 1);
  EXPECT_NEAR(static_cast<double>(sim.clock.WallClockMs() - sim.TrueTimeMs()), 11000.0, 1000.0);
}

}  // namespace
}  // namespace lanqi
