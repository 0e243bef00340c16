#include "platform/posix/posix_platform.hpp"
#include "platform/system.hpp"

namespace lanqi::platform {

LocalClock& real::TheLocalClock() {
  static PosixLocalClock clock;
  return clock;
}

Workers& real::TheWorkers() {
  // Never destroyed: detached workers may still count themselves out while the process exits.
  static auto& workers = *new ThreadWorkers;
  return workers;
}

}  // namespace lanqi::platform
