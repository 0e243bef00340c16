#pragma once
// The composition root of the platform: every service the program takes from the operating
// system, in one record. RealSystem() makes the real one (Windows or Linux, as the build links);
// the program and its application tests assemble everything from such a record, tests from one
// filled with fakes.
#include <filesystem>
#include <functional>
#include <memory>

#include "platform/elevation.hpp"
#include "platform/http_request_object.hpp"
#include "platform/local_clock.hpp"
#include "platform/process_image.hpp"
#include "platform/process_memory_os.hpp"
#include "platform/registry.hpp"
#include "platform/run_directory_files.hpp"
#include "platform/sockets.hpp"
#include "platform/workers.hpp"

namespace lanqi::platform {

struct System {
  LocalClock& clock;
  Workers& workers;
  Sockets& sockets;
  ProcessMemoryOs& processMemory;
  DirectoryFiles& runDirectory;  // the files beside the executable
  MachineRegistry& registry;
  ProcessImage& processImage;
  Elevation& elevation;
  HttpObjectSource newHttpRequestObject;
};

// The real system. Made on first use and never destroyed: worker threads may still use its
// services while the process ends.
System& RealSystem();

// The real file system's files of a given directory (tests use a fresh folder of their own).
std::unique_ptr<DirectoryFiles> DirectoryFilesIn(const std::filesystem::path& directory);

// A new request object of the real system (WinHTTP's COM object, or libcurl), for the calling
// thread, which must hold an HttpThreadScope; nullptr when none can be made.
std::shared_ptr<HttpRequestObject> NewHttpRequestObject();

// The real implementations RealSystem is made of; each lives until the process ends.
namespace real {
LocalClock& TheLocalClock();
Workers& TheWorkers();
Sockets& TheSockets();
ProcessMemoryOs& TheProcessMemoryOs();
MachineRegistry& TheMachineRegistry();
ProcessImage& TheProcessImage();
Elevation& TheElevation();
// The files beside the executable.
DirectoryFiles& TheRunDirectoryFiles();
}  // namespace real

}  // namespace lanqi::platform
