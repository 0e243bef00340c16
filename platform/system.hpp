#pragma once
// The composition root of the platform: every service the program takes from the operating
// system, in one record. The program and its application tests assemble everything from such a
// record: the program from RealSystem(), tests from one filled with fakes or with the native
// stand-ins (tests/support).
#include <filesystem>
#include <functional>
#include <memory>

#include "platform/directory_files.hpp"
#include "platform/elevation.hpp"
#include "platform/http_request_object.hpp"
#include "platform/local_clock.hpp"
#include "platform/machine_lock.hpp"
#include "platform/process_image.hpp"
#include "platform/process_memory_os.hpp"
#include "platform/registry.hpp"
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
  MachineLock& guardLock;  // which copy on the machine guards the clock
  // The one source of request objects: the HTTP routine gets its objects from here.
  HttpObjectSource newHttpRequestObject;
};

// The real Windows system (the Windows build defines it). Made on first use and never destroyed:
// worker threads may still use its services while the process ends.
System& RealSystem();

// The real file system's files of a given directory (tests use a fresh folder of their own).
std::unique_ptr<DirectoryFiles> DirectoryFilesIn(const std::filesystem::path& directory);

}  // namespace lanqi::platform
