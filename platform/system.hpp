#pragma once
// The one place that hands out the real implementations of the platform interfaces. Which
// implementation (win32 or posix) is linked is chosen by the build, not by #ifdefs in callers.
#include "platform/local_clock.hpp"
#include "platform/workers.hpp"

namespace lanqi::platform {

LocalClock& SystemLocalClock();
Workers& SystemWorkers();

}  // namespace lanqi::platform
