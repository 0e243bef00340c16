#include "tests/e2e/wine_tray.hpp"

#include <windows.h>

#include "tests/e2e/window_access.hpp"

namespace lanqi::e2e {
namespace {

// The X11 driver's stand-alone tray, and explorer's own taskbar tray of a virtual desktop.
bool IsTrayIconClass(const std::wstring& name) {
  return name == L"__winex11_tray_icon" || name == L"__wine_tray_icon";
}

BOOL CALLBACK CountIcon(HWND window, LPARAM parameter) {
  if (IsWindowVisible(window) && IsTrayIconClass(ClassNameOf(window))) {
    ++*reinterpret_cast<int*>(parameter);
  }
  return TRUE;
}

BOOL CALLBACK CountInTopLevel(HWND window, LPARAM parameter) {
  // A docked icon is a top-level window of its own; a stand-alone one is a child of the tray.
  CountIcon(window, parameter);
  if (IsWindowVisible(window)) EnumChildWindows(window, CountIcon, parameter);
  return TRUE;
}

}  // namespace

int VisibleTrayIconCount() {
  int count = 0;
  EnumWindows(CountInTopLevel, reinterpret_cast<LPARAM>(&count));
  return count;
}

}  // namespace lanqi::e2e
