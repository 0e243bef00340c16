// The Window operations of the main window, each carried to the window's thread.
#include <algorithm>

#include "platform/win32/main_window.hpp"
#include "platform/win32/main_window_layout.hpp"
#include "platform/win32/text_936.hpp"
#include "platform/win32/win32_platform.hpp"

namespace lanqi::platform::win32 {

namespace {

std::wstring WindowText(HWND window) {
  const int length = GetWindowTextLengthW(window);
  if (length <= 0) return {};
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  const int copied = GetWindowTextW(window, text.data(), length + 1);
  text.resize(copied > 0 ? static_cast<std::size_t>(copied) : 0);
  return text;
}

}  // namespace
void MainWindow::Invoke(const std::function<void()>& operation) {
  if (ending_.load()) return;
  // Asked again on the window's thread: the program may have begun to end meanwhile.
  calls_.Run([&] {
    if (!ending_.load()) operation();
  });
}

HWND MainWindow::ControlWindow(Control control) const {
  const std::size_t index = IndexOf(control);
  return index < controls_.size() ? controls_[index] : nullptr;
}

std::string MainWindow::Text(Control control) {
  std::string text;
  Invoke([&] { text = Cp936FromWide(WindowText(ControlWindow(control))); });
  return text;
}

void MainWindow::ChangeEditContent(Control editBox, const std::function<void()>& change) {
  const int previousQuiet = quietControlId_;
  quietControlId_ = GetDlgCtrlID(ControlWindow(editBox));
  change();
  quietControlId_ = previousQuiet;
  if (WindowEvents* events = Events()) events->OnContentChanged(editBox);
}

void MainWindow::SetTextHere(Control control, const std::string& text) {
  HWND window = ControlWindow(control);
  if (window == nullptr) return;
  const std::wstring wide = WideFrom936(text);
  if (!IsEditBox(control)) {
    SetWindowTextW(window, wide.c_str());
    return;
  }
  ChangeEditContent(control, [&] { SetWindowTextW(window, wide.c_str()); });
}

void MainWindow::SetText(Control control, const std::string& text) {
  Invoke([&] { SetTextHere(control, text); });
}

void MainWindow::SetTexts(std::span<const ControlText> texts) {
  Invoke([&] {
    for (const ControlText& each : texts) {
      // A handler raised by an edit box's change may have begun the end meanwhile.
      if (ending_.load()) return;
      SetTextHere(each.control, each.text);
    }
  });
}

void MainWindow::SetSelectionStart(Control editBox, int start) {
  Invoke([&] {
    HWND window = ControlWindow(editBox);
    if (window == nullptr || !IsEditBox(editBox)) return;
    const std::wstring wide = WindowText(window);
    std::size_t caret = wide.size();
    if (start >= 0) {
      // The start counts code page 936 bytes; the edit control counts UTF-16 units.
      const std::string bytes = Cp936FromWide(wide);
      const std::size_t byteStart = std::min(static_cast<std::size_t>(start), bytes.size());
      caret = WideFrom936(std::string_view(bytes).substr(0, byteStart)).size();
    }
    SendMessageW(window, EM_SETSEL, caret, caret);
    SendMessageW(window, EM_SCROLLCARET, 0, 0);
  });
}

void MainWindow::SetVisible(bool visible) {
  Invoke([&] {
    HWND window = window_.load();
    if (window == nullptr) return;
    ShowWindow(window, visible ? SW_SHOW : SW_HIDE);
    if (visible) SetForegroundWindow(window);
  });
}

void MainWindow::SetTrayShown(bool shown) {
  Invoke([&] { tray_.SetShown(shown); });
}

void MainWindow::SetTimerPeriod(Timer timer, int milliseconds) {
  Invoke([&] {
    HWND window = window_.load();
    const std::size_t index = IndexOf(timer);
    if (window == nullptr || index >= timers_.size()) return;
    const TimerAction action = timers_[index].Set(milliseconds);
    if (timer == kGuardTimer) {
      if (action != TimerAction::Keep) guardTimer_.SetPeriod(timers_[index].Milliseconds());
      return;
    }
    switch (action) {
      case TimerAction::Keep:
        break;
      case TimerAction::Restart:
        // Setting an existing timer again replaces its period and restarts its count.
        SetTimer(window, TimerId(timer), static_cast<UINT>(timers_[index].Milliseconds()), nullptr);
        break;
      case TimerAction::Stop:
        KillTimer(window, TimerId(timer));
        break;
    }
  });
}

bool MainWindow::ShowBalloon(const std::string& title, const std::string& text, int iconKind,
                             int timeout) {
  bool shown = false;
  Invoke([&] { shown = tray_.ShowBalloon(title, text, iconKind, timeout); });
  return shown;
}

void MainWindow::ShowMessageBox(const std::string& text, const std::string& title,
                                MessageIcon icon) {
  Invoke([&] {
    const UINT iconFlag = icon == MessageIcon::Error ? MB_ICONERROR : MB_ICONINFORMATION;
    messageBox_(nullptr, WideFrom936(text).c_str(), WideFrom936(title).c_str(),
                MB_OK | iconFlag | MB_TASKMODAL);
  });
}

}  // namespace lanqi::platform::win32
