#pragma once
// Waiting in the end-to-end tests: every wait polls a condition until a deadline, so a slow,
// shared machine only makes a test slower, never wrong.

#include <windows.h>

#include <chrono>
#include <optional>
#include <thread>

namespace lanqi::e2e {

using Milliseconds = std::chrono::milliseconds;

// Generous bounds: a Wine process start costs about a second on an idle machine and several
// on a loaded one.
inline constexpr Milliseconds kStartDeadline{30000};
inline constexpr Milliseconds kStateDeadline{10000};
inline constexpr Milliseconds kPollInterval{20};

// Calls `probe` until it returns an engaged optional or the deadline passes.
template <typename Probe>
auto PollFor(Probe probe, Milliseconds deadline) -> decltype(probe()) {
  const auto end = std::chrono::steady_clock::now() + deadline;
  for (;;) {
    if (auto value = probe()) return value;
    if (std::chrono::steady_clock::now() >= end) return probe();
    std::this_thread::sleep_for(kPollInterval);
  }
}

// Calls `condition` until it holds or the deadline passes; the result is its last answer.
template <typename Condition>
bool PollUntil(Condition condition, Milliseconds deadline) {
  return PollFor(
             [&]() -> std::optional<bool> {
               if (condition()) return true;
               return std::nullopt;
             },
             deadline)
      .has_value();
}

}  // namespace lanqi::e2e
