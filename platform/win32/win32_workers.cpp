#include <windows.h>

#include <memory>
#include <optional>

#include "platform/win32/unique_handle.hpp"
#include "platform/win32/win32_platform.hpp"

namespace lanqi::platform::win32 {

namespace {

// What ends a wait to process messages: keyboard, mouse movement, mouse button, posted message,
// timer, paint, sent message and hot key. Raw input (in QS_ALLINPUT) is left out: the program
// never registers for it.
constexpr DWORD kPumpingWakeMask = QS_KEY | QS_MOUSEMOVE | QS_MOUSEBUTTON | QS_POSTMESSAGE |
                                   QS_TIMER | QS_PAINT | QS_SENDMESSAGE | QS_HOTKEY;
static_assert(kPumpingWakeMask == 0xFF);

// Dispatches the messages waiting in this thread's queue until `stop` holds after one of them
// (messages that keep coming cannot hold the caller) or the queue is empty; true when it held. A
// WM_QUIT is kept in `quit` instead, for the caller to post again once it stops waiting.
template <typename Stop>
bool DispatchWaitingMessages(Stop stop, std::optional<int>& quit) {
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (message.message == WM_QUIT) {
      quit = static_cast<int>(message.wParam);
    } else {
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
    if (stop()) return true;
  }
  return false;
}

// Waits out the timer, dispatching messages until it fires; without a timer or a wait it still
// waits the interval.
void WaitPumping(int milliseconds, CreateWaitableTimerCall createTimer, std::optional<int>& quit) {
  if (milliseconds <= 0) {
    DispatchWaitingMessages([] { return false; }, quit);
    return;
  }
  UniqueHandle timer(createTimer(nullptr, FALSE, nullptr));
  LARGE_INTEGER due{};
  due.QuadPart = -static_cast<LONGLONG>(milliseconds) * 10000;  // relative, 100 ns units
  if (!timer || !SetWaitableTimer(timer.get(), &due, 0, nullptr, nullptr, FALSE)) {
    Sleep(static_cast<DWORD>(milliseconds));
    return;
  }
  HANDLE handles[] = {timer.get()};
  for (;;) {
    const DWORD result = MsgWaitForMultipleObjects(1, handles, FALSE, INFINITE, kPumpingWakeMask);
    if (result == WAIT_OBJECT_0) return;
    if (result == WAIT_FAILED) {
      Sleep(static_cast<DWORD>(milliseconds));
      return;
    }
    // The due time is looked at after every message: messages that keep coming (a worker's
    // calls posted one after the other) must not stretch the wait.
    const auto timerFired = [&] { return WaitForSingleObject(timer.get(), 0) == WAIT_OBJECT_0; };
    if (DispatchWaitingMessages(timerFired, quit)) return;
  }
}

}  // namespace

void CALLBACK Win32Workers::RunQueued(PTP_CALLBACK_INSTANCE instance, void* context) {
  const std::unique_ptr<std::function<void()>> routine(
      static_cast<std::function<void()>*>(context));
  // Any routine may wait seconds (a calibration on the network, the probe on its connects, a
  // routine on routines it started). Said up front, the pool gives routines queued meanwhile,
  // such as the next second's guard pass, another thread instead of holding them back until this
  // one returns. The answer only tells whether such a thread is at hand; the routine runs anyway.
  CallbackMayRunLong(instance);
  (*routine)();
}

bool Win32Workers::Start(std::function<void()> routine) {
  auto start = std::make_unique<std::function<void()>>(std::move(routine));
  if (!submit_(&RunQueued, start.get(), nullptr)) return false;
  start.release();  // the callback owns it now; nobody waits for it
  return true;
}

void Win32Workers::PumpingDelay(int milliseconds) {
  PumpingDelayMs(milliseconds);
}

void PumpingDelayMs(int milliseconds, CreateWaitableTimerCall createTimer) {
  std::optional<int> quit;
  WaitPumping(milliseconds, createTimer, quit);
  // The message loop must still see the quit message (the window was destroyed meanwhile).
  if (quit) PostQuitMessage(*quit);
}

}  // namespace lanqi::platform::win32
