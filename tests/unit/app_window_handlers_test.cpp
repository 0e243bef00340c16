#include <gtest/gtest.h>

#include "app/main_window_handlers.hpp"
#include "tests/fakes/fake_window.hpp"
#include "tests/fakes/virtual_clock.hpp"

namespace lanqi {
namespace {

using platform::Control;
using platform::Timer;

struct WindowHandlers : ::testing::Test {
  WindowHandlers() { window.Attach(&handlers); }
  testing::VirtualClock clock;
  testing::FakeWindow window;
  ClockState state;
  MainWindowHandlers handlers{window, state, clock};
};

TEST_F(WindowHandlers, CloseHideRestoreFollowTheTrayStates) {
  handlers.OnCreated();
  window.SetVisible(true);
  EXPECT_TRUE(window.Visible());
  EXPECT_TRUE(window.TrayShown());

  EXPECT_FALSE(handlers.OnCloseRequested());  // the close is refused, the program runs on
  EXPECT_FALSE(window.Visible());
  EXPECT_TRUE(window.TrayShown());

  handlers.OnTrayLeftButtonUp();
  EXPECT_TRUE(window.Visible());
  EXPECT_FALSE(window.TrayShown());

  handlers.OnButtonClicked(Control::按钮4);
  EXPECT_FALSE(window.Visible());
  EXPECT_TRUE(window.TrayShown());
}

TEST_F(WindowHandlers, BalloonOnlyWhileTheIconIsInTheNotificationArea) {
  handlers.RestoreFromTray();
  EXPECT_FALSE(window.ShowBalloon("岚栖钟卫", "x", 1, 1));
  handlers.HideToTray();
  EXPECT_TRUE(window.ShowBalloon("岚栖钟卫", "x", 1, 1));
}

TEST_F(WindowHandlers, EveryLogLineKeepsTheEndInView) {
  window.AppendLogLine("一行\r\n");
  EXPECT_EQ(window.SelectionStart(Control::编辑框1), -1);
  EXPECT_TRUE(window.Waits().empty());
}

TEST_F(WindowHandlers, FullLogIsClearedAfterThreeSecondsAndStartsAnew) {
  std::string seenDuringWait;
  window.onWait = [&](int) { seenDuringWait = window.Text(Control::编辑框1); };
  const std::string line(100, 'x');
  for (int i = 0; i < 100; ++i) window.AppendLogLine(line);  // exactly 10000 bytes: kept
  EXPECT_EQ(window.Text(Control::编辑框1).size(), 10000u);
  EXPECT_TRUE(window.Waits().empty());

  window.AppendLogLine("末行\r\n");
  EXPECT_EQ(window.Waits(), std::vector<int>{3000});
  EXPECT_EQ(seenDuringWait.size(), 10006u);  // the text stays readable during the pause
  EXPECT_EQ(window.Text(Control::编辑框1), "");

  window.AppendLogLine("新的一行\r\n");
  EXPECT_EQ(window.Text(Control::编辑框1), "新的一行\r\n");
}

TEST_F(WindowHandlers, DisplayTickStartsTheRefreshOnAWorker) {
  handlers.OnCreated();
  EXPECT_EQ(state.standardTime.load(), DateTimeFromParts(2024, 2, 11, 10, 5, 3));
  handlers.OnTimerTick(Timer::程序内部时间);
  EXPECT_EQ(window.Text(Control::标签1), "北京时间：0000年00月00日 00:00:00");  // not yet run
  auto workers = window.TakeQueuedWorkers();
  ASSERT_EQ(workers.size(), 1u);
  workers[0]();
  EXPECT_EQ(window.Text(Control::标签1), "北京时间：2024年2月11日10时5分4秒");
}

TEST_F(WindowHandlers, TickWithoutAThreadIsSkipped) {
  window.SetWorkerMode(testing::FakeWindow::WorkerMode::Refuse);
  handlers.OnTimerTick(Timer::程序内部时间);
  EXPECT_EQ(window.Text(Control::标签5), "系统时间：0000年00月00日 00:00:00");
}

}  // namespace
}  // namespace lanqi
