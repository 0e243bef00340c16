// The real main window under Windows (or Wine): controls, events, timers, the tray icon and
// calls from worker threads. Needs a desktop; without one the window cannot be created and the
// tests are skipped.
#include "platform/win32/main_window.hpp"

#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/win32/control_ids.hpp"
#include "platform/win32/main_window_layout.hpp"
#include "platform/win32/win32_platform.hpp"
#include "tests/platform/win32/recorded_window_events.hpp"
#include "tests/support/main_window_peer.hpp"

namespace {

using lanqi::platform::Control;
using lanqi::platform::MessageIcon;
using lanqi::platform::Timer;
using lanqi::platform::WindowEvents;
using lanqi::platform::win32::kTrayCallbackMessage;
using lanqi::platform::win32::MainWindow;
using lanqi::window_test::ChangedEvent;
using lanqi::window_test::PumpUntil;
using lanqi::window_test::RecordingEvents;
using lanqi::window_test::TickEvent;
using Peer = lanqi::testing::MainWindowPeer;

class MainWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    watch.Watch(events, window);
    if (!window.Load(events)) GTEST_SKIP() << "no desktop to create windows on";
  }

  RecordingEvents events;
  lanqi::window_test::WindowWatch watch;
  MainWindow window{GetModuleHandleW(nullptr)};
};

TEST_F(MainWindowTest, LoadsHiddenRaisesCreatedThenShowsWithTitleSizeAndIcon) {
  EXPECT_EQ(events.Events().front(), "created");
  EXPECT_FALSE(watch.visibleWhenCreated);
  HWND handle = window.Handle();
  EXPECT_TRUE(IsWindowVisible(handle));
  wchar_t title[64] = {};
  GetWindowTextW(handle, title, 64);
  EXPECT_EQ(std::wstring(title), L"岚栖钟卫");
  RECT outer;
  GetWindowRect(handle, &outer);
  EXPECT_EQ(outer.right - outer.left, 371);
  EXPECT_EQ(outer.bottom - outer.top, 356);
  const LONG style = GetWindowLongW(handle, GWL_STYLE);
  EXPECT_TRUE(style & WS_SYSMENU);
  EXPECT_FALSE(style & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_THICKFRAME));
  // The program's own icon in the title bar and on the taskbar, not the stock application icon.
  const auto classIcon = reinterpret_cast<HICON>(GetClassLongPtrW(handle, GCLP_HICON));
  EXPECT_NE(classIcon, nullptr);
  EXPECT_NE(classIcon, LoadIconW(nullptr, IDI_APPLICATION));
  EXPECT_EQ(watch.wrongThreadEvents.load(), 0u);
}

TEST_F(MainWindowTest, ProgramChangesOfEditBoxesRaiseTheEventExactlyOnce) {
  events.Clear();
  window.SetText(lanqi::platform::kOffsetBox, "12");
  window.SetText(lanqi::platform::kLogBox,
                 "");  // multi-line boxes report nothing by themselves here
  window.SetText(lanqi::platform::kBeijingTimeLabel, "北京时间：x");
  EXPECT_EQ(events.Events(), (std::vector<std::string>{ChangedEvent(lanqi::platform::kOffsetBox),
                                                       ChangedEvent(lanqi::platform::kLogBox)}));
  EXPECT_EQ(window.Text(lanqi::platform::kBeijingTimeLabel), "北京时间：x");

  events.Clear();
  window.AppendLogLine("系统初始化成功\r\n");
  window.AppendLogLine("已校准网络时间：\r\n");
  EXPECT_EQ(window.Text(lanqi::platform::kLogBox), "系统初始化成功\r\n已校准网络时间：\r\n");
  EXPECT_EQ(events.Count(ChangedEvent(lanqi::platform::kLogBox)), 2);

  // Typing, as the user does it, reaches the handler through the edit control's own report.
  window.SetSelectionStart(lanqi::platform::kOffsetBox, -1);
  events.Clear();
  SendMessageW(GetDlgItem(window.Handle(), 1022), WM_CHAR, L'3', 0);
  EXPECT_EQ(events.Count(ChangedEvent(lanqi::platform::kOffsetBox)), 1);
  EXPECT_EQ(window.Text(lanqi::platform::kOffsetBox), "123");
}

TEST_F(MainWindowTest, EditBoxesHoldMoreThanTheDefaultEditLimitAndTheLogKeepsCaretAtEnd) {
  // The offset box takes what is typed or pasted into it (EM_REPLACESEL obeys the limit, unlike
  // WM_SETTEXT) to any length; its handler, not the control, decides what the text means.
  HWND offsetBox = GetDlgItem(window.Handle(), lanqi::platform::win32::kId编辑框2);
  ASSERT_NE(offsetBox, nullptr);
  const std::wstring pasted(40000, L'7');
  SendMessageW(offsetBox, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(pasted.c_str()));
  EXPECT_EQ(GetWindowTextLengthW(offsetBox), static_cast<int>(pasted.size()));

  const std::string line(998, 'x');
  std::string expected;
  for (int i = 0; i < 40; ++i) {  // 40000 bytes, beyond the 30000-character default
    window.AppendLogLine(line + "\r\n");
    expected += line + "\r\n";
  }
  EXPECT_EQ(window.Text(lanqi::platform::kLogBox), expected);
  window.SetSelectionStart(lanqi::platform::kLogBox, -1);
  DWORD start = 0, end = 0;
  SendMessageW(GetDlgItem(window.Handle(), 1021), EM_GETSEL, reinterpret_cast<WPARAM>(&start),
               reinterpret_cast<LPARAM>(&end));
  EXPECT_EQ(start, expected.size());
  EXPECT_EQ(end, expected.size());
}

