#include <chrono>
#include <system_error>
#include <thread>

#include "platform/posix/posix_platform.hpp"

namespace lanqi::platform {

bool ThreadWorkers::Start(std::function<void()> routine) {
  try {
    std::thread(std::move(routine)).detach();
    return true;
  } catch (const std::system_error&) {
    return false;
  }
}

void ThreadWorkers::PumpingDelay(int milliseconds) {
  if (milliseconds > 0) std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

}  // namespace lanqi::platform
