// lanqi_wait_window.exe: waits until the program's main window is on screen with its clock lines
// filled, then prints the window's outer rectangle ("left top width height") so a screenshot can
// be cut to it. Exit code 0 when it is up, 1 when the deadline passed. Used by the run script and
// the end-to-end wrapper, which cannot see Win32 windows inside a Wine virtual desktop.

#include <windows.h>

#include <cstdio>

#include "platform/win32/control_ids.hpp"
#include "tests/e2e/clock_guard_driver.hpp"
#include "tests/e2e/clock_line.hpp"
#include "tests/e2e/poll.hpp"
#include "tests/e2e/window_access.hpp"

int main() {
  using namespace lanqi::e2e;
  namespace ids = lanqi::platform::win32;
  HWND window = nullptr;
  const bool up = PollUntil(
      [&] {
        window = FindWindowW(ids::kMainWindowClass, kMainWindowTitle);
        if (window == nullptr || !IsWindowVisible(window)) return false;
        const auto text = ReadWindowText(GetDlgItem(window, ids::kId标签5));
        return text && ParseClockLine(*text, L"系统时间：").has_value();
      },
      kStartDeadline);
  if (!up) {
    std::fputs("the main window did not come up with its clock lines in time\n", stderr);
    return 1;
  }
  const auto rect = OuterRect(window);
  if (!rect) return 1;
  std::printf("%ld %ld %ld %ld\n", rect->left, rect->top, rect->right - rect->left,
              rect->bottom - rect->top);
  return 0;
}
