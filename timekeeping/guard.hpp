#pragma once
#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>

#include "platform/machine_lock.hpp"

namespace lanqi {

struct PassServices;

inline constexpr int kGuardPeriodMs = 1000;
inline constexpr std::int64_t kGuardToleranceMs = 2000;
inline constexpr int kRepairLeadSeconds = 1;
// The guard reads the tick count on both sides of the wall clock; a gap wider than this means
// the process stalled between them (a page-in, CPU starvation), and the pass is skipped rather
// than the stall taken for drift.
inline constexpr std::uint64_t kGuardLongestReadMs = 300;

// Whether this copy of the program may compare the system clock now. Windows starts the program
// in every session that logs on, and each copy would hold the one clock to its own correct time:
// only the copy that holds the machine's guard lock compares (every copy where no lock can be
// had, as a copy alone does). A copy counts as alone until it first asks for the lock.
//
// The offset in force changes in one step as the passes see it: the offset, the correct time and
// the offset file's recorded stamp change under the gate's lock, and a pass compares only while
// it holds that lock, never while another copy's write to the shared file waits to be taken.
class GuardGate {
 public:
  // `outsideWriteWaiting` tells whether another copy has written the shared offset file since
  // this copy last took it; it is asked under the gate's lock.
  explicit GuardGate(std::function<bool()> outsideWriteWaiting = [] { return false; })
      : outsideWriteWaiting_(std::move(outsideWriteWaiting)) {}

  // At start and at each display tick, on the window's thread (the lock belongs to the thread
  // that took it): takes the lock when it is free, so a copy takes over within a second of the
  // holder's end, however it ended.
  void TakeLockIfFree(platform::MachineLock& lock);
  // The program ends: no pass compares from now on, and the lock is let go for another copy.
  void Close(platform::MachineLock& lock);

  // Held on the window's thread while the offset in force changes.
  [[nodiscard]] std::unique_lock<std::mutex> ChangingOffset() {
    return std::unique_lock(changing_);
  }
  // For a guard pass, on any thread: the gate's lock, owned only when this copy may compare now.
  // The pass reads the clocks while it holds it and lets go before it logs or sets anything.
  [[nodiscard]] std::unique_lock<std::mutex> TryCompare();

 private:
  std::function<bool()> outsideWriteWaiting_;
  std::mutex changing_;
  std::atomic<bool> guarding_{true};  // holds the lock, or none can be had
  std::atomic<bool> closed_{false};
};

// One comparison of the system clock with the correct time, repairing it when more than two
// seconds off; runs on a worker thread of its own.
void GuardPass(PassServices& services);

}  // namespace lanqi
