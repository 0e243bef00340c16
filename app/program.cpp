#include "app/program.hpp"

#include "process_memory/process_memory.hpp"

namespace lanqi {

Program::Program(platform::System& system, platform::Window& window)
    : network_(system),
      keeper_{state_, window, system.clock, system.workers, network_},
      offsetEditor_(window, state_, system.runDirectory),
      autostart_(window, system.registry, system.processImage),
      handlers_(keeper_, offsetEditor_, autostart_, system.elevation) {
  // The one process-memory object exists before the window loads, as the probe relies on it.
  MakeProcessMemory(system.processMemory);
}

}  // namespace lanqi
