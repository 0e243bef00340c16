#pragma once
// What the in-process tests of the real window share: a recorder of the window's events and a
// message pump that waits for a condition.
#include <windows.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "platform/win32/main_window.hpp"

namespace lanqi::window_test {

using platform::Control;
using platform::Timer;
using platform::WindowEvents;
using platform::win32::MainWindow;

// Records every event with the thread it arrived on.
class RecordingEvents final : public WindowEvents {
 public:
  void OnCreated() override {
    Record("created");
    visibleWhenCreated = IsWindowVisible(window->Handle()) != FALSE;
    if (onCreated) onCreated();
  }
  bool OnCloseRequested() override {
    Record("close");
    return allowClose;
  }
  void OnDestroyed() override { Record("destroyed"); }
  void OnButtonClicked(Control button) override {
    Record("button " + std::to_string(static_cast<int>(button)));
  }
  void OnContentChanged(Control editBox) override {
    Record("changed " + std::to_string(static_cast<int>(editBox)));
    if (onContentChanged) onContentChanged(editBox);
  }
  void OnTrayLeftButtonUp() override { Record("tray up"); }
  void OnTimerTick(Timer timer) override {
    Record("tick " + std::to_string(static_cast<int>(timer)));
  }

  std::vector<std::string> Events() {
    std::lock_guard lock(mutex_);
    return events_;
  }
  int Count(const std::string& event) {
    int count = 0;
    for (const std::string& seen : Events()) count += seen == event;
    return count;
  }
  void Clear() {
    std::lock_guard lock(mutex_);
    events_.clear();
  }

  MainWindow* window = nullptr;
  bool allowClose = false;
  bool visibleWhenCreated = true;
  std::atomic<DWORD> wrongThreadEvents{0};
  DWORD windowThread = GetCurrentThreadId();
  std::function<void()> onCreated;
  std::function<void(Control)> onContentChanged;

 private:
  void Record(std::string event) {
    if (GetCurrentThreadId() != windowThread) ++wrongThreadEvents;
    std::lock_guard lock(mutex_);
    events_.push_back(std::move(event));
  }
  std::mutex mutex_;
  std::vector<std::string> events_;
};

inline std::string ChangedEvent(Control control) {
  return "changed " + std::to_string(static_cast<int>(control));
}
inline std::string TickEvent(Timer timer) {
  return "tick " + std::to_string(static_cast<int>(timer));
}

// Processes this thread's messages until the condition holds or ten seconds have passed.
inline bool PumpUntil(const std::function<bool()>& condition) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (!condition()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
  }
  return true;
}

}  // namespace lanqi::window_test
