#pragma once
// What the tests look at inside the real main window beyond its Window operations.
#include "platform/win32/main_window.hpp"
#include "platform/win32/main_window_layout.hpp"

namespace lanqi::testing {

struct MainWindowPeer {
  using MainWindow = platform::win32::MainWindow;
  static HWND TrayWindow(const MainWindow& window) { return window.tray_.Window(); }
  static HWND CallWindow(const MainWindow& window) { return window.calls_.Window(); }
  static bool TrayAdded(const MainWindow& window) { return window.tray_.Added(); }
  // The period the timer counts with now, in ms (0: stopped). Read it on the window's thread.
  static int TimerPeriodMs(const MainWindow& window, platform::Timer timer) {
    return window.timers_[platform::win32::IndexOf(timer)].Milliseconds();
  }
};

}  // namespace lanqi::testing
