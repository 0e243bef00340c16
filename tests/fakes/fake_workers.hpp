#pragma once
#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

#include "platform/workers.hpp"

namespace lanqi::testing {

// Workers as a test needs them. A started routine runs at once (Inline), is kept until the test
// runs it or hands it on (Queue), cannot be started (Refuse), or runs on a thread of its
// own that the test can count and wait for (Threads; joined when the workers go). A delay is
// counted and handed to onDelay, which may move a virtual clock or run a simulation on; with
// Threads it really sleeps.
class FakeWorkers final : public platform::Workers {
 public:
  enum class Mode { Inline, Queue, Refuse, Threads };

  explicit FakeWorkers(Mode mode = Mode::Queue) : mode_(mode) {}

  bool Start(std::function<void()> routine) override {
    switch (mode_) {
      case Mode::Inline:
        routine();
        return true;
      case Mode::Queue:
        if (onQueue) {
          onQueue(std::move(routine));
        } else {
          std::lock_guard lock(mutex_);
          queued_.push_back(std::move(routine));
        }
        return true;
      case Mode::Refuse:
        return false;
      case Mode::Threads:
        return StartThread(std::move(routine));
    }
    return false;
  }

  void PumpingDelay(int milliseconds) override {
    {
      std::lock_guard lock(mutex_);
      ++delays_;
      totalDelayMs_ += milliseconds;
    }
    if (onDelay) onDelay(milliseconds);
    if (mode_ == Mode::Threads && milliseconds > 0) {
      std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
    }
  }

  void SetMode(Mode mode) { mode_ = mode; }
  std::vector<std::function<void()>> TakeQueued() {
    std::lock_guard lock(mutex_);
    return std::exchange(queued_, {});
  }
  // Runs what is queued now; routines these queue in turn wait for the next call.
  void RunQueued() {
    for (auto& routine : TakeQueued()) routine();
  }
  int delays() {
    std::lock_guard lock(mutex_);
    return delays_;
  }
  long long totalDelayMs() {
    std::lock_guard lock(mutex_);
    return totalDelayMs_;
  }

  // Threads: how many were started, how many still run, and a wait until none does.
  int started() const {
    std::lock_guard lock(threads_->mutex);
    return threads_->started;
  }
  int live() const {
    std::lock_guard lock(threads_->mutex);
    return threads_->live;
  }
  bool WaitUntilAllEnded(std::chrono::milliseconds limit) {
    std::unique_lock lock(threads_->mutex);
    return threads_->ended.wait_for(lock, limit, [this] { return threads_->live == 0; });
  }

  // Where queued routines go instead of the list, when set.
  std::function<void(std::function<void()>)> onQueue;
  std::function<void(int)> onDelay;

 private:
  // Counts shared with the threads, which end after their routine has left it.
  struct Threads {
    std::mutex mutex;
    std::condition_variable ended;
    int live = 0;
    int started = 0;
  };

  // A thread that cannot be made is a refused start, as for the real workers: the exception
  // would otherwise leave through the caller, which the program's callers never expect. The
  // threads are joined when the workers go, never detached: the MinGW thread library refuses to
  // detach a thread that has already ended ("No such process"), and a quick routine may have.
  bool StartThread(std::function<void()> routine) {
    {
      std::lock_guard lock(threads_->mutex);
      ++threads_->live;
      ++threads_->started;
    }
    try {
      std::jthread thread([threads = threads_, routine = std::move(routine)] {
        routine();
        std::lock_guard lock(threads->mutex);
        --threads->live;
        threads->ended.notify_all();
      });
      std::lock_guard lock(mutex_);
      running_.push_back(std::move(thread));
      return true;
    } catch (const std::system_error&) {
      std::lock_guard lock(threads_->mutex);
      --threads_->live;
      --threads_->started;
      return false;
    }
  }

  Mode mode_;
  std::shared_ptr<Threads> threads_ = std::make_shared<Threads>();
  std::mutex mutex_;
  std::vector<std::function<void()>> queued_;
  // Declared last, so joined first: every routine has ended before the rest of the workers go.
  std::vector<std::jthread> running_;
  int delays_ = 0;
  long long totalDelayMs_ = 0;
};

}  // namespace lanqi::testing
