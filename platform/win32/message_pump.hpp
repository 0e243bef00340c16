#pragma once
#include <windows.h>

namespace lanqi::platform::win32 {

// Dispatches the messages waiting in this thread's queue. `stop` is asked after each one: the
// pump returns true as soon as it holds (messages that keep coming cannot hold its caller), and
// false once the queue is empty.
template <typename Stop>
bool DispatchWaitingMessages(Stop stop) {
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
    if (stop()) return true;
  }
  return false;
}

inline void DispatchWaitingMessages() {
  DispatchWaitingMessages([] { return false; });
}

}  // namespace lanqi::platform::win32
