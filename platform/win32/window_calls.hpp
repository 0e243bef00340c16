#pragma once
#include <windows.h>

#include <atomic>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>

#include "platform/win32/unique_handle.hpp"

namespace lanqi::platform::win32 {

// Carries calls from other threads to the thread that owns the windows, and waits for them.
//
// A caller puts its operation into a queue owned here and sends a message without parameters to
// a message-only window; the window's handler runs whatever is queued. Nothing is ever taken from
// a message's parameters, and a message-only window hears no broadcasts, so a message that some
// other program sends can at most run calls that are already queued a little early.
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
  // (or never did) or a handler ended before reaching it.
  bool Run(const std::function<void()>& operation);
  // Destroys the window on its own thread: later calls come back at once without running, and
  // callers still waiting take their calls back.
  void Destroy();

  HWND Window() const { return window_.load(); }
  bool OnWindowThread() const { return GetCurrentThreadId() == threadId_.load(); }

 private:
  enum class CallState { Queued, Running, Finished };
  struct PendingCall {
    const std::function<void()>* operation;
    CallState state = CallState::Queued;
  };

  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  // Runs the queued calls one by one, in the order they came, until the queue is empty.
  void RunPendingCalls();
  // After the send: a call still queued was never reached and is taken back; one that is
  // running (a handler further out on the window's thread took it) is waited for.
  bool FinishOrTakeBack(PendingCall& call);

  std::atomic<HWND> window_{nullptr};
  UniqueHwnd ownedWindow_;
  std::atomic<DWORD> threadId_{0};
  std::mutex mutex_;
  std::condition_variable finished_;
  std::deque<PendingCall*> queue_;
};

}  // namespace lanqi::platform::win32
