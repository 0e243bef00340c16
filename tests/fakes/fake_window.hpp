#pragma once
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "platform/timer_period.hpp"
#include "platform/window.hpp"

namespace lanqi::testing {

struct Balloon {
  std::string title, text;
  int iconKind, timeout;
};
struct MessageBoxShown {
  std::string text, title;
  platform::MessageIcon icon;
};

// The main window without Windows: it keeps every control's text, the visible and tray flags and
// the timer periods, and raises the content-changed events as the real window does.
class FakeWindow final : public platform::Window {
 public:
  FakeWindow();
  void Attach(platform::WindowEvents* events) { events_ = events; }

  std::string Text(platform::Control control) override;
  void SetText(platform::Control control, const std::string& text) override;
  void SetSelectionStart(platform::Control editBox, int start) override;
  void SetVisible(bool visible) override;
  void SetTrayShown(bool shown) override;
  void SetTimerPeriod(platform::Timer timer, int milliseconds) override;
  void AppendLogLine(const std::string& text) override;
  bool ShowBalloon(const std::string& title, const std::string& text, int iconKind,
                   int timeout) override;
  void ShowMessageBox(const std::string& text, const std::string& title,
                      platform::MessageIcon icon) override;
  void EndProgram(int exitCode) override;

  // Inspection and scripting.
  bool Visible();
  bool TrayShown();
  int TimerPeriod(platform::Timer timer);
  // How many times a timer's count was restarted (a new period, or stopped).
  int TimerRestarts(platform::Timer timer);
  std::vector<Balloon> Balloons();
  std::vector<MessageBoxShown> MessageBoxes();
  int SelectionStart(platform::Control editBox);
  // The exit code the program ended with, or -1 while it runs.
  int EndedWith();
  // The shell refuses every balloon, as it does when balloons are turned off.
  bool refuseBalloons = false;
  // Runs when a message box is shown, standing in for what happens while it is open.
  std::function<void()> onMessageBox;
  // Called for every SetTimerPeriod call (changed or not) and every appended log line.
  std::function<void(platform::Timer, int)> onTimerPeriod;
  std::function<void(const std::string&)> onLogLine;

 private:
  void RaiseContentChanged(platform::Control control);

  std::mutex mutex_;
  platform::WindowEvents* events_ = nullptr;
  std::map<platform::Control, std::string> texts_;
  std::map<platform::Control, int> selection_;
  bool visible_ = false;
  bool trayShown_ = false;
  std::map<platform::Timer, platform::TimerPeriod> periods_;
  std::map<platform::Timer, int> restarts_;
  std::vector<Balloon> balloons_;
  std::vector<MessageBoxShown> boxes_;
  int endedWith_ = -1;
};

}  // namespace lanqi::testing
