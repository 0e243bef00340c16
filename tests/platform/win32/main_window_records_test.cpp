// The real main window under Windows (or Wine), read where a person or the shell would see it:
// the records handed to Shell_NotifyIconW and MessageBoxW (through stand-ins that keep them), the
// log box's font and colours, the timers as loaded, the end of a session, and messages that
// other programs may send to any of the program's windows.
#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <chrono>
#include <climits>
#include <cstdint>
#include <set>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "platform/win32/control_ids.hpp"
#include "platform/win32/main_window.hpp"
#include "platform/win32/tray_icon_image.hpp"
#include "platform/win32/win32_platform.hpp"
#include "platform/win32/window_calls.hpp"
#include "tests/platform/win32/recorded_window_events.hpp"
#include "tests/support/foreign_messages.hpp"
#include "tests/support/main_window_peer.hpp"

namespace {

namespace ids = lanqi::platform::win32;
using lanqi::platform::Control;
using lanqi::platform::MessageIcon;
using lanqi::platform::Timer;
using lanqi::platform::win32::MainWindow;
using lanqi::platform::win32::PumpingDelayMs;
using lanqi::platform::win32::WindowCalls;
using lanqi::window_test::PumpUntil;
using lanqi::window_test::RecordingEvents;
using Peer = lanqi::testing::MainWindowPeer;

// What the stand-in for Shell_NotifyIconW was told, and which messages it refuses. Only the
// window's thread calls it.
struct ShellCall {
  DWORD message;
  NOTIFYICONDATAW record;
};
struct FakeShell {
  std::vector<ShellCall> calls;
  std::set<DWORD> refused;
};
FakeShell shell;

BOOL WINAPI RecordShellNotifyIcon(DWORD message, NOTIFYICONDATAW* record) {
  shell.calls.push_back({message, *record});
  return shell.refused.count(message) == 0 ? TRUE : FALSE;
}

// Which messages the stand-in for ChangeWindowMessageFilterEx was asked to let through, by window.
std::set<std::pair<HWND, UINT>> allowedMessages;

BOOL WINAPI RecordMessageFilter(HWND window, UINT message, DWORD action, PCHANGEFILTERSTRUCT) {
  if (action == MSGFLT_ALLOW) allowedMessages.insert({window, message});
  return TRUE;
}

struct MessageBoxSeen {
  HWND owner;
  std::wstring text;
  std::wstring title;
  UINT flags;
  DWORD thread;
};
std::vector<MessageBoxSeen> messageBoxes;

int WINAPI RecordMessageBox(HWND owner, LPCWSTR text, LPCWSTR title, UINT flags) {
  messageBoxes.push_back({owner, text, title, flags, GetCurrentThreadId()});
  return IDOK;
}

std::string Repeat(const std::string& piece, int times) {
  std::string text;
  for (int i = 0; i < times; ++i) text += piece;
  return text;
}
std::wstring Repeat(const std::wstring& piece, int times) {
  std::wstring text;
  for (int i = 0; i < times; ++i) text += piece;
  return text;
}

std::vector<DWORD> MessagesOf(const std::vector<ShellCall>& calls) {
  std::vector<DWORD> messages;
  for (const ShellCall& call : calls) messages.push_back(call.message);
  return messages;
}

class RecordedWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    shell = FakeShell{};
    messageBoxes.clear();
    allowedMessages.clear();
    watch.Watch(events, window);
    if (!window.Load(events)) GTEST_SKIP() << "no desktop to create windows on";
  }
  void TearDown() override {
    MSG quit;  // left by a test that destroyed the window
    PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE);
  }

  RecordingEvents events;
  lanqi::window_test::WindowWatch watch;
  MainWindow window{GetModuleHandleW(nullptr),
                    {&RecordShellNotifyIcon, &RecordMessageBox, &RecordMessageFilter}};
};

