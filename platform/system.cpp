#include "platform/system.hpp"

namespace lanqi::platform {

System& RealSystem() {
  // Never destroyed: detached workers may still use the services while the process exits.
  static System& system = *new System{
      real::TheLocalClock(),      real::TheWorkers(),           real::TheSockets(),
      real::TheProcessMemoryOs(), real::TheRunDirectoryFiles(), real::TheMachineRegistry(),
      real::TheProcessImage(),    real::TheElevation(),         &NewHttpRequestObject};
  return system;
}

}  // namespace lanqi::platform
