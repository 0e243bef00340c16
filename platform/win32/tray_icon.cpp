#include "platform/win32/tray_icon.hpp"

#include <cstdint>
#include <string>

#include "platform/win32/control_ids.hpp"
#include "platform/win32/text_936.hpp"
#include "platform/win32/window_class.hpp"
#include "text/code_page_936.hpp"

namespace lanqi::platform::win32 {

namespace {

constexpr UINT kRecordFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
// Balloon fields in bytes of code page 936 text, without the terminating zero.
constexpr std::size_t kBalloonTitleBytes = 63;
constexpr std::size_t kBalloonTextBytes = 255;

template <std::size_t N>
void CopyToField(wchar_t (&field)[N], std::wstring_view text) {
  const std::size_t count = text.size() < N ? text.size() : N - 1;
  text.copy(field, count);
  field[count] = L'\0';
}

}  // namespace

bool TrayIcon::Create(HINSTANCE instance, UniqueHicon icon, std::wstring_view tip,
                      std::function<void()> onLeftButtonUp) {
  if (!RegisterWindowClass(PlainWindowClass(instance, kTrayWindowClass, &WindowProc))) return false;
  onLeftButtonUp_ = std::move(onLeftButtonUp);
  taskbarCreatedMessage_ = RegisterWindowMessageW(L"TaskbarCreated");
  // A top-level window, never shown: message-only windows do not receive broadcasts such as
  // "TaskbarCreated". Its title stays empty so that nothing mistakes it for the main window.
  window_.reset(CreateWindowExW(0, kTrayWindowClass, L"", WS_OVERLAPPED, 0, 0, 0, 0, nullptr,
                                nullptr, instance, this));
  if (!window_) return false;
  // The program runs elevated; without this the shell, running at a lower integrity level,
  // could neither announce its restart nor report clicks on the icon.
  changeMessageFilter_(window_.get(), taskbarCreatedMessage_, MSGFLT_ALLOW, nullptr);
  changeMessageFilter_(window_.get(), kTrayCallbackMessage, MSGFLT_ALLOW, nullptr);

  icon_ = std::move(icon);
  record_ = NOTIFYICONDATAW{};
  record_.cbSize = sizeof record_;
  record_.hWnd = window_.get();
  record_.uID = kTrayIconId;
  record_.uFlags = kRecordFlags;
  record_.uCallbackMessage = kTrayCallbackMessage;
  record_.hIcon = icon_.get();
  CopyToField(record_.szTip, tip);
  return true;
}

void TrayIcon::SetShown(bool shown) {
  shown_ = shown;
  if (!window_) return;
  record_.uFlags = kRecordFlags;
  if (shown) {
    if (!added_) {
      added_ = Notify(NIM_ADD);
      if (!added_) RetryAddLater();
    } else {
      Notify(NIM_MODIFY);
    }
    return;
  }
  StopRetrying();
  if (Notify(NIM_DELETE)) added_ = false;
}

bool TrayIcon::ShowBalloon(std::string_view title, std::string_view text, int iconKind,
                           int timeout) {
  if (!window_) return false;
  record_.uVersion = 3;
  if (!Notify(NIM_SETVERSION)) return false;
  if (iconKind < 0 || iconKind > 3) iconKind = 1;
  record_.uFlags = NIF_INFO;
  CopyToField(record_.szInfoTitle,
              WideFrom936(cp936::CutAtCharacterBoundary(title, kBalloonTitleBytes)));
  CopyToField(record_.szInfo, WideFrom936(cp936::CutAtCharacterBoundary(text, kBalloonTextBytes)));
  record_.dwInfoFlags = static_cast<DWORD>(iconKind);
  record_.uTimeout = static_cast<UINT>(timeout);
  const bool shown = Notify(NIM_MODIFY);
  record_.uFlags = kRecordFlags;
  return shown;
}

void TrayIcon::Release() {
  StopRetrying();
  if (added_) {
    record_.uFlags = kRecordFlags;
    Notify(NIM_DELETE);
    added_ = false;
  }
  window_.reset();
  icon_.reset();
}

// The shell has started again with an empty notification area: add the entry anew if the program
// wants it shown. When the old shell is in fact still there (a stray broadcast), the add fails and
// an update tells whether the entry is still present.
void TrayIcon::AddAgainAfterShellRestart() {
  if (shown_) AddOrFindEntry();
}

void TrayIcon::AddOrFindEntry() {
  record_.uFlags = kRecordFlags;
  added_ = Notify(NIM_ADD) || Notify(NIM_MODIFY);
  if (added_) {
    StopRetrying();
  } else {
    RetryAddLater();
  }
}

void TrayIcon::RetryAddLater() {
  if (retrying_ || !window_) return;
  retrying_ = SetTimer(window_.get(), kAddRetryTimerId, kAddRetryMs, nullptr) != 0;
}

void TrayIcon::StopRetrying() {
  if (!retrying_) return;
  if (window_) KillTimer(window_.get(), kAddRetryTimerId);
  retrying_ = false;
}

LRESULT CALLBACK TrayIcon::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* self = WindowOwner<TrayIcon>(window, message, lParam);
  if (self != nullptr && self->window_.get() == window) {
    return self->HandleMessage(message, wParam, lParam);
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

LRESULT TrayIcon::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == kTrayCallbackMessage) {
    // The mouse message is in the low word (the whole value before version 4 notifications).
    if (LOWORD(lParam) == WM_LBUTTONUP && onLeftButtonUp_) onLeftButtonUp_();
    return 0;
  }
  if (message == taskbarCreatedMessage_ && taskbarCreatedMessage_ != 0) {
    AddAgainAfterShellRestart();
    return 0;
  }
  if (message == WM_TIMER && wParam == kAddRetryTimerId) {
    if (shown_ && !added_) {
      AddOrFindEntry();
    } else {
      StopRetrying();
    }
    return 0;
  }
  // The window lives as long as the icon. Requests to close every top-level window of the
  // process (taskkill without /F, an installer's restart manager) would otherwise destroy it,
  // leaving an icon that no longer answers clicks and a hidden main window nothing can restore.
  if (message == WM_CLOSE) return 0;
  return DefWindowProcW(window_.get(), message, wParam, lParam);
}

}  // namespace lanqi::platform::win32