TEST_F(RecordedWindowTest, TrayEntryIsAddedWithTheProgramsRecord) {
  window.SetTrayShown(true);
  ASSERT_EQ(MessagesOf(shell.calls), std::vector<DWORD>{NIM_ADD});
  const NOTIFYICONDATAW& record = shell.calls[0].record;
  HWND tray = Peer::TrayWindow(window);
  EXPECT_EQ(record.cbSize, sizeof(NOTIFYICONDATAW));
  EXPECT_EQ(record.hWnd, tray);
  // The shell keeps the user's choice to show the icon by the exe and this id: the same in every
  // run, whatever the window's handle.
  EXPECT_EQ(record.uID, 1u);
  EXPECT_EQ(record.uID, ids::kTrayIconId);
  EXPECT_EQ(record.uFlags, static_cast<UINT>(NIF_MESSAGE | NIF_ICON | NIF_TIP));
  EXPECT_EQ(record.uFlags, 7u);
  EXPECT_EQ(record.uCallbackMessage, 0x8064u);
  ASSERT_NE(record.hIcon, nullptr);
  // Drawn at the size the shell shows small icons at the system's scaling.
  ICONINFO iconInfo{};
  ASSERT_TRUE(GetIconInfo(record.hIcon, &iconInfo));
  BITMAP image{};
  GetObjectW(iconInfo.hbmColor, sizeof image, &image);
  DeleteObject(iconInfo.hbmColor);
  DeleteObject(iconInfo.hbmMask);
  EXPECT_EQ(image.bmWidth, ids::SmallIconSizeForDpi(ids::ShellDpi()));
  EXPECT_EQ(std::wstring(record.szTip), L"岚栖钟卫");

  RecordingEvents nextRunsEvents;
  MainWindow nextRun{GetModuleHandleW(nullptr),
                     {&RecordShellNotifyIcon, &RecordMessageBox, &RecordMessageFilter}};
  ASSERT_TRUE(nextRun.Load(nextRunsEvents));
  nextRun.SetTrayShown(true);
  ASSERT_EQ(MessagesOf(shell.calls), (std::vector<DWORD>{NIM_ADD, NIM_ADD}));
  EXPECT_EQ(shell.calls[1].record.hWnd, Peer::TrayWindow(nextRun));
  EXPECT_NE(Peer::TrayWindow(nextRun), tray);
  EXPECT_EQ(shell.calls[1].record.uID, record.uID);
}

// An add the shell refuses (not up yet at logon, busy, just restarted) is tried again on the tray
// window's timer until the entry is in, and no longer once it is in or no longer wanted.
// KillTimer answers whether the retry timer was still running.
TEST_F(RecordedWindowTest, RefusedAddIsRetriedUntilTheEntryIsIn) {
  using lanqi::platform::win32::TrayIcon;
  HWND tray = Peer::TrayWindow(window);
  const auto retryRunning = [&] { return KillTimer(tray, TrayIcon::kAddRetryTimerId) != FALSE; };
  const auto next = [&](std::set<DWORD> refused) {
    shell.calls.clear();
    shell.refused = std::move(refused);
  };
  // Generous: the retry comes after TrayIcon::kAddRetryMs.
  const auto retried = [&](std::size_t calls) {
    return PumpUntil([&] { return shell.calls.size() >= calls; }, std::chrono::seconds(60));
  };

  next({NIM_ADD});
  window.SetTrayShown(true);
  EXPECT_EQ(MessagesOf(shell.calls), std::vector<DWORD>{NIM_ADD});
  EXPECT_FALSE(Peer::TrayAdded(window));

  // Still refused: an add that timed out may have left the entry there, so an update asks.
  next({NIM_ADD, NIM_MODIFY});
  ASSERT_TRUE(retried(2));
  EXPECT_EQ(MessagesOf(shell.calls), (std::vector<DWORD>{NIM_ADD, NIM_MODIFY}));
  EXPECT_FALSE(Peer::TrayAdded(window));

  next({});
  ASSERT_TRUE(retried(1));
  EXPECT_EQ(MessagesOf(shell.calls), std::vector<DWORD>{NIM_ADD});
  EXPECT_TRUE(Peer::TrayAdded(window));
  EXPECT_FALSE(retryRunning());

  // Hidden while the retry waits: the icon is no longer wanted.
  window.SetTrayShown(false);
  next({NIM_ADD});
  window.SetTrayShown(true);
  window.SetTrayShown(false);
  EXPECT_FALSE(retryRunning());

  // Refused right after the shell restarted.
  next({});
  window.SetTrayShown(true);
  ASSERT_TRUE(Peer::TrayAdded(window));
  next({NIM_ADD, NIM_MODIFY});
  SendMessageW(tray, RegisterWindowMessageW(L"TaskbarCreated"), 0, 0);
  EXPECT_FALSE(Peer::TrayAdded(window));
  EXPECT_TRUE(retryRunning());
}

