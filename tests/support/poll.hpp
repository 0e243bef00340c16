#pragma once
// Waiting in the tests: every wait polls a condition until a deadline, so a slow, shared machine
// only makes a test slower, never wrong.
#include <chrono>
#include <thread>

namespace lanqi::testing {

using Milliseconds = std::chrono::milliseconds;

inline constexpr Milliseconds kPollInterval{20};

// What a wait does between two looks when told nothing else: a pause of one poll interval.
struct PauseBetweenPolls {
  void operator()() const { std::this_thread::sleep_for(kPollInterval); }
};

// Calls `probe` until it returns a value that tests true or the deadline passes; the result is
// its last answer. `between` runs between two calls (a window's test handles its messages there).
template <typename Probe, typename Between = PauseBetweenPolls>
auto PollFor(Probe probe, Milliseconds deadline, Between between = {}) -> decltype(probe()) {
  const auto end = std::chrono::steady_clock::now() + deadline;
  for (;;) {
    if (auto value = probe()) return value;
    if (std::chrono::steady_clock::now() >= end) return probe();
    between();
  }
}

// Calls `condition` until it holds or the deadline passes; the result is its last answer.
template <typename Condition, typename Between = PauseBetweenPolls>
bool PollUntil(Condition condition, Milliseconds deadline, Between between = {}) {
  return PollFor([&] { return static_cast<bool>(condition()); }, deadline, between);
}

}  // namespace lanqi::testing
