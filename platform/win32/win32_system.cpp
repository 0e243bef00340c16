#include "platform/system.hpp"
#include "platform/win32/win32_platform.hpp"

namespace lanqi::platform {

System& RealSystem() {
  // Never destroyed: detached workers may still use the services while the process exits.
  static System& system = *[] {
    static win32::Win32LocalClock clock;
    static auto& workers = *new win32::Win32Workers;
    static DirectoryFiles& runDirectory = *DirectoryFilesIn(real::RunDirectory()).release();
    return new System{clock,
                      workers,
                      real::TheSockets(),
                      real::TheProcessMemoryOs(),
                      runDirectory,
                      real::TheMachineRegistry(),
                      real::TheProcessImage(),
                      real::TheElevation(),
                      &NewHttpRequestObject};
  }();
  return system;
}

}  // namespace lanqi::platform
