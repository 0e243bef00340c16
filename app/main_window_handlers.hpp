#pragma once
#include <atomic>

#include "app/autostart.hpp"
#include "app/offset_box.hpp"
#include "platform/elevation.hpp"
#include "platform/machine_lock.hpp"
#include "platform/window.hpp"
#include "timekeeping/pass_services.hpp"

namespace lanqi {

// The main window's event handlers: the start-up work, hiding into the notification area and
// back, the log box's upkeep, the offset editor and autostart button, and the timer ticks that
// start the clock work on worker threads.
class MainWindowHandlers : public platform::WindowEvents {
 public:
  // A log longer than this is cleared after a pause that lets the user read it.
  static constexpr std::size_t kLogLimitBytes = 10000;
  static constexpr int kLogClearDelayMs = 3000;
  // Shown, and the program ends, when a start without rights cannot get them by asking again.
  static constexpr const char* kRightsNeededText =
      "钟卫需要管理员权限才能守护您的系统时间，请以管理员身份运行！";
  static constexpr const char* kRightsNeededTitle = "岚栖钟卫";

  MainWindowHandlers(PassServices& services, OffsetBox& offsetBox, Autostart& autostart,
                     platform::Elevation& elevation, platform::MachineLock& guardLock);

  // The start-up work, once the window and its controls exist and before it is shown.
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
  PassServices& services_;
  platform::Window& window_;
  OffsetBox& offsetBox_;
  Autostart& autostart_;
  platform::Elevation& elevation_;
  platform::MachineLock& guardLock_;
  // A start without rights is ending: events that still arrive (a timer tick while the message
  // box is open, the window's destruction) must not start work or save the offset it never read.
  // Read by the guard timer's ticks, which come on a pool thread.
  std::atomic<bool> endingWithoutRights_{false};
  // A full log is waiting out its pause before it is cleared.
  bool logClearPending_ = false;
};

}  // namespace lanqi
