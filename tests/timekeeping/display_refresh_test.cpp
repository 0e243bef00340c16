#include "timekeeping/display_refresh.hpp"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "tests/fakes/fake_window.hpp"
#include "tests/fakes/virtual_clock.hpp"
#include "tests/support/clock_state_peer.hpp"

namespace lanqi {
namespace {

using platform::Control;

struct DisplayRefresh : ::testing::Test {
  testing::VirtualClock clock{DateTimeFromParts(2024, 2, 11, 10, 5, 3)};
  testing::FakeWindow window;
  ClockState state;
};

TEST_F(DisplayRefresh, ShowsTheThreeClocks) {
  state.SetStandardTime(DateTimeFromParts(2024, 2, 11, 10, 5, 2), clock.TickCountMs());
  EXPECT_EQ(state.CorrectTime(), DateTime{});  // never set before the first tick
  clock.Advance(1000);
  RefreshClockDisplay(state, window, clock);
  EXPECT_EQ(window.Text(platform::kSystemTimeLabel), "系统时间：2024年2月11日10时5分4秒");
  EXPECT_EQ(window.Text(platform::kBeijingTimeLabel), "北京时间：2024年2月11日10时5分3秒");
  EXPECT_EQ(window.Text(platform::kCorrectTimeLabel), "正确时间：2024年2月11日10时5分3秒");
}

TEST_F(DisplayRefresh, StandardTimeFollowsTheTickCountNotTheSystemClock) {
  state.SetStandardTime(DateTimeFromParts(2024, 2, 11, 10, 5, 2), clock.TickCountMs());
  clock.Advance(1000);
  RefreshClockDisplay(state, window, clock);
  clock.JumpWallClock(-3600 * 1000);
  clock.Advance(1000);
  RefreshClockDisplay(state, window, clock);
  EXPECT_EQ(testing::StandardTimeOf(state), DateTimeFromParts(2024, 2, 11, 10, 5, 4));
  clock.Advance(5000);  // a late tick catches up
  RefreshClockDisplay(state, window, clock);
  EXPECT_EQ(testing::StandardTimeOf(state), DateTimeFromParts(2024, 2, 11, 10, 5, 9));
  EXPECT_EQ(window.Text(platform::kSystemTimeLabel), "系统时间：2024年2月11日9时5分10秒");
  EXPECT_EQ(window.Text(platform::kBeijingTimeLabel), "北京时间：2024年2月11日10时5分9秒");
}

// Whole seconds are counted to the nearest and the rest carried to the next refresh, so a tick a
// little early still counts its second and over time nothing is lost or counted twice.
TEST_F(DisplayRefresh, ElapsedTimeIsRoundedToSecondsAndTheRestCarried) {
  const DateTime start = DateTimeFromParts(2024, 2, 11, 10, 0, 0);
  state.SetStandardTime(start, clock.TickCountMs());
  struct Step {
    std::int64_t waitMs;
    int secondsSinceStart;
  };
  for (const Step step : {Step{990, 1}, Step{1499, 2}, Step{501, 3}, Step{390, 3}, Step{100, 3},
                          Step{8LL * 3600 * 1000, 3 + 8 * 3600}, Step{0, 3 + 8 * 3600}}) {
    clock.Advance(step.waitMs);
    RefreshClockDisplay(state, window, clock);
    EXPECT_EQ(testing::StandardTimeOf(state),
              AddToDateTime(start, TimeUnit::Second, step.secondsSinceStart))
        << step.waitMs;
  }
}

TEST_F(DisplayRefresh, OffsetReachesTheCorrectTimeAtTheNextTickOnly) {
  state.SetStandardTime(DateTimeFromParts(2024, 2, 11, 10, 0, 0), clock.TickCountMs());
  RefreshClockDisplay(state, window, clock);
  state.offsetSeconds = -28800;
  EXPECT_EQ(state.CorrectTime(), DateTimeFromParts(2024, 2, 11, 10, 0, 0));
  clock.Advance(1000);
  RefreshClockDisplay(state, window, clock);
  EXPECT_EQ(state.CorrectTime(), DateTimeFromParts(2024, 2, 11, 2, 0, 1));
  EXPECT_EQ(window.Text(platform::kCorrectTimeLabel), "正确时间：2024年2月11日2时0分1秒");
}

// Overlapping refreshes on real threads while the tick count moves on: every elapsed second is
// counted exactly once (run under ThreadSanitizer, which also shows no data race).
TEST_F(DisplayRefresh, OverlappingRefreshesCountEachElapsedSecondOnce) {
  const DateTime start = DateTimeFromParts(2024, 2, 11, 10, 0, 0);
  state.SetStandardTime(start, clock.TickCountMs());
  constexpr int kSteps = 3000;
  constexpr int kStepMs = 13;  // 39 s in all
  std::atomic<bool> done{false};
  std::vector<std::jthread> threads;
  for (int i = 0; i < 6; ++i) {
    threads.emplace_back([&, i] {
      for (int j = 0; !done.load(); ++j) {
        RefreshClockDisplay(state, window, clock);
        if (i == 0) state.offsetSeconds = j % 60;
      }
    });
  }
  for (int step = 0; step < kSteps; ++step) {
    clock.Advance(kStepMs);
    if (step % 7 == 0) std::this_thread::yield();
  }
  done = true;
  for (auto& t : threads) t.join();
  RefreshClockDisplay(state, window, clock);
  EXPECT_EQ(testing::StandardTimeOf(state),
            AddToDateTime(start, TimeUnit::Second, kSteps * kStepMs / 1000));
  EXPECT_EQ(state.CorrectTime(),
            AddToDateTime(testing::StandardTimeOf(state), TimeUnit::Second, state.offsetSeconds));
}

}  // namespace
}  // namespace lanqi