// The shell runs at a lower integrity level than the elevated program: the tray window lets its
// restart broadcast and the icon's clicks through.
TEST_F(RecordedWindowTest, TrayWindowAcceptsTheShellsRestartAndTheIconsCallback) {
  HWND tray = Peer::TrayWindow(window);
  EXPECT_EQ(allowedMessages,
            (std::set<std::pair<HWND, UINT>>{{tray, RegisterWindowMessageW(L"TaskbarCreated")},
                                             {tray, 0x8064u}}));
}

// The added flag follows what the shell answered, whatever the program wished.
TEST_F(RecordedWindowTest, AddedFlagFollowsTheShellsAnswers) {
  const UINT taskbarCreated = RegisterWindowMessageW(L"TaskbarCreated");
  HWND tray = Peer::TrayWindow(window);
  struct Step {
    const char* name;
    std::set<DWORD> refused;
    enum { Show, Hide, ShellRestarted } action;
    std::vector<DWORD> calls;
    bool added;
  };
  // clang-format off
  const Step steps[] = {
      {"add refused", {NIM_ADD}, Step::Show, {NIM_ADD}, false},
      {"added on the next wish", {}, Step::Show, {NIM_ADD}, true},
      {"already there: updated", {}, Step::Show, {NIM_MODIFY}, true},
      {"shell restarted: added anew", {}, Step::ShellRestarted, {NIM_ADD}, true},
      {"stray broadcast, entry still there", {NIM_ADD}, Step::ShellRestarted, {NIM_ADD, NIM_MODIFY}, true},
      {"removal refused", {NIM_DELETE}, Step::Hide, {NIM_DELETE}, true},
      {"removed", {}, Step::Hide, {NIM_DELETE}, false},
      {"shell restarted, icon not wanted", {}, Step::ShellRestarted, {}, false},
  };
  // clang-format on
  for (const Step& step : steps) {
    SCOPED_TRACE(step.name);
    shell.calls.clear();
    shell.refused = step.refused;
    switch (step.action) {
      case Step::Show:
        window.SetTrayShown(true);
        break;
      case Step::Hide:
        window.SetTrayShown(false);
        break;
      case Step::ShellRestarted:
        SendMessageW(tray, taskbarCreated, 0, 0);
        break;
    }
    EXPECT_EQ(MessagesOf(shell.calls), step.calls);
    EXPECT_EQ(Peer::TrayAdded(window), step.added);
    for (const ShellCall& call : shell.calls) {
      EXPECT_EQ(call.record.uFlags, 7u);
      EXPECT_EQ(call.record.hWnd, tray);
    }
  }
}

