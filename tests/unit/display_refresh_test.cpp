#include "timekeeping/display_refresh.hpp"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "tests/fakes/fake_window.hpp"
#include "tests/fakes/virtual_clock.hpp"

namespace lanqi {
namespace {

using platform::Control;

struct DisplayRefresh : ::testing::Test {
  testing::VirtualClock clock{DateTimeFromParts(2024, 2, 11, 10, 5, 3)};
  testing::FakeWindow window;
  ClockState state;
};

TEST_F(DisplayRefresh, ShowsTheThreeClocks) {
  state.standardTime = DateTimeFromParts(2024, 2, 11, 10, 5, 2);
  EXPECT_EQ(state.correctTime.load(), DateTime{});  // never set before the first tick
  RefreshClockDisplay(state, window, clock);
  EXPECT_EQ(window.Text(Control::标签5), "系统时间：2024年2月11日10时5分3秒");
  EXPECT_EQ(window.Text(Control::标签1), "北京时间：2024年2月11日10时5分3秒");
  EXPECT_EQ(window.Text(Control::标签2), "正确时间：2024年2月11日10时5分3秒");
}

TEST_F(DisplayRefresh, StandardTimeMovesOneSecondPerTickWhateverTheSystemClockDoes) {
  state.standardTime = DateTimeFromParts(2024, 2, 11, 10, 5, 2);
  RefreshClockDisplay(state, window, clock);
  clock.JumpWallClock(-3600 * 1000);
  RefreshClockDisplay(state, window, clock);
  clock.Advance(5000);  // late ticks do not catch up
  RefreshClockDisplay(state, window, clock);
  EXPECT_EQ(state.standardTime.load(), DateTimeFromParts(2024, 2, 11, 10, 5, 5));
  EXPECT_EQ(window.Text(Control::标签5), "系统时间：2024年2月11日9时5分8秒");
}

TEST_F(DisplayRefresh, OffsetReachesTheCorrectTimeAtTheNextTickOnly) {
  state.standardTime = DateTimeFromParts(2024, 2, 11, 10, 0, 0);
  RefreshClockDisplay(state, window, clock);
  state.offsetSeconds = -28800;
  EXPECT_EQ(state.correctTime.load(), DateTimeFromParts(2024, 2, 11, 10, 0, 1));
  RefreshClockDisplay(state, window, clock);
  EXPECT_EQ(state.correctTime.load(), DateTimeFromParts(2024, 2, 11, 2, 0, 2));
  EXPECT_EQ(window.Text(Control::标签2), "正确时间：2024年2月11日2时0分2秒");
}

// Overlapping refreshes on real threads: every value is read and written whole (run under TSan).
TEST_F(DisplayRefresh, OverlappingRefreshesDoNotRace) {
  state.standardTime = DateTimeFromParts(2024, 2, 11, 10, 0, 0);
  std::vector<std::thread> threads;
  for (int i = 0; i < 8; ++i) {
    threads.emplace_back([&] {
      for (int j = 0; j < 50; ++j) {
        RefreshClockDisplay(state, window, clock);
        state.offsetSeconds = j;
      }
    });
  }
  for (auto& t : threads) t.join();
  const DateTime standard = state.standardTime.load();
  EXPECT_LE(standard.days, DateTimeFromParts(2024, 2, 11, 10, 6, 40).days);
  EXPECT_GE(standard.days, DateTimeFromParts(2024, 2, 11, 10, 0, 1).days);
}

}  // namespace
}  // namespace lanqi
