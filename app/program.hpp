#pragma once
#include <atomic>
#include <memory>

#include "app/autostart.hpp"
#include "app/main_window_handlers.hpp"
#include "app/offset_box.hpp"
#include "app/offset_file.hpp"
#include "app/reference_network_time.hpp"
#include "platform/system.hpp"
#include "platform/window.hpp"
#include "timekeeping/clock_state.hpp"
#include "timekeeping/pass_services.hpp"

namespace lanqi {

// The whole program over a system and a main window: the clock's state, the network time source,
// the offset box and file, the guard's gate, start at logon and the window's handlers. The entry
// point assembles it from the real system and window; the application tests from fakes. It must
// outlive every worker routine it starts, so the real program keeps it until the process ends.
class Program {
 public:
  Program(platform::System& system, platform::Window& window);
  Program(const Program&) = delete;
  Program& operator=(const Program&) = delete;

  // What the window reports to, from loading to the end.
  MainWindowHandlers& Events() { return handlers_; }
  ClockState& State() { return state_; }
  // At the end of the program: a probe that starts later answers "no answer" at once, one under
  // way keeps its share of the process memory until its workers let go.
  void ReleaseProcessMemory() { processMemory_.store(nullptr); }

 private:
  // The probe's process memory, which every probe takes afresh (ReferenceNetworkTime).
  std::atomic<std::shared_ptr<const ProcessMemory>> processMemory_;
  ClockState state_;
  ReferenceNetworkTime network_;
  OffsetFile offsetFile_;
  GuardGate guardGate_;
  PassServices services_;
  OffsetBox offsetBox_;
  Autostart autostart_;
  MainWindowHandlers handlers_;
};

}  // namespace lanqi
