#include "timekeeping/display_refresh.hpp"

#include "timekeeping/local_time.hpp"

namespace lanqi {

void RefreshClockDisplay(ClockState& state, platform::Window& window,
                         const platform::LocalClock& clock) {
  using platform::Control;
  const DateTime now = CurrentLocalTime(clock);
  window.SetText(Control::标签5, "系统时间：" + DateTimeToText(now));

  const ClockReading reading = state.AdvanceStandardTime(clock.TickCountMs());
  window.SetText(Control::标签1, "北京时间：" + DateTimeToText(reading.standard));
  window.SetText(Control::标签2, "正确时间：" + DateTimeToText(reading.correct));
}

}  // namespace lanqi
