#include "app/program.hpp"

namespace lanqi {

Program::Program(platform::System& system, platform::Window& window)
    : processMemory_(std::make_shared<const ProcessMemory>(system.processMemory, system.workers)),
      network_(system, processMemory_),
      offsetFile_(system.runDirectory),
      guardGate_([this] { return offsetFile_.WriteWaiting(); }),
      services_{state_, window, system.clock, system.workers, network_, guardGate_},
      offsetBox_(window, state_, offsetFile_, guardGate_),
      autostart_(window, system.registry, system.processImage,
                 system.processMemory.CurrentProcessId()),
      handlers_(services_, offsetBox_, autostart_, system.elevation, system.guardLock) {}

}  // namespace lanqi
