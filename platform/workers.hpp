#pragma once
#include <functional>

namespace lanqi::platform {

// Starts routines on threads of their own that nobody waits for.
class Workers {
 public:
  virtual ~Workers() = default;
  // Runs the routine on a new thread; false when no thread could be created (the work is skipped).
  virtual bool Start(std::function<void()> routine) = 0;
  // The one way a thread waits while its window messages run: waits the given milliseconds on the
  // calling thread, measured on the tick count (the messages neither shorten nor stretch it); on
  // Windows the thread's messages go on being processed meanwhile, so nested events may run. Zero
  // or less only processes the messages already waiting. A quit message taken off the queue
  // meanwhile is posted again, so the thread's message loop still ends.
  virtual void PumpingDelay(int milliseconds) = 0;
};

}  // namespace lanqi::platform
