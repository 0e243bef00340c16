#pragma once
#include <windows.h>

#include <atomic>
#include <deque>
#include <functional>

#include "platform/win32/unique_handle.hpp"

namespace lanqi::platform::win32 {

// Carries calls from other threads to the thread that owns the windows, and waits for them.
//
// A caller puts its operation into a queue owned here and posts a message without parameters to
// a message-only window; the window's handler runs whatever is queued and wakes the callers whose
// calls are done. Nothing is ever taken from a message's parameters, and a message-only window
// hears no broadcasts, so a message that some other program sends can at most run calls that are
// already queued a little early.
//
// Posting rather than sending spares each call the reply round trip through the system's message
// queues, and the callers wait on a slim lock's condition variable, which needs no kernel object.
// Calls that follow each other closely are handed over through the lock alone.
// The callers are workers that own no windows: nothing needs to reach them while they wait.
class WindowCalls {
 public:
  // The message that asks the window's thread to run the queued calls.
  static constexpr UINT kRunPendingCallsMessage = WM_APP;

  WindowCalls() = default;
  WindowCalls(const WindowCalls&) = delete;
  WindowCalls& operator=(const WindowCalls&) = delete;
  ~WindowCalls() { Destroy(); }

  // Creates the message-only window on the calling thread, which becomes the thread that runs
  // the calls. False when the window could not be created.
  bool Create(HINSTANCE instance);
  // Runs the operation on the window's thread and returns once it has finished there; on that
  // thread itself it runs at once. False, without running it, when the window no longer exists
  // (or never did), is destroyed before reaching the call, or its message could not be posted.
  bool Run(const std::function<void()>& operation);
  // On the window's thread: runs start, which starts a routine that is about to make a call here,
  // then waits up to the given time for that call and runs it (and any already queued behind it)
  // without a message. The clock display's worker sets its labels in one call right after the
  // display tick; meeting it here spares the window's thread a second wake-up every second, and
  // since the thread counts as waiting before the routine starts, a worker quicker than the
  // return from start hands its call over without posting either. No further call is waited for
  // once one has run: a later call comes with its message as usual.
  void StartAndAwaitCall(const std::function<void()>& start, DWORD milliseconds);
  // Destroys the window on its own thread: later calls come back at once without running, and
  // callers still waiting take their calls back.
  void Destroy();

  HWND Window() const { return window_.load(); }
  bool OnWindowThread() const { return GetCurrentThreadId() == threadId_.load(); }

 private:
  enum class CallState { Queued, Running, Finished, TakenBack };
  struct PendingCall {
    const std::function<void()>* operation;
    CallState state = CallState::Queued;
  };
  // Holds the slim lock for a scope.
  class Locked {
   public:
    explicit Locked(SRWLOCK& lock) : lock_(lock) { AcquireSRWLockExclusive(&lock_); }
    Locked(const Locked&) = delete;
    Locked& operator=(const Locked&) = delete;
    ~Locked() { ReleaseSRWLockExclusive(&lock_); }

   private:
    SRWLOCK& lock_;
  };

  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  // Runs the queued calls one by one, in the order they came, until the queue is empty and, when
  // lingerAfterCalls, no further call has come for a moment.
  void RunPendingCalls(DWORD firstWaitMs, bool lingerAfterCalls);
  // Waits until the call has finished or was taken back. While it is still queued, the window
  // is checked now and then: a window whose thread ended without destroying it through Destroy
  // drops the message, and the call is taken back.
  bool WaitForCall(PendingCall& call, HWND window);
  // The message could not be posted: a call still queued is taken back; one that a handler
  // already took (a message from elsewhere ran the queue early) is waited for.
  bool TakeBackOrWait(PendingCall& call);
  // Marks the call and wakes every waiting caller; the caller may release its call from here on.
  // lingerAfter: the handler goes on to wait a moment for a next call.
  void Settle(PendingCall& call, CallState state, bool lingerAfter);

  std::atomic<HWND> window_{nullptr};
  UniqueHwnd ownedWindow_;
  std::atomic<DWORD> threadId_{0};
  SRWLOCK lock_ = SRWLOCK_INIT;
  CONDITION_VARIABLE settled_ = CONDITION_VARIABLE_INIT;
  // Set from the end of a call until the handler has waited a moment for the next one on
  // queued_; callers that find it set wake the handler instead of posting.
  CONDITION_VARIABLE queued_ = CONDITION_VARIABLE_INIT;
  bool lingering_ = false;
  std::deque<PendingCall*> queue_;
};

}  // namespace lanqi::platform::win32
