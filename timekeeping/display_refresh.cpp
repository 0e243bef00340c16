#include "timekeeping/display_refresh.hpp"

namespace lanqi {

void RefreshClockDisplay(ClockState& state, platform::Window& window,
                         const platform::LocalClock& clock) {
  using platform::Control;
  const DateTime now = CurrentLocalTime(clock);
  window.SetText(Control::标签5, "系统时间：" + DateTimeToText(now));

  const DateTime standard = AddToDateTime(state.standardTime.load(), TimeUnit::Second, 1);
  state.standardTime.store(standard);
  window.SetText(Control::标签1, "北京时间：" + DateTimeToText(standard));

  const DateTime correct = AddToDateTime(standard, TimeUnit::Second, state.offsetSeconds.load());
  state.correctTime.store(correct);
  window.SetText(Control::标签2, "正确时间：" + DateTimeToText(correct));
}

}  // namespace lanqi
