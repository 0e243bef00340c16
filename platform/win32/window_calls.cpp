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
  return ownedWindow_ != nullptr;
}

void WindowCalls::Destroy() {
  // A window can only be destroyed by its own thread.
  if (!OnWindowThread()) return;
  window_.store(nullptr);
  ownedWindow_.reset();
}

bool WindowCalls::Run(const std::function<void()>& operation) {
  if (OnWindowThread()) {
    operation();
    return true;
  }
  PendingCall call{&operation};
  {
    std::lock_guard lock(mutex_);
    queue_.push_back(&call);
  }
  // Returns once the window's thread has handled the message; at once when the window is gone.
  if (HWND window = window_.load()) SendMessageW(window, kRunPendingCallsMessage, 0, 0);
  return FinishOrTakeBack(call);
}

bool WindowCalls::FinishOrTakeBack(PendingCall& call) {
  std::unique_lock lock(mutex_);
  if (call.state == CallState::Queued) {
    // The send failed or came back unhandled: no handler will ever see this call now, and it
    // must not stay queued once this frame, which owns it, is gone.
    std::erase(queue_, &call);
    return false;
  }
  // A handler further out took the call before this caller's own message was handled (the
  // operation itself processes messages, or a message from elsewhere ran the queue early).
  finished_.wait(lock, [&] { return call.state == CallState::Finished; });
  return true;
}

void WindowCalls::RunPendingCalls() {
  for (;;) {
    PendingCall* call = nullptr;
    {
      std::lock_guard lock(mutex_);
      if (queue_.empty()) return;
      call = queue_.front();
      queue_.pop_front();
      call->state = CallState::Running;
    }
    // Marks the call finished even if the operation throws, so its caller is never left waiting.
    struct FinishOnExit {
      WindowCalls& calls;
      PendingCall* call;
      ~FinishOnExit() {
        {
          std::lock_guard lock(calls.mutex_);
          call->state = CallState::Finished;
        }
        // The caller may return and release its call from here on: touch it no more.
        calls.finished_.notify_all();
      }
    } finishOnExit{*this, call};
    (*call->operation)();
  }
}

LRESULT CALLBACK WindowCalls::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  // The parameters are never looked at: whoever sent the message, only queued calls run.
  if (message == kRunPendingCallsMessage) {
    if (auto* self = reinterpret_cast<WindowCalls*>(GetWindowLongPtrW(window, GWLP_USERDATA))) {
      self->RunPendingCalls();
    }
    return 0;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace lanqi::platform::win32
