#pragma once
#include <memory>

#include "platform/system.hpp"
#include "tests/fakes/fake_elevation.hpp"
#include "tests/fakes/fake_shell_services.hpp"
#include "tests/fakes/fake_sockets.hpp"
#include "tests/fakes/fake_workers.hpp"
#include "tests/fakes/virtual_clock.hpp"
#include "tests/support/system_support.hpp"

namespace lanqi::testing {

// A system of fakes for assembling the whole program under test: a virtual clock, queued
// workers, scripted sockets, a registry and process image in memory, an elevation that says yes,
// no request objects, and the real file system in a fresh folder of its own. Process memory is
// the host's: the probe's result cells live in this process.
struct FakeSystem {
  VirtualClock clock;
  FakeWorkers workers{FakeWorkers::Mode::Queue};
  ScriptedSockets sockets{&clock};
  TempFolder folder;
  std::unique_ptr<platform::DirectoryFiles> files = platform::DirectoryFilesIn(folder.path());
  FakeRegistry registry;
  FakeProcessImage image;
  FakeElevation elevation;
  FakeMachineLock guardLock;
  // The workers and elevation the system hands out; a test may point them at others.
  platform::Workers* workersInUse = &workers;
  platform::Elevation* elevationInUse = &elevation;

  platform::System System() {
    return platform::System{
        clock,     *workersInUse,
        sockets,   HostSystem().processMemory,
        *files,    registry,
        image,     *elevationInUse,
        guardLock, [] { return std::shared_ptr<platform::HttpRequestObject>(); }};
  }
};

}  // namespace lanqi::testing
