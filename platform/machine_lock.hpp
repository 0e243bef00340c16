#pragma once

namespace lanqi::platform {

// A lock shared by every copy of the program on the machine, in every session: one copy holds it
// at a time. Only administrators can open it, so a standard user's program can neither take it
// nor hold it. It belongs to the thread that took it; the program takes and lets go of it on the
// window's thread, which lives as long as the copy does.
class MachineLock {
 public:
  enum class State {
    kHeld,           // this copy holds it (a holder that ended without letting go counts as gone)
    kHeldElsewhere,  // another copy holds it
    kUnavailable,    // it could not be made or opened here, or someone untrusted made it
  };
  virtual ~MachineLock() = default;
  // Takes the lock when it is free, without waiting; asked again while held, it only answers.
  virtual State TryTake() = 0;
  // Lets go of a lock this copy holds; nothing otherwise.
  virtual void Release() = 0;
};

}  // namespace lanqi::platform
