#include "timekeeping/display_refresh.hpp"

#include "timekeeping/local_time.hpp"

namespace lanqi {

void RefreshClockDisplay(ClockState& state, platform::Window& window,
                         const platform::LocalClock& clock) {
  using platform::Control;
  const DateTime now = CurrentLocalTime(clock);
  window.SetText(platform::kSystemTimeLabel, "系统时间：" + DateTimeToText(now));

  const ClockReading reading = state.AdvanceStandardTime(clock.TickCountMs());
  window.SetText(platform::kBeijingTimeLabel, "北京时间：" + DateTimeToText(reading.standard));
  window.SetText(platform::kCorrectTimeLabel, "正确时间：" + DateTimeToText(reading.correct));
}

}  // namespace lanqi
