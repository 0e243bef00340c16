// The Windows workers on the system thread pool, run under Windows or Wine: every routine runs
// once on a pool thread, routines that wait do not hold back routines queued after them, and a
// routine the pool refuses is reported and dropped.
#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <vector>

#include "platform/win32/unique_handle.hpp"
#include "platform/win32/win32_platform.hpp"
#include "tests/support/poll.hpp"

namespace lanqi {
namespace {

using platform::win32::UniqueHandle;
using platform::win32::Win32Workers;

constexpr testing::Milliseconds kWorkerDeadline{30000};

UniqueHandle ManualResetEvent() {
  return UniqueHandle(CreateEventW(nullptr, TRUE, FALSE, nullptr));
}

TEST(Win32Workers, EveryRoutineRunsOnceOffTheCallersThread) {
  Win32Workers workers;
  constexpr int kRoutines = 64;
  std::vector<std::atomic<int>> runs(kRoutines);
  std::atomic<int> onCaller{0};
  std::atomic<int> finished{0};  // each routine's last touch of this test's locals
  const DWORD caller = GetCurrentThreadId();
  for (int i = 0; i < kRoutines; ++i) {
    ASSERT_TRUE(workers.Start([&, i] {
      if (GetCurrentThreadId() == caller) onCaller.fetch_add(1);
      runs[i].fetch_add(1);
      finished.fetch_add(1);
    }));
  }
  ASSERT_TRUE(testing::PollUntil([&] { return finished.load() == kRoutines; }, kWorkerDeadline));
  for (int i = 0; i < kRoutines; ++i) EXPECT_EQ(runs[i].load(), 1) << "routine " << i;
  EXPECT_EQ(onCaller.load(), 0);
}

// The running program's worst case: calibration passes waiting seconds on the network, each on
// its probe's connect routine that waits too, while the guard must still run every second. More
// routines wait at once than the machine has processors, the number of threads a pool starts
// with. The later routine has to run while all of them still wait.
TEST(Win32Workers, WaitingRoutinesDoNotHoldBackALaterOne) {
  SYSTEM_INFO system{};
  GetSystemInfo(&system);
  const int waiting = static_cast<int>(std::max<DWORD>(system.dwNumberOfProcessors, 2)) * 2;

  Win32Workers workers;
  UniqueHandle release = ManualResetEvent();
  UniqueHandle guardRan = ManualResetEvent();
  ASSERT_TRUE(release && guardRan);
  std::atomic<int> innerStarted{0};
  std::atomic<int> returned{0};  // each routine's last touch of this test's locals
  // Until the routines are let go, nothing may return from this test: they use its locals.
  for (int i = 0; i < waiting; ++i) {
    EXPECT_TRUE(workers.Start([&] {
      // Like a pass waiting on the probe it started: the inner routine must get a thread too.
      auto innerDone = std::make_shared<UniqueHandle>(ManualResetEvent());
      const bool started = workers.Start([&, innerDone] {
        innerStarted.fetch_add(1);
        WaitForSingleObject(release.get(), INFINITE);
        SetEvent(innerDone->get());
        returned.fetch_add(1);
      });
      WaitForSingleObject(release.get(), INFINITE);
      if (started) WaitForSingleObject(innerDone->get(), INFINITE);
      returned.fetch_add(1);
    }));
  }
  EXPECT_TRUE(testing::PollUntil([&] { return innerStarted.load() == waiting; }, kWorkerDeadline));
  EXPECT_TRUE(workers.Start([&] { SetEvent(guardRan.get()); }));
  EXPECT_EQ(WaitForSingleObject(guardRan.get(), static_cast<DWORD>(kWorkerDeadline.count())),
            WAIT_OBJECT_0);
  EXPECT_EQ(returned.load(), 0);  // nothing was let go yet

  SetEvent(release.get());
  ASSERT_TRUE(testing::PollUntil([&] { return returned.load() == 2 * waiting; }, kWorkerDeadline));
}

BOOL WINAPI RefusingSubmit(PTP_SIMPLE_CALLBACK, void*, PTP_CALLBACK_ENVIRON) {
  SetLastError(ERROR_NOT_ENOUGH_MEMORY);
  return FALSE;
}

// A pool out of memory: the routine is skipped, reported, and let go of.
TEST(Win32Workers, ARoutineThePoolRefusesIsReportedAndDropped) {
  Win32Workers workers(&RefusingSubmit);
  auto captured = std::make_shared<int>(0);
  bool ran = false;
  EXPECT_FALSE(workers.Start([&ran, captured] { ran = true; }));
  EXPECT_FALSE(ran);
  EXPECT_EQ(captured.use_count(), 1);
}

HANDLE WINAPI NoTimer(LPSECURITY_ATTRIBUTES, BOOL, LPCWSTR) {
  SetLastError(ERROR_NO_SYSTEM_RESOURCES);
  return nullptr;
}

// The probe's 20 ms steps and the log box's 3 s pause: with or without a timer the delay waits
// its whole interval, and it always returns.
TEST(PumpingDelay, WaitsItsIntervalAlsoWhenNoTimerCanBeMade) {
  const struct {
    const char* name;
    platform::win32::CreateWaitableTimerCall createTimer;
  } cases[] = {
      {"a timer", &::CreateWaitableTimerW},
      {"no timer", &NoTimer},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    // The performance counter: the tick count moves in steps of many milliseconds under Wine.
    const auto start = std::chrono::steady_clock::now();
    platform::win32::PumpingDelayMs(300, c.createTimer);
    const auto waited = std::chrono::steady_clock::now() - start;
    EXPECT_GE(waited, std::chrono::milliseconds(290));
    EXPECT_LT(waited, std::chrono::milliseconds(5000));
  }
}

}  // namespace
}  // namespace lanqi