TEST_F(MainWindowTest, CallsFromAWorkerRunOnTheWindowThreadAndWaitForTheirHandlers) {
  events.Clear();
  std::atomic<bool> done{false};
  std::string readBack;
  std::jthread worker([&] {
    window.AppendLogLine("钟卫\r\n");
    window.SetText(lanqi::platform::kSystemTimeLabel, "系统时间：y");
    readBack = window.Text(lanqi::platform::kSystemTimeLabel);
    const lanqi::platform::ControlText texts[] = {
        {lanqi::platform::kBeijingTimeLabel, "北京时间：z"}, {lanqi::platform::kOffsetBox, "7"}};
    window.SetTexts(texts);
    window.SetTimerPeriod(lanqi::platform::kGuardTimer, 1000);
    done = true;
  });
  EXPECT_TRUE(PumpUntil([&] { return done.load(); }));
  worker.join();
  EXPECT_EQ(readBack, "系统时间：y");
  EXPECT_EQ(window.Text(lanqi::platform::kLogBox), "钟卫\r\n");
  EXPECT_EQ(events.Count(ChangedEvent(lanqi::platform::kLogBox)), 1);
  EXPECT_EQ(window.Text(lanqi::platform::kBeijingTimeLabel), "北京时间：z");
  EXPECT_EQ(window.Text(lanqi::platform::kOffsetBox), "7");
  EXPECT_EQ(events.Count(ChangedEvent(lanqi::platform::kOffsetBox)), 1);
  EXPECT_EQ(watch.wrongThreadEvents.load(), 0u);
}

TEST_F(MainWindowTest, TimersTickAndAStoppedTimerCanBeStartedAgain) {
  window.SetTimerPeriod(lanqi::platform::kGuardTimer, 20);
  EXPECT_TRUE(
      PumpUntil([&] { return events.Count(TickEvent(lanqi::platform::kGuardTimer)) >= 2; }));
  window.SetTimerPeriod(lanqi::platform::kGuardTimer, 0);
  window.SetTimerPeriod(lanqi::platform::kCalibrationTimer, -1);
  events.Clear();
  window.SetTimerPeriod(lanqi::platform::kCalibrationTimer, 20);
  EXPECT_TRUE(
      PumpUntil([&] { return events.Count(TickEvent(lanqi::platform::kCalibrationTimer)) >= 1; }));
  // The display timer counts from loading with its stored second.
  EXPECT_TRUE(
      PumpUntil([&] { return events.Count(TickEvent(lanqi::platform::kDisplayTimer)) >= 1; }));
  // The guard timer, which counts on the thread pool, starts again after a stop too.
  window.SetTimerPeriod(lanqi::platform::kGuardTimer, 20);
  EXPECT_TRUE(
      PumpUntil([&] { return events.Count(TickEvent(lanqi::platform::kGuardTimer)) >= 1; }));
  window.SetTimerPeriod(lanqi::platform::kGuardTimer, 0);
}

TEST_F(MainWindowTest, CloseRequestAsksTheHandlerAndDestroysOnlyWhenAllowed) {
  SendMessageW(window.Handle(), WM_CLOSE, 0, 0);
  EXPECT_EQ(events.Count("close"), 1);
  EXPECT_NE(window.Handle(), nullptr);

  events.allowClose = true;
  SendMessageW(window.Handle(), WM_CLOSE, 0, 0);
  EXPECT_EQ(events.Count("destroyed"), 1);
  EXPECT_EQ(window.Handle(), nullptr);
  // What a worker's calls do once the window is gone: the end-of-session test of the recorded
  // window.
  MSG quit;
  PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE);
}

TEST_F(MainWindowTest, ButtonClicksAreReportedByControl) {
  events.Clear();
  for (int id : {1011, 1012, 1013, 1014}) {
    SendMessageW(GetDlgItem(window.Handle(), id), BM_CLICK, 0, 0);
  }
  EXPECT_EQ(events.Events(),
            (std::vector<std::string>{"button 1011", "button 1012", "button 1013", "button 1014"}));
}

