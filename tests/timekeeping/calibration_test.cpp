#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "tests/support/clock_state_peer.hpp"
#include "tests/timekeeping/simulation.hpp"
#include "timekeeping/local_time.hpp"

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
  for (const auto& entry : sim.log) {
    if (entry.text.find(text) != std::string::npos) times.push_back(entry.atMs);
  }
  return times;
}

std::int64_t WhenGuardStarted(const Simulation& sim) {
  for (const auto& change : sim.periodChanges) {
    if (change.timer == platform::kGuardTimer && change.period == 1000) return change.atMs;
  }
  return -1;
}

TEST(Calibration, FirstStartWithAGoodReading) {
  Simulation sim(DateTimeFromParts(2024, 2, 11, 10, 5, 3));
  sim.Start();
  sim.RunFor(5000);
  ASSERT_GE(sim.log.size(), 2u);
  EXPECT_EQ(sim.log[0].text, std::string(kInitLine) + "\r\n");
  EXPECT_EQ(sim.log[1].text, "已校准网络时间：2024年2月11日10时5分3秒\r\n");
  EXPECT_EQ(sim.log.size(), 2u);
  EXPECT_EQ(WhenGuardStarted(sim) - sim.log[1].atMs, 3000);
  EXPECT_EQ(sim.Period(platform::kGuardTimer), 1000);
  EXPECT_EQ(sim.Period(platform::kCalibrationTimer), 1800000);
  EXPECT_EQ(sim.state.calibrationFailures.load(), 0);
  EXPECT_TRUE(sim.Balloons().empty());  // the clock was right: nothing to repair
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
  EXPECT_EQ(sim.Period(platform::kGuardTimer), 0);
  EXPECT_EQ(sim.Period(platform::kCalibrationTimer), 10000);
}

TEST(Calibration, RepairStartedPassWithinThreeMinutesLeavesNoTrace) {
  Simulation sim;
  sim.Start();
  sim.RunFor(10000);
  const auto logBefore = sim.log.size();
  const auto periodChangesBefore = sim.periodChanges.size();
  sim.clock.JumpWallClock(10000);  // someone moves the clock; the guard repairs it
  sim.RunFor(5000);
  EXPECT_EQ(sim.CountLog("#尝试修复"), 1);
  EXPECT_EQ(sim.network.fetches, 1);
  EXPECT_EQ(sim.log.size(), logBefore + 2);  // the attempt and the success line only
  EXPECT_EQ(sim.periodChanges.size(), periodChangesBefore);
  EXPECT_EQ(sim.Period(platform::kCalibrationTimer), 1800000);
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
  ASSERT_EQ(at[1].rfind(kAcceptedPrefix, 0), 0u);
  EXPECT_EQ(*at, kForcedPrefix + at[1].substr(std::string_view(kAcceptedPrefix).size()));
  EXPECT_EQ(sim.state.calibrationFailures.load(), 0);
  EXPECT_EQ(sim.Period(platform::kCalibrationTimer), 1800000);
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

// A reading from before the earliest year is not forced in after three rejections: it counts as
// one more rejection and the standard time stays as it was.
TEST(Calibration, ForcedReadingBeforeTheEarliestYearIsOneMoreRejection) {
  Simulation sim;
  sim.state.calibrationFailures = 3;
  sim.network.reading = [](std::int64_t) { return DateTimeFromParts(2020, 3, 4, 5, 6, 7); };
  sim.Start();
  sim.RunFor(500);  // before the first display tick moves the standard time on
  EXPECT_EQ(sim.LogLines(), (std::vector<std::string>{kInitLine, kRejectedLine}));
  EXPECT_EQ(sim.state.calibrationFailures.load(), 4);
  EXPECT_EQ(testing::StandardTimeOf(sim.state), DateTimeFromParts(2024, 2, 11, 10, 5, 3));
  EXPECT_EQ(sim.state.lastCalibrationMs.load(), 0);
  EXPECT_FALSE(sim.state.clockJustSet.load());
  EXPECT_EQ(sim.Period(platform::kCalibrationTimer), 3000);
}

// One pass at the edges of its tests: the spacing of readings, the earliest year, and an
// unreachable network soon after a reading (connectivity is asked before the spacing).
TEST(Calibration, OnePassAtTheEdgesOfItsTests) {
  struct Case {
    const char* name;
    DateTime start;
    std::optional<std::int64_t> lastReadingAgoMs;
    bool reachable;
    std::vector<std::string> lines;
    int fetches;
    std::vector<int> periodsOf时钟2;
  };
  const DateTime feb = DateTimeFromParts(2024, 2, 11, 10, 5, 3);
  // clang-format off
  const std::vector<Case> cases = {
      {"spacing 179999 ms", feb, 179999, true, {}, 0, {}},
      {"spacing 180000 ms", feb, 180000, true, {"已校准网络时间：2024年2月11日10时5分3秒"}, 1, {1800000}},
      {"reading in 2020", DateTimeFromParts(2020, 12, 31, 23, 59, 59), std::nullopt, true, {kRejectedLine}, 1, {3000}},
      {"reading in 2021", DateTimeFromParts(2021, 1, 1, 0, 0, 0), std::nullopt, true, {"已校准网络时间：2021年1月1日"}, 1, {1800000}},
      {"unreachable a second after a reading", feb, 1000, false, {kUnreachableLine}, 0, {10000}},
  };
  // clang-format on
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Simulation sim(c.start);
    sim.network.reachable = [&c](std::int64_t) { return c.reachable; };
    sim.network.reachableCostMs = 0;  // the spacing is measured at the very moment of the pass
    sim.network.unreachableCostMs = 0;
    if (c.lastReadingAgoMs) {
      sim.state.lastCalibrationMs =
          岚栖_时间转毫秒(CurrentLocalTime(sim.clock), sim.clock) - *c.lastReadingAgoMs;
    }
    CalibrationPass(sim.services);
    EXPECT_EQ(sim.LogLines(), c.lines);
    EXPECT_EQ(sim.network.fetches, c.fetches);
    std::vector<int> periods;
    for (const auto& change : sim.periodChanges) {
      if (change.timer == platform::kCalibrationTimer) periods.push_back(change.period);
    }
    EXPECT_EQ(periods, c.periodsOf时钟2);
  }
}

