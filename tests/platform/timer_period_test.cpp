#include "platform/timer_period.hpp"

#include <gtest/gtest.h>

#include <climits>

namespace {

using lanqi::platform::TimerAction;
using lanqi::platform::TimerPeriod;

TEST(TimerPeriod, SettingFollowsSameKeepsOtherRestartsZeroStops) {
  struct Case {
    const char* name;
    int current;
    int requested;
    TimerAction action;
    int period;
  };
  const Case cases[] = {
      {"same period keeps the count", 1000, 1000, TimerAction::Keep, 1000},
      {"calibration back to half an hour keeps it", 1800000, 1800000, TimerAction::Keep, 1800000},
      {"shorter period restarts", 1800000, 3000, TimerAction::Restart, 3000},
      {"longer period restarts", 3000, 10000, TimerAction::Restart, 10000},
      {"stopped timer started", 0, 1000, TimerAction::Restart, 1000},
      {"zero stops", 1000, 0, TimerAction::Stop, 0},
      {"negative stops", 1000, -5, TimerAction::Stop, 0},
      {"lowest int stops", 1000, INT_MIN, TimerAction::Stop, 0},
      {"negative on a stopped timer changes nothing", 0, -1, TimerAction::Keep, 0},
      {"zero on a stopped timer changes nothing", 0, 0, TimerAction::Keep, 0},
      {"one millisecond is a period", 0, 1, TimerAction::Restart, 1},
      {"highest int is a period", 1000, INT_MAX, TimerAction::Restart, INT_MAX},
      {"negative stored period is stopped", -1800000, 0, TimerAction::Keep, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TimerPeriod timer(c.current);
    EXPECT_EQ(timer.Set(c.requested), c.action);
    EXPECT_EQ(timer.Milliseconds(), c.period);
  }
  EXPECT_EQ(TimerPeriod().Milliseconds(), 0);
}

}  // namespace