TEST_F(MainWindowTest, TrayIconFollowsShownFlagAndReportsOnlyTheLeftButtonRelease) {
  EXPECT_FALSE(Peer::TrayAdded(window));
  EXPECT_FALSE(window.ShowBalloon("岚栖钟卫", "x", 1, 1));  // not in the notification area

  window.SetTrayShown(true);
  EXPECT_TRUE(Peer::TrayAdded(window));
  window.SetTrayShown(true);  // an update of the entry already there
  EXPECT_TRUE(Peer::TrayAdded(window));
  EXPECT_TRUE(window.ShowBalloon("岚栖钟卫", "钟卫启动成功，将为持续您的系统时间保驾护航！", 1, 1));
  EXPECT_TRUE(window.ShowBalloon(std::string(100, 'T'), std::string(400, 'x'), 9, 1));

  HWND tray = Peer::TrayWindow(window);
  ASSERT_NE(tray, nullptr);
  EXPECT_EQ(GetParent(tray), nullptr);  // top-level, so it hears the shell's broadcasts
  events.Clear();
  for (LPARAM mouse : {WM_RBUTTONUP, WM_LBUTTONDBLCLK, WM_MOUSEMOVE, WM_LBUTTONUP}) {
    PostMessageW(tray, kTrayCallbackMessage, reinterpret_cast<WPARAM>(tray), mouse);
  }
  EXPECT_TRUE(PumpUntil([&] { return events.Count("tray up") == 1; }));
  EXPECT_EQ(events.Events(), std::vector<std::string>{"tray up"});

  // A restarted shell announces itself; the icon the program wants shown stays in place.
  SendMessageW(tray, RegisterWindowMessageW(L"TaskbarCreated"), 0, 0);
  EXPECT_TRUE(Peer::TrayAdded(window));

  window.SetTrayShown(false);
  EXPECT_FALSE(Peer::TrayAdded(window));
  EXPECT_FALSE(window.ShowBalloon("岚栖钟卫", "x", 1, 1));
  SendMessageW(tray, RegisterWindowMessageW(L"TaskbarCreated"), 0, 0);
  EXPECT_FALSE(Peer::TrayAdded(window));  // not wanted, so not added back
}

TEST_F(MainWindowTest, PumpingDelayLetsOtherEventsRunMeanwhile) {
  events.Clear();
  window.SetTimerPeriod(lanqi::platform::kGuardTimer, 10);
  lanqi::platform::win32::PumpingDelayMs(300);
  window.SetTimerPeriod(lanqi::platform::kGuardTimer, 0);
  EXPECT_GE(events.Count(TickEvent(lanqi::platform::kGuardTimer)), 1);
}

TEST_F(MainWindowTest, VisibleFlagShowsAndHidesTheWindow) {
  window.SetVisible(false);
  EXPECT_FALSE(IsWindowVisible(window.Handle()));
  window.SetVisible(true);
  EXPECT_TRUE(IsWindowVisible(window.Handle()));
}

// Ending the program from a handler: the process ends with the code at once, the window is never
// shown (inside creation) and no further event is delivered, not even the destruction's: a start
// without rights must end without saving an offset it never loaded.
struct EndCase {
  const char* name;
  bool insideCreation;  // else from a button's click handler while the loop runs
};

class MainWindowEnd : public ::testing::TestWithParam<EndCase> {};

TEST_P(MainWindowEnd, EndsTheProcessWithItsCodeAndDeliversNothingAfter) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  const EndCase& endCase = GetParam();
  EXPECT_EXIT(
      {
        RecordingEvents events;
        MainWindow window(GetModuleHandleW(nullptr));
        std::size_t eventsBeforeEnd = 0;
        window.ReleaseAtEnd([&] {
          // Released after the windows, as the last thing before the process ends.
          std::string late;
          const std::vector<std::string> recorded = events.Events();
          for (std::size_t i = eventsBeforeEnd; i < recorded.size(); ++i) late += recorded[i] + ";";
          std::fprintf(stderr, "%s, delivered after the end: [%s]\n",
                       window.Handle() == nullptr ? "released after the window" : "too early",
                       late.c_str());
        });
        const auto end = [&] {
          eventsBeforeEnd = events.Events().size();
          window.EndProgram(7);
        };
        events.onCreated = [&] {
          window.SetTrayShown(true);
          if (endCase.insideCreation) end();
          // A click, then a close request the handler would allow, both still queued at the end.
          events.allowClose = true;
          PostMessageW(window.Handle(), WM_COMMAND,
                       MAKEWPARAM(lanqi::platform::win32::kId按钮4, BN_CLICKED), 0);
          PostMessageW(window.Handle(), WM_CLOSE, 0, 0);
        };
        events.onEvent = [&](const std::string& event) {
          if (event.starts_with("button")) end();
        };
        if (!window.Load(events)) {  // no desktop: nothing to show either
          std::fputs("released after the window, delivered after the end: []\n", stderr);
          ExitProcess(7);
        }
        window.RunMessageLoop();
      },
      ::testing::ExitedWithCode(7), "released after the window, delivered after the end: \\[\\]");
}

INSTANTIATE_TEST_SUITE_P(Ends, MainWindowEnd,
                         ::testing::Values(EndCase{"InsideCreation", true},
                                           EndCase{"InsideAClickWithACloseQueued", false}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
