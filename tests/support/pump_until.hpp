#pragma once
// Waiting on the thread of a window under test: its messages go on being handled meanwhile.
#include <windows.h>

#include "platform/win32/win32_platform.hpp"
#include "tests/support/poll.hpp"

namespace lanqi::testing {

// Polls `condition` until it holds or the deadline passes; between two looks it waits up to a poll
// interval for a message and dispatches every message waiting in this thread's queue.
template <typename Condition>
bool PumpUntil(Condition condition, Milliseconds deadline = std::chrono::seconds(10)) {
  return PollUntil(condition, deadline, [] {
    MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(kPollInterval.count()),
                              QS_ALLINPUT);
    platform::win32::PumpingDelayMs(0);
  });
}

}  // namespace lanqi::testing
