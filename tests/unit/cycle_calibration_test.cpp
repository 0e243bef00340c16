#include <gtest/gtest.h>

#include "tests/unit/cycle_simulation.hpp"

namespace lanqi {
namespace {

using platform::Timer;
using testing::Simulation;

constexpr char kInitLine[] = "系统初始化成功，正在首次校对网络时间！";
constexpr char kUnreachableLine[] = "当前网络未连接，无法与时间服务器建立通讯！";
constexpr char kRejectedLine[] = "发现网络时间异常，已准备3秒后重试";
constexpr char kAcceptedPrefix[] = "已校准网络时间：";
constexpr char kForcedPrefix[] = "已确定网络时间无误，更新标准为网络时间：";

std::vector<std::int64_t> TimesOf(const Simulation& sim, const std::string& text) {
  std::vector<std::int64_t> times;
  for (const auto& entry : sim.window.log) {
    if (entry.text.find(text) != std::string::npos) times.push_back(entry.atMs);
  }
  return times;
}

std::int64_t WhenGuardStarted(const Simulation& sim) {
  for (const auto& change : sim.periodChanges) {
    if (change.timer == Timer::时钟1 && change.period == 1000) return change.atMs;
  }
  return -1;
}

TEST(Calibration, FirstStartWithAGoodReading) {
  Simulation sim(DateTimeFromParts(2024, 2, 11, 10, 5, 3));
  sim.Start();
  sim.RunFor(5000);
  ASSERT_GE(sim.window.log.size(), 2u);
  EXPECT_EQ(sim.window.log[0].text, std::string(kInitLine) + "\r\n");
  EXPECT_EQ(sim.window.log[1].text, "已校准网络时间：2024年2月11日10时5分3秒\r\n");
  EXPECT_EQ(sim.window.log.size(), 2u);
  EXPECT_EQ(WhenGuardStarted(sim) - sim.window.log[1].atMs, 3000);
  EXPECT_EQ(sim.Period(Timer::时钟1), 1000);
  EXPECT_EQ(sim.Period(Timer::时钟2), 1800000);
  EXPECT_EQ(sim.state.calibrationFailures.load(), 0);
  EXPECT_TRUE(sim.window.balloons.empty());  // the clock was right: nothing to repair
}

TEST(Calibration, WithoutNetworkRetriesEveryTenSecondsAndNeverGuards) {
  Simulation sim;
  sim.network.reachable = [](std::int64_t) { return false; };
  sim.Start();
  sim.RunFor(120000);
  const auto times = TimesOf(sim, kUnreachableLine);
  ASSERT_GE(times.size(), 10u);
  for (std::size_t i = 2; i < times.size(); ++i) EXPECT_EQ(times[i] - times[i - 1], 10000);
  EXPECT_EQ(sim.network.fetches, 0);
  EXPECT_EQ(sim.Period(Timer::时钟1), 0);
  EXPECT_EQ(sim.Period(Timer::时钟2), 10000);
}

TEST(Calibration, RepairStartedPassWithinThreeMinutesLeavesNoTrace) {
  Simulation sim;
  sim.Start();
  sim.RunFor(10000);
  const auto logBefore = sim.window.log.size();
  const auto periodChangesBefore = sim.periodChanges.size();
  sim.clock.JumpWallClock(10000);  // someone moves the clock; the guard repairs it
  sim.RunFor(5000);
  EXPECT_EQ(sim.CountLog("#尝试修复"), 1);
  EXPECT_EQ(sim.network.fetches, 1);
  EXPECT_EQ(sim.window.log.size(), logBefore + 2);  // the attempt and the success line only
  EXPECT_EQ(sim.periodChanges.size(), periodChangesBefore);
  EXPECT_EQ(sim.Period(Timer::时钟2), 1800000);
}

TEST(Calibration, ClockSetBackStopsEveryPassUntilItHasCaughtUp) {
  Simulation sim;
  sim.clock.RefuseSet(true);  // the guard cannot undo the change
  sim.Start();
  sim.RunFor(10000);
  sim.clock.JumpWallClock(-10 * 60 * 1000);
  const auto changesBefore = sim.periodChanges.size();
  sim.RunFor(12 * 60 * 1000);
  EXPECT_EQ(sim.network.fetches, 1);
  EXPECT_GT(sim.CountLog("【修复失败】"), 100);
  EXPECT_EQ(sim.CountLog(kAcceptedPrefix), 1);
  EXPECT_EQ(sim.periodChanges.size(), changesBefore);  // 时钟2 keeps its period
  sim.RunFor(2 * 60 * 1000);  // past the moment of the last reading plus three minutes
  EXPECT_EQ(sim.network.fetches, 2);
  EXPECT_EQ(sim.CountLog(kAcceptedPrefix), 2);
}

TEST(Calibration, ReadingBeforeTheEarliestYearIsRejected) {
  Simulation sim(DateTimeFromParts(2020, 6, 1, 12, 0, 0));
  sim.Start();
  sim.RunFor(1000);
  EXPECT_EQ(sim.window.log[1].text, std::string(kRejectedLine) + "\r\n");
  EXPECT_EQ(sim.state.calibrationFailures.load(), 1);
  EXPECT_EQ(sim.Period(Timer::时钟2), 3000);
  EXPECT_EQ(sim.Period(Timer::时钟1), 0);
}

TEST(Calibration, OffsetAheadIsRejectedThreeTimesThenForcedIn) {
  Simulation sim;
  sim.state.offsetSeconds = 60;
  sim.Start();
  sim.RunFor(29 * 60 * 1000);
  EXPECT_EQ(sim.CountLog(kAcceptedPrefix), 1);
  EXPECT_EQ(sim.CountLog("【修复成功】"), 1);  // the guard moved the clock a minute ahead
  sim.RunFor(2 * 60 * 1000);
  const auto rejected = TimesOf(sim, kRejectedLine);
  ASSERT_EQ(rejected.size(), 3u);
  // 3 s apart, give or take the time a pass takes to probe and fetch.
  EXPECT_NEAR(rejected[1] - rejected[0], 3000, 100);
  EXPECT_EQ(rejected[2] - rejected[1], 3000);
  const auto forced = TimesOf(sim, kForcedPrefix);
  ASSERT_EQ(forced.size(), 1u);
  EXPECT_EQ(forced[0] - rejected[2], 3000);
  const auto lines = sim.LogLines();
  const auto at = std::find_if(lines.begin(), lines.end(), [](const std::string& line) {
    return line.rfind(kForcedPrefix, 0) == 0;
  });
  ASSERT_NE(at + 1, lines.end());
  EXPECT_EQ(at[1].rfind(kAcceptedPrefix, 0), 0u);
  EXPECT_EQ(sim.state.calibrationFailures.load(), 0);
  EXPECT_EQ(sim.Period(Timer::时钟2), 1800000);
}

TEST(Calibration, OffsetZeroOrBehindIsAcceptedAtTheFirstPass) {
  for (int offset : {0, -60}) {
    Simulation sim;
    sim.state.offsetSeconds = offset;
    sim.Start();
    sim.RunFor(31 * 60 * 1000);
    EXPECT_EQ(sim.CountLog(kRejectedLine), 0) << offset;
    EXPECT_EQ(sim.CountLog(kAcceptedPrefix), 2) << offset;
  }
}

TEST(Calibration, ForcedReadingBeforeTheEarliestYearEndsAsOneFailure) {
  Simulation sim;
  sim.state.calibrationFailures = 3;
  sim.network.reading = [](std::int64_t) { return DateTimeFromParts(2020, 3, 4, 5, 6, 7); };
  sim.Start();
  sim.RunFor(500);  // before the first display tick moves the standard time on
  const auto lines = sim.LogLines();
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[1], "已确定网络时间无误，更新标准为网络时间：2020年3月4日5时6分7秒");
  EXPECT_EQ(lines[2], kRejectedLine);
  EXPECT_EQ(sim.state.calibrationFailures.load(), 1);
  EXPECT_EQ(sim.state.standardTime.load(), DateTimeFromParts(2020, 3, 4, 5, 6, 7));
  EXPECT_EQ(sim.Period(Timer::时钟2), 3000);
}

TEST(Calibration, FailedFetchIsNeverForcedIn) {
  Simulation sim;
  sim.network.reading = [](std::int64_t) { return DateTimeFromParts(100, 1, 1, 8, 0, 0); };
  sim.Start();
  sim.RunFor(60000);
  EXPECT_GE(sim.CountLog(kRejectedLine), 15);
  EXPECT_EQ(sim.CountLog(kForcedPrefix), 0);
  EXPECT_EQ(sim.Period(Timer::时钟1), 0);
}

TEST(Calibration, ReadingExactlyThreeSecondsBehindIsKept) {
  Simulation sim;
  sim.state.lastGoodTime = AddToDateTime(sim.TrueTime(), TimeUnit::Second, 3);
  sim.Start();
  sim.RunFor(100);
  EXPECT_EQ(sim.CountLog(kAcceptedPrefix), 1);

  Simulation later;
  later.state.lastGoodTime = AddToDateTime(later.TrueTime(), TimeUnit::Second, 4);
  later.Start();
  later.RunFor(100);
  EXPECT_EQ(later.CountLog(kRejectedLine), 1);
}

}  // namespace
}  // namespace lanqi