TEST_F(RecordedWindowTest, BalloonSetsTheVersionThenShowsItsFieldsAndRestoresTheFlags) {
  window.SetTrayShown(true);
  struct Case {
    const char* name;
    std::string title;
    std::string text;
    int kind;
    int timeout;
    std::set<DWORD> refused;
    bool result;
    std::wstring shownTitle;  // unused when the set-version step fails
    std::wstring shownText;
    DWORD infoFlags;
  };
  // clang-format off
  const Case cases[] = {
      {"greeting", "岚栖钟卫", "钟卫启动成功，将为持续您的系统时间保驾护航！", 1, 1, {}, true, L"岚栖钟卫", L"钟卫启动成功，将为持续您的系统时间保驾护航！", 1},
      {"title cut at 63 bytes", std::string(100, 'T'), "x", 1, 1, {}, true, std::wstring(63, L'T'), L"x", 1},
      {"title cut between characters", Repeat("钟", 32), "x", 1, 1, {}, true, Repeat(L"钟", 31), L"x", 1},
      {"title of exactly 63 bytes kept", "a" + Repeat("钟", 31), "x", 1, 1, {}, true, L"a" + Repeat(L"钟", 31), L"x", 1},
      {"text cut at 255 bytes", "t", std::string(400, 'x'), 1, 1, {}, true, L"t", std::wstring(255, L'x'), 1},
      {"text cut between characters", "t", Repeat("钟", 128), 1, 1, {}, true, L"t", Repeat(L"钟", 127), 1},
      {"text of exactly 255 bytes kept", "t", "x" + Repeat("钟", 127), 1, 1, {}, true, L"t", L"x" + Repeat(L"钟", 127), 1},
      {"kind 0 none", "t", "x", 0, 1, {}, true, L"t", L"x", 0},
      {"kind 2 warning", "t", "x", 2, 1, {}, true, L"t", L"x", 2},
      {"kind 3 error", "t", "x", 3, 1, {}, true, L"t", L"x", 3},
      {"kind 4 becomes information", "t", "x", 4, 1, {}, true, L"t", L"x", 1},
      {"kind -1 becomes information", "t", "x", -1, 1, {}, true, L"t", L"x", 1},
      {"lowest kind becomes information", "t", "x", INT_MIN, 1, {}, true, L"t", L"x", 1},
      {"timeout passed on", "t", "x", 1, 10000, {}, true, L"t", L"x", 1},
      {"modify refused", "t", "x", 1, 1, {NIM_MODIFY}, false, L"t", L"x", 1},
      {"set-version refused: no balloon", "t", "x", 1, 1, {NIM_SETVERSION}, false, L"", L"", 0},
  };
  // clang-format on
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    shell.calls.clear();
    shell.refused = c.refused;
    EXPECT_EQ(window.ShowBalloon(c.title, c.text, c.kind, c.timeout), c.result);
    const bool versionRefused = c.refused.count(NIM_SETVERSION) != 0;
    const std::vector<DWORD> expectedCalls = versionRefused
                                                 ? std::vector<DWORD>{NIM_SETVERSION}
                                                 : std::vector<DWORD>{NIM_SETVERSION, NIM_MODIFY};
    ASSERT_EQ(MessagesOf(shell.calls), expectedCalls);
    EXPECT_EQ(shell.calls[0].record.uVersion, 3u);
    if (!versionRefused) {
      const NOTIFYICONDATAW& balloon = shell.calls[1].record;
      EXPECT_EQ(balloon.uFlags, static_cast<UINT>(NIF_INFO));
      EXPECT_EQ(std::wstring(balloon.szInfoTitle), c.shownTitle);
      EXPECT_EQ(std::wstring(balloon.szInfo), c.shownText);
      EXPECT_EQ(balloon.dwInfoFlags, c.infoFlags);
      EXPECT_EQ(balloon.uTimeout, static_cast<UINT>(c.timeout));
    }
    // Later updates of the entry carry the icon, the tip and the callback again.
    shell.calls.clear();
    shell.refused.clear();
    window.SetTrayShown(true);
    ASSERT_EQ(MessagesOf(shell.calls), std::vector<DWORD>{NIM_MODIFY});
    EXPECT_EQ(shell.calls[0].record.uFlags, 7u);
  }
}

TEST_F(RecordedWindowTest, LogBoxHasItsOwnFontAndTheOtherControlsTheDefaultGuiFont) {
  HWND logBox = GetDlgItem(window.Handle(), ids::kId编辑框1);
  const auto font = reinterpret_cast<HFONT>(SendMessageW(logBox, WM_GETFONT, 0, 0));
  ASSERT_NE(font, nullptr);
  LOGFONTW description{};
  ASSERT_EQ(GetObjectW(font, sizeof description, &description),
            static_cast<int>(sizeof description));
  EXPECT_EQ(std::wstring(description.lfFaceName), L"微软雅黑");
  EXPECT_EQ(description.lfHeight, -12);
  EXPECT_EQ(description.lfWeight, 400);
  EXPECT_EQ(description.lfCharSet, 134);

  for (int id : {ids::kId标签1, ids::kId标签2, ids::kId标签3, ids::kId标签4, ids::kId标签5,
                 ids::kId按钮1, ids::kId按钮2, ids::kId按钮3, ids::kId按钮4, ids::kId编辑框2}) {
    SCOPED_TRACE(id);
    EXPECT_EQ(SendMessageW(GetDlgItem(window.Handle(), id), WM_GETFONT, 0, 0),
              reinterpret_cast<LRESULT>(GetStockObject(DEFAULT_GUI_FONT)));
  }
}

