#pragma once
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "platform/window.hpp"

namespace lanqi::testing {

// Window events written down as text ("created", "close", "destroyed", "button N", "changed N",
// "tray up", "tick N"; N the control's or timer's number), with hooks for what a test does when
// one arrives. Any thread may deliver them.
class RecordingEvents final : public platform::WindowEvents {
 public:
  void OnCreated() override {
    Record("created");
    if (onCreated) onCreated();
  }
  bool OnCloseRequested() override {
    Record("close");
    return allowClose;
  }
  void OnDestroyed() override { Record("destroyed"); }
  void OnButtonClicked(platform::Control button) override {
    Record("button " + std::to_string(static_cast<int>(button)));
  }
  void OnContentChanged(platform::Control editBox) override {
    Record(ChangedEventText(editBox));
    if (onContentChanged) onContentChanged(editBox);
  }
  void OnTrayLeftButtonUp() override { Record("tray up"); }
  void OnTimerTick(platform::Timer timer) override { Record(TickEventText(timer)); }

  std::vector<std::string> Events() {
    std::lock_guard lock(mutex_);
    return events_;
  }
  int Count(const std::string& event) {
    int count = 0;
    for (const std::string& seen : Events()) count += seen == event;
    return count;
  }
  void Clear() {
    std::lock_guard lock(mutex_);
    events_.clear();
  }

  static std::string ChangedEventText(platform::Control control) {
    return "changed " + std::to_string(static_cast<int>(control));
  }
  static std::string TickEventText(platform::Timer timer) {
    return "tick " + std::to_string(static_cast<int>(timer));
  }

  bool allowClose = false;
  // Every event as it arrives, before it is written down.
  std::function<void(const std::string&)> onEvent;
  std::function<void()> onCreated;
  std::function<void(platform::Control)> onContentChanged;

 private:
  void Record(std::string event) {
    if (onEvent) onEvent(event);
    std::lock_guard lock(mutex_);
    events_.push_back(std::move(event));
  }
  std::mutex mutex_;
  std::vector<std::string> events_;
};

inline std::string ChangedEvent(platform::Control control) {
  return RecordingEvents::ChangedEventText(control);
}
inline std::string TickEvent(platform::Timer timer) {
  return RecordingEvents::TickEventText(timer);
}

}  // namespace lanqi::testing
