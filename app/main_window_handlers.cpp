#include "app/main_window_handlers.hpp"

#include "timekeeping/display_refresh.hpp"

namespace lanqi {

using platform::Control;
using platform::Timer;

MainWindowHandlers::MainWindowHandlers(platform::Window& window, ClockState& state,
                                       const platform::LocalClock& clock)
    : window_(window), state_(state), clock_(clock) {}

void MainWindowHandlers::OnCreated() {
  window_.SetTrayShown(true);
  state_.standardTime.store(CurrentLocalTime(clock_));
}

// Closing only hides: the program keeps guarding the clock from the notification area.
bool MainWindowHandlers::OnCloseRequested() {
  HideToTray();
  return false;
}

void MainWindowHandlers::OnDestroyed() {}

void MainWindowHandlers::OnButtonClicked(Control button) {
  if (button == Control::按钮4) HideToTray();
}

void MainWindowHandlers::OnContentChanged(Control editBox) {
  if (editBox == Control::编辑框1) OnLogBoxChanged();
}

void MainWindowHandlers::OnTrayLeftButtonUp() {
  RestoreFromTray();
}

void MainWindowHandlers::OnTimerTick(Timer timer) {
  if (timer == Timer::程序内部时间) {
    window_.StartWorker([this] { RefreshClockDisplay(state_, window_, clock_); });
  }
}

void MainWindowHandlers::HideToTray() {
  window_.SetVisible(false);
  window_.SetTrayShown(true);
}

void MainWindowHandlers::RestoreFromTray() {
  window_.SetVisible(true);
  window_.SetTrayShown(false);
}

void MainWindowHandlers::OnLogBoxChanged() {
  window_.SetSelectionStart(Control::编辑框1, -1);
  if (window_.Text(Control::编辑框1).size() > kLogLimitBytes) {
    // Clearing raises this handler once more; it then finds an empty box and stops.
    window_.WaitProcessingMessages(kLogClearDelayMs);
    window_.SetText(Control::编辑框1, "");
  }
}

}  // namespace lanqi
