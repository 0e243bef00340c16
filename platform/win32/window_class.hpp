#pragma once
#include <windows.h>

namespace lanqi::platform::win32 {

// A window class with only a name and a procedure: for the program's windows that are never
// seen (the tray icon's and the call window). Further fields may be set before registering.
inline WNDCLASSEXW PlainWindowClass(HINSTANCE instance, const wchar_t* name, WNDPROC procedure) {
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof windowClass;
  windowClass.lpfnWndProc = procedure;
  windowClass.hInstance = instance;
  windowClass.lpszClassName = name;
  return windowClass;
}

// Registers the class; one that a window of this process registered before counts as done, so a
// second window of the same kind (tests make many) finds its class in place.
inline bool RegisterWindowClass(const WNDCLASSEXW& windowClass) {
  return RegisterClassExW(&windowClass) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

// The object a window of ours was created for (CreateWindowExW's last argument), which its class's
// procedure hands the messages to. It is kept in the window's user data from WM_NCCREATE on; for
// the few messages that come before (WM_GETMINMAXINFO) it is null.
template <typename Owner>
Owner* WindowOwner(HWND window, UINT message, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  return reinterpret_cast<Owner*>(GetWindowLongPtrW(window, GWLP_USERDATA));
}

}  // namespace lanqi::platform::win32