TEST_F(RecordedWindowTest, EditBoxesArePaintedInTheirColours) {
  constexpr COLORREF kWhite = RGB(255, 255, 255);
  constexpr COLORREF kBlack = RGB(0, 0, 0);
  struct Case {
    const char* name;
    UINT message;
    int id;
    int brush;
    COLORREF text;
    COLORREF background;
  };
  // A read-only edit box asks for its colours as a static control does.
  const Case cases[] = {
      {"log box, read-only", WM_CTLCOLORSTATIC, ids::kId编辑框1, BLACK_BRUSH, kWhite, kBlack},
      {"log box as edit", WM_CTLCOLOREDIT, ids::kId编辑框1, BLACK_BRUSH, kWhite, kBlack},
      {"offset box", WM_CTLCOLOREDIT, ids::kId编辑框2, WHITE_BRUSH, kBlack, kWhite},
  };
  HDC dc = CreateCompatibleDC(nullptr);
  ASSERT_NE(dc, nullptr);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SetTextColor(dc, RGB(1, 2, 3));
    SetBkColor(dc, RGB(4, 5, 6));
    const LRESULT brush = SendMessageW(window.Handle(), c.message, reinterpret_cast<WPARAM>(dc),
                                       reinterpret_cast<LPARAM>(GetDlgItem(window.Handle(), c.id)));
    EXPECT_EQ(brush, reinterpret_cast<LRESULT>(GetStockObject(c.brush)));
    EXPECT_EQ(GetTextColor(dc), c.text);
    EXPECT_EQ(GetBkColor(dc), c.background);
  }
  // A label keeps the system's colours.
  const LRESULT labelBrush =
      SendMessageW(window.Handle(), WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                   reinterpret_cast<LPARAM>(GetDlgItem(window.Handle(), ids::kId标签1)));
  EXPECT_NE(labelBrush, reinterpret_cast<LRESULT>(GetStockObject(BLACK_BRUSH)));
  EXPECT_NE(labelBrush, reinterpret_cast<LRESULT>(GetStockObject(WHITE_BRUSH)));
  DeleteDC(dc);
}

TEST_F(RecordedWindowTest, MessageBoxIsTaskModalWithoutOwnerAndShownOnTheWindowsThread) {
  struct Case {
    const char* name;
    MessageIcon icon;
    bool fromWorker;
    UINT flags;
  };
  const Case cases[] = {
      {"information", MessageIcon::Information, false, MB_OK | MB_ICONINFORMATION | MB_TASKMODAL},
      {"error", MessageIcon::Error, false, MB_OK | MB_ICONERROR | MB_TASKMODAL},
      {"error from a worker", MessageIcon::Error, true, MB_OK | MB_ICONERROR | MB_TASKMODAL},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    messageBoxes.clear();
    const auto show = [&] { window.ShowMessageBox("设置开机启动失败！", "错误", c.icon); };
    if (c.fromWorker) {
      std::atomic<bool> done{false};
      std::jthread worker([&] {
        show();
        done = true;
      });
      EXPECT_TRUE(PumpUntil([&] { return done.load(); }));
      worker.join();
    } else {
      show();
    }
    ASSERT_EQ(messageBoxes.size(), 1u);
    EXPECT_EQ(messageBoxes[0].owner, nullptr);
    EXPECT_EQ(messageBoxes[0].text, L"设置开机启动失败！");
    EXPECT_EQ(messageBoxes[0].title, L"错误");
    EXPECT_EQ(messageBoxes[0].flags, c.flags);
    EXPECT_EQ(messageBoxes[0].thread, GetCurrentThreadId());
  }
}

