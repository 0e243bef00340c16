#pragma once
// Scripted sockets and workers for the connectivity probe's tests.
#include <chrono>
#include <condition_variable>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/sockets.hpp"
#include "platform/workers.hpp"
#include "tests/fakes/virtual_clock.hpp"

namespace lanqi::testing {

// Sockets that answer each host as the test says, moving a virtual clock for the time a look-up
// or a connect takes.
class ScriptedSockets final : public platform::Sockets {
 public:
  enum class Answer { Accept, Refuse, Hang };
  struct Script {
    std::string address;  // what the look-up gives; empty: the name is unknown
    Answer answer = Answer::Accept;
    int lookupMs = 0;
    int connectMs = 0;
  };

  explicit ScriptedSockets(VirtualClock* clock = nullptr) : clock_(clock) {}

  void Set(const std::string& host, Script script) {
    std::lock_guard lock(mutex_);
    scripts_[host] = std::move(script);
  }

  std::string LookUpIPv4(const std::string& host) override {
    Script script;
    {
      std::lock_guard lock(mutex_);
      looked_up_.push_back(host);
      script = scripts_[host];
      byAddress_[script.address] = script;
    }
    if (clock_ != nullptr) clock_->Advance(script.lookupMs);
    return script.address;
  }

  bool ConnectWithin(const std::string& address, std::int32_t, std::int32_t timeoutMs) override {
    Script script;
    {
      std::lock_guard lock(mutex_);
      script = byAddress_[address];
    }
    switch (script.answer) {
      case Answer::Accept:
        if (clock_ != nullptr) clock_->Advance(script.connectMs);
        return true;
      case Answer::Refuse:
        return false;
      case Answer::Hang: {
        // Blocked like a connect to a silent peer until the test lets go; the real timeout is
        // ignored on purpose so that workers stay blocked after their probers returned.
        (void)timeoutMs;
        std::unique_lock lock(mutex_);
        ++hanging_;
        released_.wait(lock, [this] { return release_; });
        --hanging_;
        return true;  // a late success
      }
    }
    return false;
  }

  void ReleaseHung() {
    std::lock_guard lock(mutex_);
    release_ = true;
    released_.notify_all();
  }

  int Hanging() const {
    std::lock_guard lock(mutex_);
    return hanging_;
  }

  std::vector<std::string> LookedUp() const {
    std::lock_guard lock(mutex_);
    return looked_up_;
  }

 private:
  VirtualClock* clock_;
  mutable std::mutex mutex_;
  std::condition_variable released_;
  std::map<std::string, Script> scripts_;
  std::map<std::string, Script> byAddress_;
  std::vector<std::string> looked_up_;
  bool release_ = false;
  int hanging_ = 0;
};

// Workers on the caller's thread over a virtual clock: each delay moves the clock, and a started
// routine runs at once, is kept for the test to run later, or cannot be started.
class StepWorkers final : public platform::Workers {
 public:
  enum class Mode { Inline, Deferred, Refuse };

  StepWorkers(VirtualClock& clock, Mode mode) : clock_(clock), mode_(mode) {}

  bool Start(std::function<void()> routine) override {
    switch (mode_) {
      case Mode::Inline:
        routine();
        return true;
      case Mode::Deferred:
        deferred_.push_back(std::move(routine));
        return true;
      case Mode::Refuse:
        return false;
    }
    return false;
  }

  void PumpingDelay(int milliseconds) override {
    ++delays_;
    totalDelayMs_ += milliseconds;
    clock_.Advance(milliseconds);
    if (onDelay_) onDelay_();
  }

  void RunDeferred() {
    auto routines = std::move(deferred_);
    deferred_.clear();
    for (auto& routine : routines) routine();
  }

  void OnDelay(std::function<void()> hook) { onDelay_ = std::move(hook); }
  int delays() const { return delays_; }
  long long totalDelayMs() const { return totalDelayMs_; }

 private:
  VirtualClock& clock_;
  Mode mode_;
  std::vector<std::function<void()>> deferred_;
  std::function<void()> onDelay_;
  int delays_ = 0;
  long long totalDelayMs_ = 0;
};

// Real detached threads, counted so that a test can see every one of them end.
class CountingThreadWorkers final : public platform::Workers {
 public:
  bool Start(std::function<void()> routine) override {
    const auto state = state_;
    {
      std::lock_guard lock(state->mutex);
      ++state->live;
      ++state->started;
    }
    std::thread([state, routine = std::move(routine)] {
      routine();
      std::lock_guard lock(state->mutex);
      --state->live;
      state->ended.notify_all();
    }).detach();
    return true;
  }

  void PumpingDelay(int milliseconds) override {
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
  }

  bool WaitUntilAllEnded(std::chrono::milliseconds limit) {
    std::unique_lock lock(state_->mutex);
    return state_->ended.wait_for(lock, limit, [this] { return state_->live == 0; });
  }
  int started() const {
    std::lock_guard lock(state_->mutex);
    return state_->started;
  }
  int live() const {
    std::lock_guard lock(state_->mutex);
    return state_->live;
  }

 private:
  struct State {
    std::mutex mutex;
    std::condition_variable ended;
    int live = 0;
    int started = 0;
  };
  std::shared_ptr<State> state_ = std::make_shared<State>();
};

}  // namespace lanqi::testing
