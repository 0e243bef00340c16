#pragma once
// What the in-process tests of the real window share: the recorder of the window's events with
// what only the real window can tell about them, and the wait that handles the window's messages.
#include <windows.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "platform/win32/main_window.hpp"
#include "tests/fakes/recording_events.hpp"
#include "tests/support/pump_until.hpp"

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

using testing::PumpUntil;

}  // namespace lanqi::window_test
