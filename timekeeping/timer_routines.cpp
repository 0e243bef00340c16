#include "timekeeping/display_refresh.hpp"
#include "timekeeping/time_keeper.hpp"

namespace lanqi {

void StartTimerRoutine(TimeKeeper& keeper, platform::Timer timer) {
  switch (timer) {
    case platform::kDisplayTimer:
      keeper.workers.Start(
          [&keeper] { RefreshClockDisplay(keeper.state, keeper.window, keeper.clock); });
      break;
    case platform::kCalibrationTimer:
      keeper.workers.Start([&keeper] { CalibrationPass(keeper); });
      break;
    case platform::kGuardTimer:
      keeper.workers.Start([&keeper] { GuardPass(keeper); });
      break;
  }
}

}  // namespace lanqi
