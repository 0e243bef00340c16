#include "app/main_window_handlers.hpp"

#include "timekeeping/display_refresh.hpp"

namespace lanqi {

using platform::Control;
using platform::Timer;

MainWindowHandlers::MainWindowHandlers(platform::Window& window, ClockState& state,
                                       const platform::LocalClock& clock,
                                       OffsetEditor& offsetEditor, Autostart& autostart)
    : window_(window),
      state_(state),
      clock_(clock),
      offsetEditor_(offsetEditor),
      autostart_(autostart) {}

void MainWindowHandlers::OnCreated() {
  window_.SetTrayShown(true);
  autostart_.ShowCaptionFromRegistry();
  offsetEditor_.LoadOffset();
  state_.standardTime.store(CurrentLocalTime(clock_));
}

// Closing only hides: the program keeps guarding the clock from the notification area.
bool MainWindowHandlers::OnCloseRequested() {
  HideToTray();
  return false;
}

// Every change has been saved already; this only repeats the last save.
void MainWindowHandlers::OnDestroyed() {
  offsetEditor_.SaveOffset();
}

void MainWindowHandlers::OnButtonClicked(Control button) {
  switch (button) {
    case Control::按钮1:
      offsetEditor_.StepOffset(-1);
      break;
    case Control::按钮2:
      offsetEditor_.StepOffset(+1);
      break;
    case Control::按钮3:
      autostart_.ToggleAutostart();
      break;
    case Control::按钮4:
      HideToTray();
      break;
    default:
      break;
  }
}

void MainWindowHandlers::OnContentChanged(Control editBox) {
  if (editBox == Control::编辑框1) OnLogBoxChanged();
  if (editBox == Control::编辑框2) offsetEditor_.OnOffsetBoxChanged();
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
