#pragma once
#include <windows.h>
// shellapi.h needs windows.h first.
#include <shellapi.h>

#include <functional>
#include <string_view>

#include "platform/win32/unique_handle.hpp"

namespace lanqi::platform::win32 {

// Shell_NotifyIconW, or a stand-in that records what the shell would be told.
using ShellNotifyIconCall = BOOL(WINAPI*)(DWORD message, NOTIFYICONDATAW* record);
// ChangeWindowMessageFilterEx, or a stand-in that records which messages were let through.
using MessageFilterCall = BOOL(WINAPI*)(HWND window, UINT message, DWORD action,
                                        PCHANGEFILTERSTRUCT status);

// The notification-area icon. It owns a hidden top-level window that receives the icon's mouse
// notifications and the shell's "TaskbarCreated" broadcast. The program's wish ("shown") is kept
// apart from the shell's state ("added"), which is what lets the icon come back after the shell
// restarts. Every call must come from the thread that created it.
class TrayIcon {
 public:
  // An add the shell refused (not running yet at logon, busy, just restarted) is tried again on
  // this timer of the hidden window until it succeeds or the icon is no longer wanted.
  static constexpr UINT_PTR kAddRetryTimerId = 1;
  static constexpr UINT kAddRetryMs = 5000;

  explicit TrayIcon(ShellNotifyIconCall shellNotifyIcon = &::Shell_NotifyIconW,
                    MessageFilterCall changeMessageFilter = &::ChangeWindowMessageFilterEx)
      : shellNotifyIcon_(shellNotifyIcon), changeMessageFilter_(changeMessageFilter) {}
  TrayIcon(const TrayIcon&) = delete;
  TrayIcon& operator=(const TrayIcon&) = delete;
  ~TrayIcon() { Release(); }

  // Creates the hidden window; the icon and the tip make up the notification record.
  // onLeftButtonUp runs when the left mouse button is released over the icon.
  bool Create(HINSTANCE instance, UniqueHicon icon, std::wstring_view tip,
              std::function<void()> onLeftButtonUp);

  // true adds the entry to the notification area (or updates it when already added), false
  // removes it. A failure leaves the added flag as it was; a refused add is retried.
  void SetShown(bool shown);
  bool Shown() const { return shown_; }
  bool Added() const { return added_; }

  // Texts are code page 936; the title is cut to 63 bytes and the text to 255, between whole
  // characters. An icon kind outside 0..3 becomes 1 (information). False when the entry is not in
  // the notification area or the shell refuses.
  bool ShowBalloon(std::string_view title, std::string_view text, int iconKind, int timeout);

  // Removes the entry and destroys the hidden window; safe to call more than once.
  void Release();

  HWND Window() const { return window_.get(); }

 private:
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
  void AddAgainAfterShellRestart();
  // Adds the entry, or finds it there already (an add that timed out in a busy shell may still
  // have been carried out), and retries on the timer while neither succeeds.
  void AddOrFindEntry();
  void RetryAddLater();
  void StopRetrying();
  bool Notify(DWORD message) { return shellNotifyIcon_(message, &record_) != FALSE; }

  ShellNotifyIconCall shellNotifyIcon_;
  MessageFilterCall changeMessageFilter_;
  UniqueHwnd window_;
  UniqueHicon icon_;
  NOTIFYICONDATAW record_{};
  bool shown_ = false;
  bool added_ = false;
  bool retrying_ = false;
  UINT taskbarCreatedMessage_ = 0;
  std::function<void()> onLeftButtonUp_;
};

}  // namespace lanqi::platform::win32
