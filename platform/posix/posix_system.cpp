#include "platform/posix/posix_platform.hpp"
#include "platform/system.hpp"

namespace lanqi::platform {

System& RealSystem() {
  // Never destroyed: detached workers may still use the services while the process exits.
  static System& system = *[] {
    static PosixLocalClock clock;
    static auto& workers = *new ThreadWorkers;
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
