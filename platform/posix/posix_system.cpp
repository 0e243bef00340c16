#include "platform/posix/posix_platform.hpp"
#include "platform/system.hpp"

namespace lanqi::platform {

LocalClock& SystemLocalClock() {
  static PosixLocalClock clock;
  return clock;
}

Workers& SystemWorkers() {
  static ThreadWorkers workers;
  return workers;
}

}  // namespace lanqi::platform
