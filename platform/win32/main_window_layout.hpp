#pragma once
// The main window's layout on Windows: its size and styles, and each control's id, class and
// styles beside its place and first text in the form.
#include <commctrl.h>
#include <windows.h>

#include <iterator>
#include <optional>

#include "platform/main_window_form.hpp"
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

// What Windows needs beyond the form (platform/main_window_form.hpp) and the id (the control's
// value): each control's window class and styles, in the form's order.
struct ControlLayout {
  Control control;
  const wchar_t* className;
  DWORD style;
  DWORD exStyle;
};

inline constexpr ControlLayout kLayout[] = {
    {kBeijingTimeLabel, L"STATIC", kLabelStyle, 0},
    {kCorrectTimeLabel, L"STATIC", kLabelStyle, 0},
    {kSystemTimeLabel, L"STATIC", kLabelStyle, 0},
    {kOffsetCaption, L"STATIC", kLabelStyle, 0},
    {kStepDownButton, L"BUTTON", kButtonStyle, 0},
    {kOffsetBox, L"EDIT", kOffsetBoxStyle, WS_EX_CLIENTEDGE},
    {kStepUpButton, L"BUTTON", kButtonStyle, 0},
    {kSecondsCaption, L"STATIC", kLabelStyle, 0},
    {kLogBox, L"EDIT", kLogBoxStyle, WS_EX_CLIENTEDGE},
    {kAutostartButton, L"BUTTON", kButtonStyle, 0},
    {kHideButton, L"BUTTON", kButtonStyle, 0},
};

// The control's row in the form, which the layout follows row by row.
constexpr std::size_t IndexOf(Control control) {
  std::size_t index = 0;
  while (index < std::size(kControlForms) && kControlForms[index].control != control) ++index;
  return index;
}
constexpr bool LayoutFollowsTheForm() {
  if (std::size(kLayout) != std::size(kControlForms)) return false;
  for (std::size_t i = 0; i < std::size(kLayout); ++i) {
    if (kLayout[i].control != kControlForms[i].control) return false;
  }
  return true;
}
static_assert(LayoutFollowsTheForm(), "one layout row per form row, for the same control");
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
  for (const ControlForm& form : kControlForms) {
    if (ControlId(form.control) == id) return form.control;
  }
  return std::nullopt;
}

inline std::optional<Timer> TimerOfId(UINT_PTR id) {
  for (const TimerForm& form : kTimerForms) {
    if (TimerId(form.timer) == id) return form.timer;
  }
  return std::nullopt;
}

// How long the window's thread waits after a display tick for the call of the worker it started.
inline constexpr DWORD kAwaitCallsAfterTickMs = 10;

// The log box's own font (the other controls use the system's GUI font); null when the font
// cannot be made, and the log box then keeps the GUI font too.
UniqueHfont CreateLogBoxFont();

}  // namespace lanqi::platform::win32
