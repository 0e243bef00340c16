#pragma once
#include "app/autostart.hpp"
#include "app/offset_editor.hpp"
#include "platform/local_clock.hpp"
#include "platform/window.hpp"
#include "timekeeping/clock_state.hpp"

namespace lanqi {

// The main window's event handlers: hiding into the notification area and back, the log box's
// upkeep, and the timer ticks that start the clock work on worker threads.
class MainWindowHandlers : public platform::WindowEvents {
 public:
  // A log longer than this is cleared after a pause that lets the user read it.
  static constexpr std::size_t kLogLimitBytes = 10000;
  static constexpr int kLogClearDelayMs = 3000;

  MainWindowHandlers(platform::Window& window, ClockState& state, const platform::LocalClock& clock,
                     OffsetEditor& offsetEditor, Autostart& autostart);

  void OnCreated() override;
  bool OnCloseRequested() override;
  void OnDestroyed() override;
  void OnButtonClicked(platform::Control button) override;
  void OnContentChanged(platform::Control editBox) override;
  void OnTrayLeftButtonUp() override;
  void OnTimerTick(platform::Timer timer) override;

  void HideToTray();
  void RestoreFromTray();
  void OnLogBoxChanged();

 private:
  platform::Window& window_;
  ClockState& state_;
  const platform::LocalClock& clock_;
  OffsetEditor& offsetEditor_;
  Autostart& autostart_;
};

}  // namespace lanqi
