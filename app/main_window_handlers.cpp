#include "app/main_window_handlers.hpp"

#include <optional>

#include "platform/start_rights.hpp"
#include "timekeeping/local_time.hpp"

namespace lanqi {

using platform::Control;
using platform::Timer;

MainWindowHandlers::MainWindowHandlers(PassServices& services, OffsetBox& offsetBox,
                                       Autostart& autostart, platform::Elevation& elevation,
                                       platform::MachineLock& guardLock)
    : services_(services),
      window_(services.window),
      offsetBox_(offsetBox),
      autostart_(autostart),
      elevation_(elevation),
      guardLock_(guardLock) {}

void MainWindowHandlers::OnCreated() {
  // Setting the clock needs administrator rights: without them the program hands over to an
  // elevated copy of itself and ends before showing anything or touching any file. Where that
  // copy could not have more rights either, asking would start copy after copy, so the user is
  // told instead.
  const platform::StartRights rights = platform::DecideStartRights(elevation_.ReadTokenFacts());
  if (rights != platform::StartRights::Run) {
    endingWithoutRights_ = true;
    if (rights == platform::StartRights::AskForElevatedCopy) {
      elevation_.RelaunchElevated("", false, std::nullopt);
    } else {
      window_.ShowMessageBox(kRightsNeededText, kRightsNeededTitle, platform::MessageIcon::Error);
    }
    window_.EndProgram(0);
    return;
  }
  // The first copy on the PC to start guards; the others take over when it ends.
  services_.guardGate.TakeLockIfFree(guardLock_);
  autostart_.ShowCaptionFromRegistry();
  window_.SetTrayShown(true);
  window_.ShowBalloon("岚栖钟卫", "钟卫启动成功，将为持续您的系统时间保驾护航！", 1, 1);
  offsetBox_.LoadOffset();
  services_.state.SetStandardTime(CurrentLocalTime(services_.clock), services_.clock.TickCountMs());
  services_.workers.Start([this] { FirstCalibration(services_); });
}

// Closing only hides: the program keeps guarding the clock from the notification area.
bool MainWindowHandlers::OnCloseRequested() {
  if (endingWithoutRights_) return false;
  HideToTray();
  return false;
}

// Every change has been saved already; this saves only what did not reach the file.
void MainWindowHandlers::OnDestroyed() {
  if (endingWithoutRights_) return;
  services_.guardGate.Close(guardLock_);
  offsetBox_.SaveOffsetAtEnd(services_.clock.TickCountMs());
}

void MainWindowHandlers::OnButtonClicked(Control button) {
  if (endingWithoutRights_) return;
  switch (button) {
    case platform::kStepDownButton:
      offsetBox_.StepOffset(-1);
      break;
    case platform::kStepUpButton:
      offsetBox_.StepOffset(+1);
      break;
    case platform::kAutostartButton:
      autostart_.ToggleAutostart();
      break;
    case platform::kHideButton:
      HideToTray();
      break;
    default:
      break;
  }
}

void MainWindowHandlers::OnContentChanged(Control editBox) {
  if (endingWithoutRights_) return;
  if (editBox == platform::kLogBox) OnLogBoxChanged();
  if (editBox == platform::kOffsetBox) offsetBox_.OnOffsetBoxChanged();
}

void MainWindowHandlers::OnTrayLeftButtonUp() {
  if (endingWithoutRights_) return;
  RestoreFromTray();
}

void MainWindowHandlers::OnTimerTick(Timer timer) {
  if (endingWithoutRights_) return;
  if (timer == platform::kDisplayTimer) {
    // A copy takes over the guard within a second of the holder's end, however it ended.
    services_.guardGate.TakeLockIfFree(guardLock_);
    // Before the refresh, which then derives the correct time with an offset another copy of
    // the program has set.
    offsetBox_.TakeOutsideChange(services_.clock.TickCountMs());
  }
  StartTimerRoutine(services_, timer);
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
  // Lines appended during the pause arrive here nested inside it. A second pause would hold
  // their workers (and every worker queued behind them) until lines stop coming; the pending
  // clear deals with them. Appending has put the newest line in view already.
  if (logClearPending_) return;
  window_.SetSelectionStart(platform::kLogBox, -1);
  const std::string full = window_.Text(platform::kLogBox);
  if (full.size() > kLogLimitBytes) {
    logClearPending_ = true;
    services_.workers.PumpingDelay(kLogClearDelayMs);
    logClearPending_ = false;
    // What the user was given the pause to read goes; the lines that came during it are news and
    // stay. A box changed otherwise meanwhile is emptied whole. Either raises this handler once
    // more, which finds a short log and stops.
    const std::string now = window_.Text(platform::kLogBox);
    window_.SetText(platform::kLogBox, now.starts_with(full) ? now.substr(full.size()) : "");
  }
}

}  // namespace lanqi
