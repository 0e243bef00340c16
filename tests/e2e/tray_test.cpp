// Hiding into the notification area and coming back: the close request and the "最小化窗口"
// button hide the window and add the tray icon while the program keeps running; the icon's
// left-button-up restores the window and removes the icon.

#include <windows.h>

#include <string>
#include <utility>
#include <vector>

#include "platform/win32/control_ids.hpp"
#include "tests/e2e/e2e_fixture.hpp"
#include "tests/e2e/poll.hpp"
#include "tests/e2e/window_access.hpp"

namespace lanqi::e2e {
namespace {
namespace ids = platform::win32;

using Tray = ClockGuardScenario;

TEST_F(Tray, RightAfterStartTheWindowAndTheIconAreBothShown) {
  EXPECT_TRUE(WaitForState(/*windowVisible=*/true, /*iconShown=*/true))
      << "window visible " << Program().MainWindowVisible() << ", icon shown " << TrayIconShown();
}

TEST_F(Tray, LeftButtonUpOnTheIconRestoresTheWindowAndRemovesTheIcon) {
  ASSERT_TRUE(WaitForState(true, true));
  ASSERT_TRUE(Program().SendTrayMouse(WM_LBUTTONUP));
  EXPECT_TRUE(WaitForState(true, false))
      << "window visible " << Program().MainWindowVisible() << ", icon shown " << TrayIconShown();
}

// Every way to hide: the close box and Alt+F4 arrive as SC_CLOSE and then WM_CLOSE; another
// program asks with WM_CLOSE alone; the button is clicked.
struct HideWay {
  const char* name;
  bool (*hide)(const ClockGuardDriver&);
};
const HideWay kHideWays[] = {
    {"WM_CLOSE from outside", [](const ClockGuardDriver& p) { return p.CloseMainWindow(); }},
    {"close box / Alt+F4 (SC_CLOSE)",
     [](const ClockGuardDriver& p) {
       return PostMessageW(p.MainWindow(), WM_SYSCOMMAND, SC_CLOSE, 0) != FALSE;
     }},
    {"button 最小化窗口", [](const ClockGuardDriver& p) { return p.ClickButton(ids::kId按钮4); }},
};

TEST_F(Tray, EachWayToHideHidesTheWindowAddsTheIconAndKeepsRunning) {
  ASSERT_TRUE(WaitForState(true, true));
  for (const HideWay& way : kHideWays) {
    SCOPED_TRACE(way.name);
    // Start from the state "shown": window visible, no icon.
    ASSERT_TRUE(Program().SendTrayMouse(WM_LBUTTONUP));
    ASSERT_TRUE(WaitForState(true, false));

    ASSERT_TRUE(way.hide(Program()));
    EXPECT_TRUE(WaitForState(false, true))
        << "window visible " << Program().MainWindowVisible() << ", icon shown " << TrayIconShown();
    EXPECT_TRUE(Program().IsRunning());
    EXPECT_TRUE(IsWindow(Program().MainWindow())) << "the close was refused, the window stays";
  }
  // Hidden, the program goes on: its clock lines still move.
  const auto before = Program().ControlText(ids::kId标签5);
  EXPECT_TRUE(
      PollUntil([&] { return Program().ControlText(ids::kId标签5) != before; }, kStateDeadline));
  EXPECT_TRUE(Program().IsRunning());
}

TEST_F(Tray, OtherMouseMessagesOverTheIconChangeNothing) {
  ASSERT_TRUE(WaitForState(true, true));
  ASSERT_TRUE(Program().CloseMainWindow());
  ASSERT_TRUE(WaitForState(false, true));
  for (UINT message : {WM_RBUTTONUP, WM_LBUTTONDBLCLK, WM_MOUSEMOVE, WM_LBUTTONDOWN}) {
    // Sent, not posted: when the call returns the program has handled it, and hiding or
    // showing the window and the icon both happen inside the handler.
    ASSERT_TRUE(Program().SendTrayMouseAndWait(message)) << "message " << message;
    EXPECT_FALSE(Program().MainWindowVisible()) << "message " << message;
    EXPECT_TRUE(TrayIconShown()) << "message " << message;
  }
}

// taskkill without /F and an installer's restart manager ask every window of the process to
// close, the tray's hidden window and the message-only ones included: the main window hides, the
// program's other windows stay (the system's own windows in the process may go), and the icon
// still brings the window back.
TEST_F(Tray, CloseRequestsToEveryWindowOfTheProgramLeaveTheIconWorking) {
  ASSERT_TRUE(WaitForState(true, true));
  std::vector<HWND> windows = AllTopLevelWindowsOf(Program().Pid());
  const auto messageOnly = MessageOnlyWindowsOf(Program().Pid());
  windows.insert(windows.end(), messageOnly.begin(), messageOnly.end());
  std::vector<std::pair<HWND, std::wstring>> ours;
  for (HWND window : windows) {
    const std::wstring name = ClassNameOf(window);
    if (name == ids::kMainWindowClass || name == ids::kTrayWindowClass ||
        name == ids::kCallWindowClass) {
      ours.emplace_back(window, name);
    }
  }
  ASSERT_EQ(ours.size(), 3u) << "the main window, the tray's window and the call window";
  for (HWND window : windows) {
    DWORD_PTR answer = 0;
    SendMessageTimeoutW(window, WM_CLOSE, 0, 0, SMTO_ABORTIFHUNG, 2000, &answer);
  }
  for (const auto& [window, name] : ours) {
    EXPECT_TRUE(IsWindow(window)) << Utf8(name) << " was destroyed";
  }
  ASSERT_TRUE(WaitForState(false, true));
  ASSERT_TRUE(Program().SendTrayMouse(WM_LBUTTONUP));
  EXPECT_TRUE(WaitForState(true, false))
      << "window visible " << Program().MainWindowVisible() << ", icon shown " << TrayIconShown();
  EXPECT_TRUE(Program().IsRunning());
}

}  // namespace
}  // namespace lanqi::e2e
