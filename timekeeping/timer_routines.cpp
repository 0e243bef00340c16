#include "timekeeping/display_refresh.hpp"
#include "timekeeping/pass_services.hpp"

namespace lanqi {

void StartTimerRoutine(PassServices& services, platform::Timer timer) {
  switch (timer) {
    case platform::kDisplayTimer:
      services.workers.Start(
          [&services] { RefreshClockDisplay(services.state, services.window, services.clock); });
      break;
    case platform::kCalibrationTimer:
      services.workers.Start([&services] { CalibrationPass(services); });
      break;
    case platform::kGuardTimer:
      services.workers.Start([&services] { GuardPass(services); });
      break;
  }
}

}  // namespace lanqi
