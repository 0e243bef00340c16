#pragma once
// A deterministic world for the clock-keeping passes: a virtual system clock, the three timers
// driven in virtual time, workers that run in start order at the virtual moment they were started,
// and a scripted network. Waits inside a pass let virtual time, and every due timer, move on.
#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/timer_period.hpp"
#include "tests/fakes/fake_network_time_source.hpp"
#include "tests/fakes/fake_window.hpp"
#include "tests/fakes/fake_workers.hpp"
#include "tests/fakes/virtual_clock.hpp"
#include "timekeeping/pass_services.hpp"

namespace lanqi::testing {

class Simulation;

// The network as a script: whether it can be reached and what it answers, as functions of the
// virtual moment, and how much virtual time the probe costs.
struct NetworkScript {
  std::function<bool(std::int64_t)> reachable = [](std::int64_t) { return true; };
  // Default: the true Beijing time of the moment.
  std::function<DateTime(std::int64_t)> reading;
  int reachableCostMs = 20;
  int unreachableCostMs = 3700;
  int fetchCostMs = 50;
  int fetches = 0;
};

class Simulation {
 public:
  explicit Simulation(DateTime start = DateTimeFromParts(2024, 2, 11, 10, 5, 3));

  // The program's start: standard time from the local clock, then the first calibration.
  void Start();
  // Moves virtual time on by the given milliseconds, firing timers and running workers.
  void RunFor(std::int64_t milliseconds);
  // The machine sleeps for the given milliseconds: the wall clock and the tick count move on, no
  // timer fires and nothing runs; each timer that fell due meanwhile fires once on waking.
  void SleepMachine(std::int64_t milliseconds);
  void Enqueue(std::function<void()> routine) { queue_.push_back(std::move(routine)); }

  std::int64_t NowMs() const { return nowMs_; }
  bool AllWorkersDone() const { return queue_.empty(); }
  // The true Beijing time at the current virtual moment.
  DateTime TrueTime() const { return VirtualClock::FromMs(trueStartMs_ + nowMs_); }
  std::int64_t TrueTimeMs() const { return trueStartMs_ + nowMs_; }
  int Period(platform::Timer timer) const { return timers_.at(timer).period.Milliseconds(); }
  void SetPeriod(platform::Timer timer, int milliseconds);
  // Log lines (CR LF split) with their times, in order.
  std::vector<std::string> LogLines() const;
  int CountLog(const std::string& text) const;
  // Drops the next n display ticks, as a busy machine would.
  void LoseDisplayTicks(int n) { ticksToLose_ += n; }
  // How display ticks reach the program: for the tick that falls due at a virtual moment, the
  // moment it is delivered (not before it falls due), or nothing when it is lost. As with
  // WM_TIMER, the next tick falls due a period after the delivery. Unset: every tick on time.
  std::function<std::optional<std::int64_t>(std::int64_t dueMs)> displayTickDelivery;
  // Called after every worker routine has run (a refresh, a pass).
  std::function<void()> afterEachWorker;
  // Runs `action` when virtual time reaches `atMs`, between timers and workers.
  void At(std::int64_t atMs, std::function<void()> action) {
    actions_.emplace(atMs, std::move(action));
  }

  struct PeriodChange {
    std::int64_t atMs;
    platform::Timer timer;
    int period;
  };
  std::vector<PeriodChange> periodChanges;  // every SetTimerPeriod call, changed or not

  VirtualClock clock;
  ClockState state;
  FakeWindow window;
  // Every log line with the virtual moment it was written.
  struct LogEntry {
    std::int64_t atMs;
    std::string text;
  };
  std::vector<LogEntry> log;
  // The balloons shown, as "title|text".
  std::vector<std::string> Balloons();
  FakeWorkers workers;
  NetworkScript network;
  FakeNetworkTimeSource networkSource;  // follows `network`, spending virtual time
  GuardGate guardGate;                  // a copy alone on its PC
  PassServices services{state, window, clock, workers, networkSource, guardGate};
  int workersRun = 0;

 private:
  struct TimerSlot {
    platform::TimerPeriod period;
    std::int64_t due = 0;
    bool delayed = false;  // `due` is the delivery of a late tick, not a new tick
  };
  void Advance(std::int64_t milliseconds);
  void Fire(platform::Timer timer);

  std::int64_t nowMs_ = 0;
  std::int64_t trueStartMs_;
  std::map<platform::Timer, TimerSlot> timers_;
  std::deque<std::function<void()>> queue_;
  int ticksToLose_ = 0;
  std::multimap<std::int64_t, std::function<void()>> actions_;
};

}  // namespace lanqi::testing
