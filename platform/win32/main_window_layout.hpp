#pragma once
// The main window's layout: its size and styles, where each control sits with its first text,
// and the timers with the periods they count with from the start.
#include <commctrl.h>
#include <windows.h>

#include <iterator>
#include <optional>

#include "platform/win32/control_ids.hpp"
#include "platform/win32/unique_handle.hpp"
#include "platform/window.hpp"

namespace lanqi::platform::win32 {

inline constexpr wchar_t kTitle[] = L"岚栖钟卫";
inline constexpr int kOuterWidth = 371;
inline constexpr int kOuterHeight = 356;
// A fixed frame with title bar and close box: no sizing border, no minimise or maximise box.
inline constexpr DWORD kMainWindowStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;

inline constexpr DWORD kLabelStyle = SS_LEFT | SS_CENTERIMAGE | SS_NOPREFIX;
inline constexpr DWORD kButtonStyle = BS_PUSHBUTTON | WS_TABSTOP;
// The log box: read-only, so the user cannot edit it, and without ES_NOHIDESEL, so the selection
// is hidden while it has no focus.
inline constexpr DWORD kLogBoxStyle =
    ES_MULTILINE | ES_AUTOVSCROLL | ES_READONLY | WS_VSCROLL | WS_TABSTOP;
inline constexpr DWORD kOffsetBoxStyle = ES_CENTER | ES_AUTOHSCROLL | WS_TABSTOP;

struct ControlLayout {
  Control control;
  int id;
  const wchar_t* className;
  const wchar_t* text;
  int left, top, width, height;
  DWORD style;
  DWORD exStyle;
};

// Positions and sizes are in the main window's client area, in pixels.
inline constexpr ControlLayout kLayout[] = {
    {kBeijingTimeLabel, kId标签1, L"STATIC", L"北京时间：0000年00月00日 00:00:00", 8, 8, 344, 24,
     kLabelStyle, 0},
    {kCorrectTimeLabel, kId标签2, L"STATIC", L"正确时间：0000年00月00日 00:00:00", 8, 40, 344, 24,
     kLabelStyle, 0},
    {kSystemTimeLabel, kId标签5, L"STATIC", L"系统时间：0000年00月00日 00:00:00", 8, 72, 344, 24,
     kLabelStyle, 0},
    {kOffsetCaption, kId标签3, L"STATIC", L"时差：", 8, 104, 64, 24, kLabelStyle, 0},
    {kStepDownButton, kId按钮1, L"BUTTON", L"-1s", 88, 104, 48, 24, kButtonStyle, 0},
    {kOffsetBox, kId编辑框2, L"EDIT", L"", 144, 104, 64, 24, kOffsetBoxStyle, WS_EX_CLIENTEDGE},
    {kStepUpButton, kId按钮2, L"BUTTON", L"+1s", 224, 104, 48, 24, kButtonStyle, 0},
    {kSecondsCaption, kId标签4, L"STATIC", L"秒", 288, 104, 64, 24, kLabelStyle, 0},
    {kLogBox, kId编辑框1, L"EDIT", L"", 6, 136, 346, 152, kLogBoxStyle, WS_EX_CLIENTEDGE},
    {kAutostartButton, kId按钮3, L"BUTTON", L"设置开机启动", 8, 296, 152, 24, kButtonStyle, 0},
    {kHideButton, kId按钮4, L"BUTTON", L"最小化窗口", 216, 296, 136, 24, kButtonStyle, 0},
};
static_assert(std::size(kLayout) == 11);

struct TimerSetting {
  Timer timer;
  int storedPeriodMs;
};
// The periods the timers count with from the moment the window is loaded.
inline constexpr TimerSetting kStoredTimers[] = {
    {kDisplayTimer, 1000},
    {kGuardTimer, 0},
    {kCalibrationTimer, 1800000},
};

constexpr std::size_t IndexOf(Control control) {
  return static_cast<std::size_t>(control);
}
constexpr std::size_t IndexOf(Timer timer) {
  return static_cast<std::size_t>(timer);
}
constexpr UINT_PTR TimerId(Timer timer) {
  return IndexOf(timer) + 1;
}

inline bool IsEditBox(Control control) {
  return control == kLogBox || control == kOffsetBox;
}

inline std::optional<Control> ControlOfId(int id) {
  for (const ControlLayout& layout : kLayout) {
    if (layout.id == id) return layout.control;
  }
  return std::nullopt;
}

inline std::optional<Timer> TimerOfId(UINT_PTR id) {
  for (const TimerSetting& setting : kStoredTimers) {
    if (TimerId(setting.timer) == id) return setting.timer;
  }
  return std::nullopt;
}

// How long the window's thread waits after a display tick for the call of the worker it started.
inline constexpr DWORD kAwaitCallsAfterTickMs = 10;

// The log box's own font (the other controls use the system's GUI font); null when the font
// cannot be made, and the log box then keeps the GUI font too.
UniqueHfont CreateLogBoxFont();

}  // namespace lanqi::platform::win32
