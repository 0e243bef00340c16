#include "tests/timekeeping/simulation.hpp"

#include <algorithm>
#include <sstream>

#include "platform/main_window_form.hpp"
#include "timekeeping/local_time.hpp"

namespace lanqi::testing {

using platform::Timer;

Simulation::Simulation(DateTime start) : clock(start), trueStartMs_(VirtualClock::ToMs(start)) {
  // Started routines wait in the simulation's queue; a wait on a pass's thread runs time on.
  workers.onQueue = [this](std::function<void()> routine) { Enqueue(std::move(routine)); };
  workers.onDelay = [this](int milliseconds) { RunFor(milliseconds); };
  window.onTimerPeriod = [this](Timer timer, int milliseconds) { SetPeriod(timer, milliseconds); };
  window.onLogLine = [this](const std::string& text) { log.push_back({nowMs_, text}); };
  window.SetTrayShown(true);  // the program runs in the notification area
  networkSource.reachable = [this] {
    const bool ok = network.reachable(NowMs());
    RunFor(ok ? network.reachableCostMs : network.unreachableCostMs);
    return ok;
  };
  networkSource.reading = [this] {
    ++network.fetches;
    RunFor(network.fetchCostMs);
    return network.reading ? network.reading(NowMs()) : TrueTime();
  };
  for (const platform::TimerForm& form : platform::kTimerForms) {
    TimerSlot& slot = timers_[form.timer];
    slot.period = platform::TimerPeriod(form.storedPeriodMs);
    slot.due = slot.period.Milliseconds();
  }
}

void Simulation::Start() {
  state.SetStandardTime(CurrentLocalTime(clock), clock.TickCountMs());
  workers.Start([this] { FirstCalibration(services); });
}

void Simulation::SetPeriod(Timer timer, int milliseconds) {
  periodChanges.push_back({nowMs_, timer, milliseconds});
  TimerSlot& slot = timers_[timer];
  if (slot.period.Set(milliseconds) == platform::TimerAction::Keep) return;
  slot.due = nowMs_ + slot.period.Milliseconds();
}

void Simulation::Advance(std::int64_t milliseconds) {
  if (milliseconds <= 0) return;
  nowMs_ += milliseconds;
  clock.Advance(milliseconds);
}

void Simulation::SleepMachine(std::int64_t milliseconds) {
  nowMs_ += milliseconds;
  clock.Sleep(milliseconds);
  for (auto& [timer, slot] : timers_) {
    if (slot.period.Milliseconds() > 0) slot.due = std::max(slot.due, nowMs_);
  }
}

void Simulation::Fire(Timer timer) {
  TimerSlot& slot = timers_[timer];
  if (timer == platform::kDisplayTimer && !slot.delayed) {
    const auto delivery =
        displayTickDelivery ? displayTickDelivery(slot.due) : std::optional<std::int64_t>(slot.due);
    if (ticksToLose_ > 0 || !delivery) {
      ticksToLose_ -= ticksToLose_ > 0;
      slot.due += slot.period.Milliseconds();
      return;
    }
    if (*delivery > slot.due) {
      slot.due = *delivery;
      slot.delayed = true;
      return;
    }
  }
  slot.delayed = false;
  slot.due += slot.period.Milliseconds();
  StartTimerRoutine(services, timer);
}

void Simulation::RunFor(std::int64_t milliseconds) {
  const std::int64_t target = nowMs_ + milliseconds;
  for (;;) {
    if (!queue_.empty()) {
      auto routine = std::move(queue_.front());
      queue_.pop_front();
      ++workersRun;
      routine();
      if (afterEachWorker) afterEachWorker();
      continue;
    }
    Timer next{};
    std::int64_t nextDue = INT64_MAX;
    for (const auto& [timer, slot] : timers_) {
      if (slot.period.Milliseconds() > 0 && slot.due < nextDue) {
        nextDue = slot.due;
        next = timer;
      }
    }
    if (!actions_.empty() && actions_.begin()->first <= std::min(nextDue, target)) {
      Advance(actions_.begin()->first - nowMs_);
      auto action = std::move(actions_.begin()->second);
      actions_.erase(actions_.begin());
      action();
      continue;
    }
    if (nextDue > target) {
      Advance(target - nowMs_);
      return;
    }
    Advance(nextDue - nowMs_);
    Fire(next);
  }
}

std::vector<std::string> Simulation::LogLines() const {
  std::vector<std::string> lines;
  for (const auto& entry : log) {
    std::string text = entry.text;
    std::size_t start = 0;
    for (std::size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2) {
      lines.push_back(text.substr(start, end - start));
    }
    // Every line the program writes ends its line: one that does not shows as such.
    if (start < text.size()) lines.push_back(text.substr(start) + "<no CR LF>");
  }
  return lines;
}

int Simulation::CountLog(const std::string& text) const {
  int count = 0;
  for (const auto& entry : log) count += entry.text.find(text) != std::string::npos;
  return count;
}

std::vector<std::string> Simulation::Balloons() {
  std::vector<std::string> shown;
  for (const Balloon& balloon : window.Balloons())
    shown.push_back(balloon.title + "|" + balloon.text + "|" + std::to_string(balloon.iconKind) +
                    "|" + std::to_string(balloon.timeout));
  return shown;
}

}  // namespace lanqi::testing
