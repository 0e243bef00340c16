#include "tests/fakes/fake_window.hpp"

#include <utility>

#include "platform/main_window_form.hpp"

namespace lanqi::testing {

using platform::Control;
using platform::Timer;

FakeWindow::FakeWindow() {
  for (const platform::ControlForm& form : platform::kControlForms)
    texts_[form.control] = form.text;
  for (const platform::TimerForm& form : platform::kTimerForms) {
    periods_[form.timer] = platform::TimerPeriod(form.storedPeriodMs);
  }
}

std::string FakeWindow::Text(Control control) {
  std::lock_guard lock(mutex_);
  return texts_[control];
}

void FakeWindow::SetText(Control control, const std::string& text) {
  {
    std::lock_guard lock(mutex_);
    texts_[control] = text;
  }
  RaiseContentChanged(control);
}

void FakeWindow::RaiseContentChanged(Control control) {
  // Like the real window, no event is delivered once the program is ending.
  if (EndedWith() != -1) return;
  if (events_ != nullptr && (control == platform::kLogBox || control == platform::kOffsetBox)) {
    events_->OnContentChanged(control);
  }
}

void FakeWindow::SetSelectionStart(Control editBox, int start) {
  std::lock_guard lock(mutex_);
  selection_[editBox] = start;
}

void FakeWindow::SetVisible(bool visible) {
  std::lock_guard lock(mutex_);
  visible_ = visible;
}

void FakeWindow::SetTrayShown(bool shown) {
  std::lock_guard lock(mutex_);
  trayShown_ = shown;
}

void FakeWindow::SetTimerPeriod(Timer timer, int milliseconds) {
  {
    std::lock_guard lock(mutex_);
    if (periods_[timer].Set(milliseconds) != platform::TimerAction::Keep) ++restarts_[timer];
  }
  if (onTimerPeriod) onTimerPeriod(timer, milliseconds);
}

void FakeWindow::AppendLogLine(const std::string& text) {
  {
    std::lock_guard lock(mutex_);
    texts_[platform::kLogBox] += text;
  }
  if (onLogLine) onLogLine(text);
  RaiseContentChanged(platform::kLogBox);
}

bool FakeWindow::ShowBalloon(const std::string& title, const std::string& text, int iconKind,
                             int timeout) {
  std::lock_guard lock(mutex_);
  if (!trayShown_ || refuseBalloons) return false;
  balloons_.push_back({title, text, iconKind, timeout});
  return true;
}

void FakeWindow::ShowMessageBox(const std::string& text, const std::string& title,
                                platform::MessageIcon icon) {
  {
    std::lock_guard lock(mutex_);
    boxes_.push_back({text, title, icon});
  }
  if (onMessageBox) onMessageBox();
}

void FakeWindow::EndProgram(int exitCode) {
  std::lock_guard lock(mutex_);
  endedWith_ = exitCode;
  trayShown_ = false;
  visible_ = false;
}

int FakeWindow::EndedWith() {
  std::lock_guard lock(mutex_);
  return endedWith_;
}

bool FakeWindow::Visible() {
  std::lock_guard lock(mutex_);
  return visible_;
}
bool FakeWindow::TrayShown() {
  std::lock_guard lock(mutex_);
  return trayShown_;
}
int FakeWindow::TimerPeriod(Timer timer) {
  std::lock_guard lock(mutex_);
  return periods_[timer].Milliseconds();
}
int FakeWindow::TimerRestarts(Timer timer) {
  std::lock_guard lock(mutex_);
  return restarts_[timer];
}
std::vector<Balloon> FakeWindow::Balloons() {
  std::lock_guard lock(mutex_);
  return balloons_;
}
std::vector<MessageBoxShown> FakeWindow::MessageBoxes() {
  std::lock_guard lock(mutex_);
  return boxes_;
}
int FakeWindow::SelectionStart(Control editBox) {
  std::lock_guard lock(mutex_);
  return selection_.count(editBox) ? selection_[editBox] : 0;
}

}  // namespace lanqi::testing
