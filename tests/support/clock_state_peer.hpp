#pragma once
#include <mutex>

#include "timekeeping/clock_state.hpp"

namespace lanqi::testing {

// The standard time as the last refresh (or setting) left it.
struct ClockStatePeer {
  static DateTime StandardTime(const ClockState& state) {
    std::lock_guard lock(state.anchorMutex_);
    return state.standardTime_;
  }
};
inline DateTime StandardTimeOf(const ClockState& state) {
  return ClockStatePeer::StandardTime(state);
}

}  // namespace lanqi::testing
