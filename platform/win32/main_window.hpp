#pragma once
#include <windows.h>

#include <array>
#include <atomic>
#include <functional>
#include <iterator>
#include <string>

#include "platform/main_window_form.hpp"
#include "platform/timer_period.hpp"
#include "platform/win32/pool_timer.hpp"
#include "platform/win32/tray_icon.hpp"
#include "platform/win32/unique_handle.hpp"
#include "platform/win32/window_calls.hpp"
#include "platform/window.hpp"

namespace lanqi::testing {
struct MainWindowPeer;
}

namespace lanqi::platform::win32 {

// MessageBoxW, or a stand-in that records what the user would be shown.
using MessageBoxCall = int(WINAPI*)(HWND owner, LPCWSTR text, LPCWSTR title, UINT flags);

// The system calls whose records leave the program for the shell and the user; the real ones
// unless a test puts in stand-ins that record them.
struct WindowSystemCalls {
  ShellNotifyIconCall shellNotifyIcon = &::Shell_NotifyIconW;
  MessageBoxCall messageBox = &::MessageBoxW;
  MessageFilterCall changeMessageFilter = &::ChangeWindowMessageFilterEx;
};

// The program's main window with its controls, its three timers and its tray icon. The window's
// thread is the thread that calls Load; every Window operation called from another thread is
// carried to it (WindowCalls) and returns when it has been carried out there. The guard timer,
// whose tick only starts a worker, counts on the thread pool (PoolTimer): its ticks arrive on a
// pool thread and spare the window's thread a wake-up every second. The other timers are window
// timers.
class MainWindow final : public Window {
 public:
  explicit MainWindow(HINSTANCE instance, WindowSystemCalls systemCalls = {});
  MainWindow(const MainWindow&) = delete;
  MainWindow& operator=(const MainWindow&) = delete;
  ~MainWindow() override;

  // Creates the window and all its controls hidden, starts the timers with their stored periods,
  // raises events.OnCreated() and then shows the window. False when the window could not be
  // created (for instance without a display).
  bool Load(WindowEvents& events);
  // Processes the window's messages until the window has been destroyed, then ends the program.
  [[noreturn]] void RunMessageLoop();
  // Stops the delivery of events at once, removes the tray icon, releases the windows, icons and
  // fonts, then what was handed to ReleaseAtEnd, and ends the process with the exit code.
  // Callable from any thread.
  [[noreturn]] void EndProgram(int exitCode) override;
  // Something else the program holds, released by EndProgram after the windows.
  void ReleaseAtEnd(std::function<void()> release) { releaseAtEnd_ = std::move(release); }

  std::string Text(Control control) override;
  void SetText(Control control, const std::string& text) override;
  void SetTexts(std::span<const ControlText> texts) override;
  void SetSelectionStart(Control editBox, int start) override;
  void SetVisible(bool visible) override;
  void SetTrayShown(bool shown) override;
  void SetTimerPeriod(Timer timer, int milliseconds) override;
  void AppendLogLine(const std::string& text) override;
  bool ShowBalloon(const std::string& title, const std::string& text, int iconKind,
                   int timeout) override;
  void ShowMessageBox(const std::string& text, const std::string& title, MessageIcon icon) override;

  HWND Handle() const { return window_.load(); }

 private:
  // The tests look at the tray's and the call window's handles and the timers' periods.
  friend struct testing::MainWindowPeer;

  static constexpr std::size_t kControlCount = std::size(kControlForms);
  static constexpr std::size_t kTimerCount = 3;

  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  void OnCommand(WPARAM wParam);
  // The brush and colours of the edit boxes; null for controls that keep the system's colours.
  HBRUSH ControlBrush(HDC dc, HWND control) const;

  bool CreateControls();
  void StartStoredTimers();
  // Runs the operation on the window's thread; does nothing once the program is ending.
  void Invoke(const std::function<void()>& operation);
  bool OnWindowThread() const { return calls_.OnWindowThread(); }
  WindowEvents* Events() const { return ending_.load() ? nullptr : events_; }
  HWND ControlWindow(Control control) const;
  // Changes an edit box through a message and raises its content-changed event exactly once,
  // whatever the edit control itself reports for that message.
  void ChangeEditContent(Control editBox, const std::function<void()>& change);
  // SetText's work, on the window's thread.
  void SetTextHere(Control control, const std::string& text);
  void ReleaseResources();

  HINSTANCE instance_;
  MessageBoxCall messageBox_;
  WindowEvents* events_ = nullptr;
  // Cleared when the window is destroyed; read by any thread.
  std::atomic<HWND> window_{nullptr};
  std::atomic<bool> ending_{false};
  bool destroyed_ = false;
  int quietControlId_ = 0;
  std::array<HWND, kControlCount> controls_{};
  std::array<TimerPeriod, kTimerCount> timers_{};
  UniqueHfont logFont_;
  std::function<void()> releaseAtEnd_;
  TrayIcon tray_;
  WindowCalls calls_;
  // Last: stopped, and its tick under way waited for, before anything else goes.
  PoolTimer guardTimer_{[this] {
    if (WindowEvents* events = Events()) events->OnTimerTick(kGuardTimer);
  }};
};

}  // namespace lanqi::platform::win32
