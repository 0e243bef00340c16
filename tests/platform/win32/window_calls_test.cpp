// Calls carried from workers to the window's thread, under Windows or Wine: a call runs there and
// its caller returns once it has run; a call whose window goes away before reaching it comes back
// false without running, whether the window is destroyed by its owner or dies with its thread.
#include "platform/win32/window_calls.hpp"

#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <future>
#include <thread>
#include <vector>

#include "tests/support/pump_until.hpp"

namespace lanqi {
namespace {

using platform::win32::WindowCalls;

constexpr auto kDeadline = std::chrono::seconds(30);

// The worker's message has arrived in the window thread's queue (looked at, not taken).
bool CallAnnounced(HWND window) {
  MSG message;
  return PeekMessageW(&message, window, WindowCalls::kRunPendingCallsMessage,
                      WindowCalls::kRunPendingCallsMessage, PM_NOREMOVE) != FALSE;
}

// After a tick the window's thread waits a moment for the worker it started: the worker's call is
// run during that wait without a message, however soon after its start the worker makes it. The
// wait ends with that call; the worker's next call comes with its own message and runs once too.
TEST(WindowCalls, AnAwaitedCallRunsDuringTheWait) {
  WindowCalls calls;
  ASSERT_TRUE(calls.Create(GetModuleHandleW(nullptr)));
  std::atomic<int> ran{0};
  std::atomic<int> answered{0};
  std::atomic<bool> awaited{false};
  std::atomic<bool> calling{false};
  std::jthread worker;
  // Generous: on a loaded machine the worker may need long for its call; the wait ends with the
  // call, not with this bound.
  calls.StartAndAwaitCall(
      [&] {
        worker = std::jthread([&] {
          calling = true;
          answered += calls.Run([&] { ran.fetch_add(1); });
          while (!awaited.load()) Sleep(1);
          answered += calls.Run([&] { ran.fetch_add(1); });
        });
        // Time for the worker to make its call before the wait begins; whenever it comes, it
        // finds the thread waiting.
        EXPECT_TRUE(testing::PollUntil([&] { return calling.load(); }, kDeadline));
        Sleep(20);
      },
      30000);
  EXPECT_EQ(ran.load(), 1);
  EXPECT_FALSE(CallAnnounced(calls.Window()));  // handed over without a message
  awaited = true;
  EXPECT_TRUE(testing::PumpUntil([&] { return answered.load() == 2; }, kDeadline));
  worker.join();
  platform::win32::PumpingDelayMs(0);
  EXPECT_EQ(ran.load(), 2);  // each run once, not again by a late message
}

// Calls in a row, as a calibration makes them: each runs on the window's thread, in order,
// and its caller sees what it did once Run has returned.
TEST(WindowCalls, AWorkersCallsRunOnTheWindowsThreadInOrderAndReturnWhenDone) {
  WindowCalls calls;
  ASSERT_TRUE(calls.Create(GetModuleHandleW(nullptr)));
  const DWORD windowThread = GetCurrentThreadId();
  constexpr int kCalls = 5;
  std::vector<DWORD> ranOn;
  std::atomic<int> answered{0};
  std::atomic<bool> seenByCaller{true};
  std::jthread worker([&] {
    for (int i = 0; i < kCalls; ++i) {
      const bool result = calls.Run([&] { ranOn.push_back(GetCurrentThreadId()); });
      seenByCaller = seenByCaller && result && ranOn.size() == static_cast<std::size_t>(i + 1);
      answered.fetch_add(1);
    }
  });
  EXPECT_TRUE(testing::PumpUntil([&] { return answered.load() == kCalls; }, kDeadline));
  worker.join();
  EXPECT_TRUE(seenByCaller.load());
  EXPECT_EQ(ranOn, std::vector<DWORD>(kCalls, windowThread));
  // On the window's own thread a call runs at once.
  bool ranHere = false;
  EXPECT_TRUE(calls.Run([&] { ranHere = true; }));
  EXPECT_TRUE(ranHere);
}

// The window's thread ends its windows while a worker's message still waits in its queue: the
// worker must neither hang nor run its operation later.
TEST(WindowCalls, ACallWhoseWindowGoesAwayComesBackWithoutRunning) {
  enum class End { DestroyedByItsThread, ItsThreadEnds };
  for (End end : {End::DestroyedByItsThread, End::ItsThreadEnds}) {
    SCOPED_TRACE(end == End::DestroyedByItsThread ? "destroyed" : "thread ends");
    WindowCalls calls;
    std::atomic<bool> ran{false};
    std::promise<bool> result;
    std::jthread worker;
    // The window's thread: creates the window, lets a worker call, and without ever handling
    // the call either destroys the window or simply ends.
    std::jthread windowThread([&] {
      ASSERT_TRUE(calls.Create(GetModuleHandleW(nullptr)));
      worker = std::jthread([&] { result.set_value(calls.Run([&] { ran = true; })); });
      EXPECT_TRUE(testing::PollUntil([&] { return CallAnnounced(calls.Window()); }, kDeadline));
      if (end == End::DestroyedByItsThread) calls.Destroy();
    });
    windowThread.join();
    auto answer = result.get_future();
    EXPECT_EQ(answer.wait_for(kDeadline), std::future_status::ready);
    if (answer.valid() && answer.wait_for(std::chrono::seconds(0)) == std::future_status::ready) {
      EXPECT_FALSE(answer.get());
    }
    if (worker.joinable()) worker.join();
    EXPECT_FALSE(ran.load());
  }
}

}  // namespace
}  // namespace lanqi
