#include "platform/posix/posix_platform.hpp"
#include "platform/system.hpp"

namespace lanqi::platform {

LocalClock& SystemLocalClock() {
  static PosixLocalClock clock;
  return clock;
}

Workers& SystemWorkers() {
  // Never destroyed: detached workers may still count themselves out while the process exits.
  static ThreadWorkers& workers = *new ThreadWorkers;
  return workers;
}

}  // namespace lanqi::platform