TEST_F(RecordedWindowTest, TimersHoldTheirStoredPeriodsRightAfterLoading) {
  EXPECT_EQ(Peer::TimerPeriodMs(window, lanqi::platform::kDisplayTimer), 1000);
  EXPECT_EQ(Peer::TimerPeriodMs(window, lanqi::platform::kCalibrationTimer), 1800000);
  EXPECT_EQ(Peer::TimerPeriodMs(window, lanqi::platform::kGuardTimer), 0);
  window.SetTimerPeriod(lanqi::platform::kGuardTimer, -5);
  EXPECT_EQ(Peer::TimerPeriodMs(window, lanqi::platform::kGuardTimer), 0);
}

// A log-off or shutdown ends the process right after WM_ENDSESSION; the window is destroyed
// first so that the destruction handler (the offset save) still runs. A cancelled end does nothing.
TEST_F(RecordedWindowTest, EndOfSessionDestroysTheWindowOnlyWhenTheSessionEnds) {
  events.Clear();
  SendMessageW(window.Handle(), WM_ENDSESSION, FALSE, ENDSESSION_LOGOFF);
  EXPECT_EQ(events.Count("destroyed"), 0);
  EXPECT_TRUE(IsWindow(window.Handle()));

  SendMessageW(window.Handle(), WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF);
  EXPECT_EQ(events.Count("destroyed"), 1);
  EXPECT_EQ(window.Handle(), nullptr);
  EXPECT_EQ(Peer::CallWindow(window), nullptr);
  // A worker's calls come back at once, harmlessly, rather than waiting for a loop that is
  // ending.
  std::string text = "unchanged";
  std::jthread worker([&] {
    window.SetText(lanqi::platform::kBeijingTimeLabel, "x");
    text = window.Text(lanqi::platform::kBeijingTimeLabel);
  });
  worker.join();
  EXPECT_EQ(text, "");
}

using lanqi::testing::ForeignMessageNumbers;
using lanqi::testing::kJunkParameters;

TEST_F(RecordedWindowTest, MessagesFromElsewhereNeitherRunCodeNorEndTheProgram) {
  window.SetTrayShown(true);
  events.Clear();
  const HWND targets[] = {window.Handle(), Peer::TrayWindow(window), Peer::CallWindow(window)};
  const auto numbers = ForeignMessageNumbers();
  const auto sendAll = [&] {
    for (HWND target : targets) {
      for (UINT number : numbers) {
        for (const auto& [wParam, lParam] : kJunkParameters) {
          SendMessageW(target, number, wParam, lParam);
          PostMessageW(target, number, wParam, lParam);
        }
      }
    }
  };
  sendAll();  // from the window's own thread: handled at once
  std::atomic<bool> done{false};
  std::jthread other([&] {
    sendAll();  // from another thread: handled while this thread processes messages
    done = true;
  });
  EXPECT_TRUE(PumpUntil([&] { return done.load(); }));
  other.join();
  PumpingDelayMs(0);

  for (HWND target : targets) EXPECT_TRUE(IsWindow(target));
  EXPECT_EQ(events.Count("destroyed"), 0);
  EXPECT_TRUE(IsWindowVisible(window.Handle()));
  EXPECT_TRUE(Peer::TrayAdded(window));
  // The operations still work, from the window's thread and from a worker.
  window.SetText(lanqi::platform::kBeijingTimeLabel, "北京时间：甲");
  std::string readBack;
  done = false;
  std::jthread worker([&] {
    window.SetText(lanqi::platform::kCorrectTimeLabel, "正确时间：乙");
    readBack = window.Text(lanqi::platform::kBeijingTimeLabel);
    done = true;
  });
  EXPECT_TRUE(PumpUntil([&] { return done.load(); }));
  worker.join();
  EXPECT_EQ(readBack, "北京时间：甲");
  EXPECT_EQ(window.Text(lanqi::platform::kCorrectTimeLabel), "正确时间：乙");
}

