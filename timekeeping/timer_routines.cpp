#include "timekeeping/display_refresh.hpp"
#include "timekeeping/time_keeper.hpp"

namespace lanqi {

void StartTimerRoutine(TimeKeeper& keeper, platform::Timer timer) {
  switch (timer) {
    case platform::Timer::程序内部时间:
      keeper.workers.Start(
          [&keeper] { RefreshClockDisplay(keeper.state, keeper.window, keeper.clock); });
      break;
    case platform::Timer::时钟2:
      keeper.workers.Start([&keeper] { CalibrationPass(keeper); });
      break;
    case platform::Timer::时钟1:
      keeper.workers.Start([&keeper] { GuardPass(keeper); });
      break;
  }
}

}  // namespace lanqi
