#include "app/program.hpp"

namespace lanqi {

Program::Program(platform::System& system, platform::Window& window)
    : processMemory_(std::make_shared<const ProcessMemory>(system.processMemory)),
      network_(system, processMemory_),
      keeper_{state_, window, system.clock, system.workers, network_},
      offsetEditor_(window, state_, system.runDirectory),
      autostart_(window, system.registry, system.processImage,
                 system.processMemory.CurrentProcessId()),
      handlers_(keeper_, offsetEditor_, autostart_, system.elevation) {}

}  // namespace lanqi
