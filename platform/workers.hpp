#pragma once
#include <functional>

namespace lanqi::platform {

// Starts routines on threads of their own that nobody waits for.
class Workers {
 public:
  virtual ~Workers() = default;
  // Runs the routine on a new thread; false when no thread could be created (the work is skipped).
  virtual bool Start(std::function<void()> routine) = 0;
  // Waits the given milliseconds on the calling thread, measured on the tick count; on Windows the
  // thread's window messages go on being processed meanwhile.
  virtual void PumpingDelay(int milliseconds) = 0;
};

}  // namespace lanqi::platform
