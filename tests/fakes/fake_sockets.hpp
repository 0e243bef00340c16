#pragma once
// Sockets as a script, for the connectivity probe's tests.
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

}  // namespace lanqi::testing
