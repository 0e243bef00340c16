#include "platform/system.hpp"
#include "platform/win32/win32_platform.hpp"

namespace lanqi::platform {

LocalClock& SystemLocalClock() {
  static win32::Win32LocalClock clock;
  return clock;
}

Workers& SystemWorkers() {
  static win32::Win32Workers workers;
  return workers;
}

}  // namespace lanqi::platform