// The wait between an accepted reading and the start of the guard is measured on the tick
// count: the wall clock moved by an hour either way during it changes nothing.
TEST(Calibration, WaitBeforeTheGuardIgnoresChangesOfTheWallClock) {
  for (const std::int64_t jumpMs : {3600000LL, -3600000LL}) {
    SCOPED_TRACE(jumpMs);
    Simulation sim;
    sim.At(1500, [&sim, jumpMs] { sim.clock.JumpWallClock(jumpMs); });
    sim.Start();
    sim.RunFor(5000);
    const auto accepted = TimesOf(sim, kAcceptedPrefix);
    ASSERT_EQ(accepted.size(), 1u);
    EXPECT_EQ(WhenGuardStarted(sim) - accepted[0], 3000);
  }
}

TEST(Calibration, FailedFetchIsNeverForcedIn) {
  Simulation sim;
  sim.network.reading = [](std::int64_t) { return DateTimeFromParts(100, 1, 1, 8, 0, 0); };
  sim.Start();
  sim.RunFor(60000);
  EXPECT_GE(sim.CountLog(kRejectedLine), 15);
  EXPECT_EQ(sim.CountLog(kForcedPrefix), 0);
  EXPECT_EQ(sim.Period(platform::kGuardTimer), 0);
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

// The machine sleeps 8 hours while the answer of a calibration is on its way: the Date written
// before the sleep is not taken, the clock is never set, and the next pass takes a fresh reading.
TEST(Calibration, ReadingDeliveredAcrossASleepIsNotTaken) {
  Simulation sim;
  sim.Start();
  sim.RunFor(10 * 60 * 1000);
  constexpr std::int64_t kEightHoursMs = 8LL * 3600 * 1000;
  bool slept = false;
  sim.network.reading = [&sim, &slept](std::int64_t) {
    const DateTime stamped = sim.TrueTime();
    if (!slept) {
      slept = true;
      sim.SleepMachine(kEightHoursMs);
    }
    return stamped;
  };
  sim.RunFor(25 * 60 * 1000);  // ends where the sleep began
  sim.RunFor(10000);
  EXPECT_TRUE(slept);
  EXPECT_EQ(sim.CountLog(kRejectedLine), 1);
  EXPECT_EQ(sim.CountLog(kForcedPrefix), 0);
  EXPECT_EQ(sim.CountLog(kAcceptedPrefix), 2);
  EXPECT_EQ(sim.clock.SetCount(), 0);
  EXPECT_NEAR(static_cast<double>(sim.clock.WallClockMs() - sim.TrueTimeMs()), 0.0, 0.0);
}

// A 40 s fetch is never taken, not even after three rejections; a 200 ms one is, anchored at the
// middle of its round trip (seen through the rounding of the next refresh).
TEST(Calibration, FetchDurationDecidesAndAnchors) {
  for (const int failuresBefore : {0, 3}) {
    Simulation sim;
    sim.network.fetchCostMs = 40000;
    sim.state.calibrationFailures = failuresBefore;
    CalibrationPass(sim.services);
    EXPECT_EQ(sim.LogLines(), std::vector<std::string>{kRejectedLine}) << failuresBefore;
    EXPECT_EQ(sim.state.calibrationFailures.load(), failuresBefore + 1);
    EXPECT_EQ(sim.Period(platform::kCalibrationTimer), 3000);
  }
  const DateTime reading = DateTimeFromParts(2024, 2, 11, 10, 5, 3);
  for (const auto& [afterMidpointMs, secondsOn] : {std::pair{5499, 5}, std::pair{5500, 6}}) {
    SCOPED_TRACE(afterMidpointMs);
    Simulation sim;
    sim.network.reachableCostMs = 0;
    sim.network.fetchCostMs = 200;
    sim.network.reading = [reading](std::int64_t) { return reading; };
    const std::uint64_t sent = sim.clock.TickCountMs();
    CalibrationPass(sim.services);
    EXPECT_EQ(sim.CountLog(kAcceptedPrefix), 1);
    EXPECT_EQ(sim.state.AdvanceStandardTime(sent + 100 + afterMidpointMs).standard,
              AddToDateTime(reading, TimeUnit::Second, secondsOn));
  }
}

// The steps of a pass that no other test pins, one row each: what the passes do, then what holds.
TEST(Calibration, StepsOfAnAcceptedPass) {
  const auto rejectOnce = [](Simulation& sim) {
    sim.state.lastGoodTime = AddToDateTime(sim.TrueTime(), TimeUnit::Second, 60);
    sim.state.lastCalibrationMs = 0;
    CalibrationPass(sim.services);
  };
  const auto acceptOnce = [](Simulation& sim) {
    sim.state.lastGoodTime = DateTime{};
    sim.state.lastCalibrationMs = 0;
    CalibrationPass(sim.services);
  };
  struct Row {
    const char* name;
    std::function<void(Simulation&)> passes;
    std::function<void(Simulation&)> holds;
  };
  const std::vector<Row> rows = {
      {"an acceptance starts the failure count again",
       [&](Simulation& sim) {
         rejectOnce(sim), rejectOnce(sim), acceptOnce(sim), rejectOnce(sim), rejectOnce(sim);
       },
       [](Simulation& sim) {
         EXPECT_EQ(sim.CountLog(kForcedPrefix), 0);
         EXPECT_EQ(sim.state.calibrationFailures.load(), 2);
       }},
      {"lastGoodTime is the local time after the wait, not the reading",
       [](Simulation& sim) {
         sim.network.reading = [&sim](std::int64_t) {
           return AddToDateTime(sim.TrueTime(), TimeUnit::Second, -2);
         };
         CalibrationPass(sim.services);
       },
       [](Simulation& sim) {
         EXPECT_EQ(sim.CountLog(kAcceptedPrefix), 1);
         EXPECT_EQ(sim.state.lastGoodTime.load(), sim.clock.WallClock());
       }},
      {"the first guard pass after an acceptance only records",
       [](Simulation& sim) {
         sim.network.reading = [&sim](std::int64_t) {
           return AddToDateTime(sim.TrueTime(), TimeUnit::Second, -10);
         };
         CalibrationPass(sim.services);
         GuardPass(sim.services);
       },
       [](Simulation& sim) {
         EXPECT_EQ(sim.clock.SetCount(), 0);
         EXPECT_FALSE(sim.state.clockJustSet.load());
       }},
      {"a reading in 2100 is the failure marker to the forced path",
       [](Simulation& sim) {
         sim.state.calibrationFailures = 3;
         sim.network.reading = [](std::int64_t) { return DateTimeFromParts(2100, 3, 4, 5, 6, 7); };
         CalibrationPass(sim.services);
       },
       [](Simulation& sim) {
         EXPECT_EQ(sim.CountLog(kForcedPrefix), 0);
         EXPECT_EQ(sim.CountLog("已校准网络时间：2100年3月4日5时6分7秒"), 1);
       }},
      {"passes started while a fetch waits out its minute end at once, leaving no trace",
       [](Simulation& sim) {
         sim.network.fetchCostMs = 60000;  // a stalled server, cut off at the request's bound
         sim.Start();
         sim.RunFor(5 * 60 * 1000);
       },
       [](Simulation& sim) {
         // Fetches one after another, at 0, 63, 126, 189 and 252 s, the 3-s retries between.
         EXPECT_EQ(sim.network.fetches, 5);
         EXPECT_EQ(sim.CountLog(kRejectedLine), 5);
         EXPECT_EQ(sim.log.size(), 6u);  // and the start-up line
       }},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    Simulation sim;
    row.passes(sim);
    row.holds(sim);
  }
}

}  // namespace
}  // namespace lanqi
