#pragma once
// Identifiers of the main window's child controls and the window classes, shared by the window
// and by the end-to-end driver that finds and clicks them.

namespace lanqi::platform::win32 {

inline constexpr int kId标签1 = 1001;
inline constexpr int kId标签2 = 1002;
inline constexpr int kId标签3 = 1003;
inline constexpr int kId标签4 = 1004;
inline constexpr int kId标签5 = 1005;
inline constexpr int kId按钮1 = 1011;
inline constexpr int kId按钮2 = 1012;
inline constexpr int kId按钮3 = 1013;
inline constexpr int kId按钮4 = 1014;
inline constexpr int kId编辑框1 = 1021;
inline constexpr int kId编辑框2 = 1022;

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
