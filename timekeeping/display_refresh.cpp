#include "timekeeping/display_refresh.hpp"

#include "timekeeping/local_time.hpp"

namespace lanqi {

void RefreshClockDisplay(ClockState& state, platform::Window& window,
                         const platform::LocalClock& clock) {
  const DateTime now = CurrentLocalTime(clock);
  const ClockReading reading = state.AdvanceStandardTime(clock.TickCountMs());
  // Set together: one hand-over to the window's thread every second instead of three.
  const platform::ControlText lines[] = {
      {platform::kSystemTimeLabel, "系统时间：" + DateTimeToText(now)},
      {platform::kBeijingTimeLabel, "北京时间：" + DateTimeToText(reading.standard)},
      {platform::kCorrectTimeLabel, "正确时间：" + DateTimeToText(reading.correct)},
  };
  window.SetTexts(lines);
}

}  // namespace lanqi
