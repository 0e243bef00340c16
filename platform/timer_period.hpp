#pragma once

namespace lanqi::platform {

// What a running timer must do after its period has been set.
enum class TimerAction { Keep, Restart, Stop };

// The period of one timer in milliseconds, 0 meaning stopped. Setting the period it already has
// keeps the running count, so a pass that re-asserts its period never delays the next tick; any
// other value restarts the count from that moment; 0 or less stops the timer.
class TimerPeriod {
 public:
  constexpr TimerPeriod() = default;
  constexpr explicit TimerPeriod(int milliseconds) : milliseconds_(Normalised(milliseconds)) {}

  constexpr int Milliseconds() const { return milliseconds_; }

  constexpr TimerAction Set(int milliseconds) {
    const int period = Normalised(milliseconds);
    if (period == milliseconds_) return TimerAction::Keep;
    milliseconds_ = period;
    return period == 0 ? TimerAction::Stop : TimerAction::Restart;
  }

 private:
  static constexpr int Normalised(int milliseconds) { return milliseconds < 0 ? 0 : milliseconds; }

  int milliseconds_ = 0;
};

}  // namespace lanqi::platform
