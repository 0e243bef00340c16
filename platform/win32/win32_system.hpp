#pragma once
// The real Windows implementations RealSystem() is made of; each lives until the process ends.
#include <memory>

#include "platform/system.hpp"

namespace lanqi::platform::real {

LocalClock& TheLocalClock();
Workers& TheWorkers();
Sockets& TheSockets();
ProcessMemoryOs& TheProcessMemoryOs();
MachineRegistry& TheMachineRegistry();
ProcessImage& TheProcessImage();
Elevation& TheElevation();
MachineLock& TheGuardLock();
// The files beside the executable.
DirectoryFiles& TheRunDirectoryFiles();
// A new WinHTTP request object for the calling thread, which must hold an HttpThreadScope;
// nullptr when none can be made.
std::shared_ptr<HttpRequestObject> NewHttpRequestObject();

}  // namespace lanqi::platform::real
