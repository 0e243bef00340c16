#pragma once
// What the in-process tests of the real window share: the recorder of the window's events with
// what only the real window can tell about them, and a message pump that waits for a condition.
#include <windows.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "platform/win32/main_window.hpp"
#include "tests/fakes/recording_events.hpp"

namespace lanqi::window_test {

using platform::Control;
using platform::Timer;
using platform::WindowEvents;
using platform::win32::MainWindow;

using testing::ChangedEvent;
using testing::RecordingEvents;
using testing::TickEvent;

// What only the real window can tell about its events: whether each arrived on the window's
// thread (all but the guard timer's ticks, which come from the thread pool), and whether the
// window was still hidden when it raised its creation event.
struct WindowWatch {
  std::atomic<DWORD> wrongThreadEvents{0};
  bool visibleWhenCreated = true;
  DWORD windowThread = GetCurrentThreadId();

  void Watch(RecordingEvents& events, const MainWindow& window) {
    events.onEvent = [this, &window](const std::string& event) {
      const bool anyThread = event == TickEvent(platform::kGuardTimer);
      if (!anyThread && GetCurrentThreadId() != windowThread) ++wrongThreadEvents;
      if (event == "created") visibleWhenCreated = IsWindowVisible(window.Handle()) != FALSE;
    };
  }
};

// Processes this thread's messages until the condition holds or the time limit has passed.
inline bool PumpUntil(const std::function<bool()>& condition,
                      std::chrono::milliseconds limit = std::chrono::seconds(10)) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
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
