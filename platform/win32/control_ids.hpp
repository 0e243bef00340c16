#pragma once
// Identifiers of the main window's child controls and the window classes, shared by the window
// and by the end-to-end driver that finds and clicks them.
#include "platform/window.hpp"

namespace lanqi::platform::win32 {

// A control's id is its value (platform/window.hpp); the names below spell it for the driver.
constexpr int ControlId(Control control) {
  return static_cast<int>(control);
}
inline constexpr int kId标签1 = ControlId(Control::标签1);
inline constexpr int kId标签2 = ControlId(Control::标签2);
inline constexpr int kId标签3 = ControlId(Control::标签3);
inline constexpr int kId标签4 = ControlId(Control::标签4);
inline constexpr int kId标签5 = ControlId(Control::标签5);
inline constexpr int kId按钮1 = ControlId(Control::按钮1);
inline constexpr int kId按钮2 = ControlId(Control::按钮2);
inline constexpr int kId按钮3 = ControlId(Control::按钮3);
inline constexpr int kId按钮4 = ControlId(Control::按钮4);
inline constexpr int kId编辑框1 = ControlId(Control::编辑框1);
inline constexpr int kId编辑框2 = ControlId(Control::编辑框2);

inline constexpr wchar_t kMainWindowClass[] = L"LanqiClockGuardMainWindow";
inline constexpr wchar_t kTrayWindowClass[] = L"LanqiClockGuardTrayWindow";
// The message-only window that carries calls from worker threads to the window's thread.
inline constexpr wchar_t kCallWindowClass[] = L"LanqiClockGuardCallWindow";

// The tray icon reports mouse events to its hidden window with this message.
inline constexpr unsigned kTrayCallbackMessage = 0x8064;
// The tray entry's id beside its hidden window (uID), which the shell also passes with each
// mouse report. Fixed, because the shell keeps the user's choice to show the icon on the taskbar
// by the executable's path and this id: an id that changed with every start would lose it.
inline constexpr unsigned kTrayIconId = 1;

}  // namespace lanqi::platform::win32