// A message from elsewhere runs a queued call before its caller's own message arrives, and the
// call processes messages while it runs, so the caller's message is handled inside it. The caller
// must still not return (and release its operation) until the call has finished.
TEST_F(RecordedWindowTest, ACallRunEarlyByAMessageFromElsewhereIsWaitedForByItsCaller) {
  std::atomic<bool> callStarted{false};
  std::atomic<bool> callFinished{false};
  std::atomic<bool> callerReturned{false};
  std::atomic<bool> callerReturnedBeforeTheEnd{false};
  events.onContentChanged = [&](Control) {
    callStarted = true;
    PumpingDelayMs(500);
    callerReturnedBeforeTheEnd = callerReturned.load();
    callFinished = true;
  };
  std::jthread worker([&] {
    window.AppendLogLine("钟卫\r\n");
    callerReturned = true;
  });
  // Sent by this thread to its own window, the message runs the queue at once, without looking
  // at the worker's message waiting in this thread's queue.
  EXPECT_TRUE(lanqi::testing::PollUntil(
      [&] { return callStarted.load(); }, std::chrono::seconds(10),
      [&] {
        SendMessageW(Peer::CallWindow(window), WindowCalls::kRunPendingCallsMessage, 0xDEADBEEF,
                     static_cast<LPARAM>(0xDEADBEEF));
      }));
  EXPECT_TRUE(PumpUntil([&] { return callerReturned.load(); }));
  worker.join();
  events.onContentChanged = nullptr;
  EXPECT_TRUE(callFinished.load());
  EXPECT_FALSE(callerReturnedBeforeTheEnd.load());
  EXPECT_EQ(window.Text(lanqi::platform::kLogBox), "钟卫\r\n");
}

// The pumping wait handles messages that other threads send to (and post to) this thread's
// windows, and still ends at its first due time however many arrive.
TEST_F(RecordedWindowTest, PumpingDelayHandlesSentMessagesAndEndsOnTime) {
  std::atomic<bool> stop{false};
  std::atomic<bool> sending{false};
  std::atomic<bool> gaveUp{false};
  std::atomic<int> callsHandled{0};
  events.Clear();
  std::jthread sender([&] {
    PostMessageW(window.Handle(), WM_CLOSE, 0, 0);  // refused by the handler: the window stays
    sending = true;
    const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!stop) {
      if (std::chrono::steady_clock::now() > limit) {
        gaveUp = true;
        break;
      }
      window.Text(lanqi::platform::kSecondsCaption);  // a message sent to this thread's call window
      ++callsHandled;
    }
  });
  while (!sending) std::this_thread::yield();

  const auto start = std::chrono::steady_clock::now();
  PumpingDelayMs(300);
  const auto waited = std::chrono::steady_clock::now() - start;
  const bool stillSending = !gaveUp.load();
  const int handledDuringWait = callsHandled.load();
  stop = true;
  // The sender may be inside a call that needs this thread to process it.
  std::atomic<bool> joined{false};
  std::jthread joiner([&] {
    sender.join();
    joined = true;
  });
  EXPECT_TRUE(PumpUntil([&] { return joined.load(); }));
  joiner.join();

  EXPECT_GE(handledDuringWait, 1) << "no sent message was handled during the wait";
  EXPECT_TRUE(stillSending) << "the wait went on as long as messages kept arriving";
  EXPECT_GE(waited, std::chrono::milliseconds(290));
  EXPECT_EQ(events.Count("close"), 1) << "the posted message was handled during the wait";
}

// The nested wait takes the WM_QUIT that the window's destruction posted off the queue; it is
// posted again, so the message loop still ends (and ends the program with code 0).
TEST(MainWindowQuit, WindowDestroyedDuringAWaitStillEndsTheMessageLoop) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        // A loop that never ends shows as exit code 9 instead of a hung test.
        std::thread([] {
          Sleep(20000);
          ExitProcess(9);
        }).detach();
        RecordingEvents events;
        MainWindow window(GetModuleHandleW(nullptr), {&RecordShellNotifyIcon, &RecordMessageBox});
        events.allowClose = true;
        if (!window.Load(events)) ExitProcess(0);  // no desktop: nothing to test
        PostMessageW(window.Handle(), WM_CLOSE, 0, 0);
        PumpingDelayMs(200);
        if (window.Handle() != nullptr) ExitProcess(5);  // not destroyed during the wait
        window.RunMessageLoop();
      },
      ::testing::ExitedWithCode(0), "");
}

}  // namespace
