#include <gtest/gtest.h>

#include "app/main_window_handlers.hpp"
#include "tests/fakes/fake_window.hpp"
#include "tests/fakes/virtual_clock.hpp"
#include "tests/unit/shell_fakes.hpp"

namespace lanqi {
namespace {

using platform::Control;
using platform::Timer;

struct WindowHandlers : ::testing::Test {
  WindowHandlers() { window.Attach(&handlers); }
  testing::VirtualClock clock;
  testing::FakeWindow window;
  ClockState state;
  testing::TempFolder folder;
  std::unique_ptr<platform::DirectoryFiles> files = platform::MakeDirectoryFiles(folder.path());
  testing::FakeRegistry registry;
  testing::FakeProcessImage image;
  OffsetEditor offsetEditor{window, state, *files};
  Autostart autostart{window, registry, image};
  MainWindowHandlers handlers{window, state, clock, offsetEditor, autostart};
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

TEST_F(WindowHandlers, OffsetAndAutostartControlsReachTheirHandlers) {
  registry.values[{"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run", "LanqiClockGuard"}] = u"";
  handlers.OnCreated();
  EXPECT_EQ(window.Text(Control::按钮3), "取消开机启动");
  EXPECT_EQ(window.Text(Control::编辑框2), "0");

  handlers.OnButtonClicked(Control::按钮2);
  handlers.OnButtonClicked(Control::按钮2);
  handlers.OnButtonClicked(Control::按钮1);
  EXPECT_EQ(state.offsetSeconds.load(), 1);
  window.SetText(Control::编辑框2, "x");
  EXPECT_EQ(window.Text(Control::编辑框2), "0");

  handlers.OnButtonClicked(Control::按钮3);
  EXPECT_EQ(window.Text(Control::按钮3), "设置开机启动");
  EXPECT_TRUE(registry.values.empty());

  state.offsetSeconds.store(9);  // only to see that the destruction saves what is in memory
  handlers.OnDestroyed();
  const auto saved = files->ReadUpTo(OffsetEditor::kFileName, 100);
  ASSERT_TRUE(saved);
  EXPECT_EQ(std::string(saved->begin(), saved->end()), "9");
}

}  // namespace
}  // namespace lanqi
