#include "platform/win32/win32_system.hpp"

#include "platform/win32/win32_machine_lock.hpp"
#include "platform/win32/win32_platform.hpp"

namespace lanqi::platform {

LocalClock& real::TheLocalClock() {
  static win32::Win32LocalClock clock;
  return clock;
}

Workers& real::TheWorkers() {
  // Never destroyed: detached workers may still count themselves out while the process exits.
  static auto& workers = *new win32::Win32Workers;
  return workers;
}

MachineLock& real::TheGuardLock() {
  static win32::Win32MachineLock lock(L"Global\\LanqiClockGuard.Guard");
  return lock;
}

System& RealSystem() {
  // Never destroyed: detached workers may still use the services while the process exits.
  static System& system = *new System{real::TheLocalClock(),        real::TheWorkers(),
                                      real::TheSockets(),           real::TheProcessMemoryOs(),
                                      real::TheRunDirectoryFiles(), real::TheMachineRegistry(),
                                      real::TheProcessImage(),      real::TheElevation(),
                                      real::TheGuardLock(),         &real::NewHttpRequestObject};
  return system;
}

}  // namespace lanqi::platform
