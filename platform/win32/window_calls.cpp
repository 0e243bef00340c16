#include "platform/win32/window_calls.hpp"

#include <algorithm>

#include "platform/win32/control_ids.hpp"
#include "platform/win32/window_class.hpp"

namespace lanqi::platform::win32 {

bool WindowCalls::Create(HINSTANCE instance) {
  threadId_.store(GetCurrentThreadId());
  if (!RegisterWindowClass(PlainWindowClass(instance, kCallWindowClass, &WindowProc))) return false;
  // HWND_MESSAGE: a window that is never shown, is not enumerated and hears no broadcasts.
  ownedWindow_.reset(CreateWindowExW(0, kCallWindowClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                     instance, this));
  window_.store(ownedWindow_.get());
  return static_cast<bool>(ownedWindow_);
}

void WindowCalls::Destroy() {
  // A window can only be destroyed by its own thread.
  if (!OnWindowThread()) return;
  window_.store(nullptr);
  ownedWindow_.reset();
  // Messages posted to the destroyed window are dropped with it: the calls they announced are
  // handed back to their callers. A caller that queues after this sees no window and takes its
  // call back itself.
  {
    Locked locked(lock_);
    for (PendingCall* call : queue_) call->state = CallState::TakenBack;
    queue_.clear();
  }
  WakeAllConditionVariable(&settled_);
}

bool WindowCalls::Run(const std::function<void()>& operation) {
  if (OnWindowThread()) {
    operation();
    return true;
  }
  PendingCall call{&operation};
  bool handlerWaiting = false;
  {
    Locked locked(lock_);
    queue_.push_back(&call);
    handlerWaiting = lingering_;
  }
  HWND window = window_.load();
  if (handlerWaiting) {
    WakeAllConditionVariable(&queued_);
    return WaitForCall(call, window);
  }
  if (window == nullptr || !PostMessageW(window, kRunPendingCallsMessage, 0, 0)) {
    return TakeBackOrWait(call);
  }
  return WaitForCall(call, window);
}

bool WindowCalls::WaitForCall(PendingCall& call, HWND window) {
  constexpr DWORD kWindowCheckIntervalMs = 500;
  Locked locked(lock_);
  for (;;) {
    if (call.state == CallState::Finished) return true;
    if (call.state == CallState::TakenBack) return false;
    if (!SleepConditionVariableSRW(&settled_, &lock_, kWindowCheckIntervalMs, 0) &&
        call.state == CallState::Queued && !IsWindow(window)) {
      std::erase(queue_, &call);
      return false;
    }
  }
}

bool WindowCalls::TakeBackOrWait(PendingCall& call) {
  Locked locked(lock_);
  if (call.state == CallState::Queued) {
    // No handler will ever see this call now, and it must not stay queued once this frame,
    // which owns it, is gone.
    std::erase(queue_, &call);
    return false;
  }
  // A handler took the call before this caller could post (a message from elsewhere ran the
  // queue early).
  while (call.state == CallState::Running) {
    SleepConditionVariableSRW(&settled_, &lock_, INFINITE, 0);
  }
  return call.state == CallState::Finished;
}

void WindowCalls::Settle(PendingCall& call, CallState state, bool lingerAfter) {
  {
    Locked locked(lock_);
    call.state = state;
    // Set in the same step: a caller that comes back at once already finds the handler waiting.
    lingering_ = lingerAfter;
  }
  // The caller may return and release its call from here on: touch it no more.
  WakeAllConditionVariable(&settled_);
}

void WindowCalls::StartAndAwaitCall(const std::function<void()>& start, DWORD milliseconds) {
  const bool awaiting = OnWindowThread() && window_.load() != nullptr;
  if (awaiting) {
    Locked locked(lock_);
    lingering_ = true;
  }
  start();
  // Also clears the flag, whether or not a call came.
  if (awaiting) RunPendingCalls(milliseconds, false);
}

void WindowCalls::RunPendingCalls(DWORD firstWaitMs, bool lingerAfterCalls) {
  // A caller that has just had its answer often comes straight back with its next call (a
  // calibration logs its line and then sets its timers). Waiting a moment for it here, where it is
  // handed over through the lock alone, spares each such call a message through the thread's queue.
  // Only for a few calls per message: a steady stream of calls must not keep the thread from its
  // other messages.
  constexpr DWORD kLingerMs = 5;
  constexpr int kLingerWhileFewerThan = 4;
  int ran = 0;
  for (;;) {
    PendingCall* call = nullptr;
    {
      Locked locked(lock_);
      if (lingering_ && queue_.empty() && window_.load() != nullptr) {
        SleepConditionVariableSRW(&queued_, &lock_, ran == 0 ? firstWaitMs : kLingerMs, 0);
      }
      lingering_ = false;
      // Once the window is gone nothing more is run; callers take their calls back.
      if (window_.load() == nullptr || queue_.empty()) return;
      call = queue_.front();
      queue_.pop_front();
      call->state = CallState::Running;
    }
    ++ran;
    // Marks the call finished even if the operation throws, so its caller is never left waiting;
    // only after a call that returned does the handler wait for the next one.
    struct FinishOnExit {
      WindowCalls& calls;
      PendingCall* call;
      bool lingerAfter = false;
      ~FinishOnExit() { calls.Settle(*call, CallState::Finished, lingerAfter); }
    } finishOnExit{*this, call};
    (*call->operation)();
    finishOnExit.lingerAfter = lingerAfterCalls && ran < kLingerWhileFewerThan;
  }
}

LRESULT CALLBACK WindowCalls::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* self = WindowOwner<WindowCalls>(window, message, lParam);
  // The parameters are never looked at: whoever sent the message, only queued calls run.
  if (message == kRunPendingCallsMessage) {
    if (self != nullptr) self->RunPendingCalls(0, true);
    return 0;
  }
  // Lives as long as the program: a close request from outside (taskkill without /F closes every
  // window of the process) would otherwise leave the workers' calls with nowhere to go.
  if (message == WM_CLOSE) return 0;
  return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace lanqi::platform::win32
