#include "timekeeping/calibration.hpp"

#include <string>

#include "timekeeping/local_time.hpp"
#include "timekeeping/pass_services.hpp"

namespace lanqi {

using platform::Timer;

namespace {

// A failed reading is the year-100 marker; its text is the only test the forced acceptance makes.
bool LooksLikeFailureMarker(DateTime reading) {
  return DateTimeToText(reading).find("100") != std::string::npos;
}

// The pass's rejection of a reading: logged, counted, and retried three seconds later.
void Reject(PassServices& services) {
  services.window.AppendLogLine("发现网络时间异常，已准备3秒后重试\r\n");
  services.state.calibrationFailures.fetch_add(1);
  services.window.SetTimerPeriod(platform::kCalibrationTimer, kRetryAfterRejectionMs);
}

// How the network time was delivered, on the two tick counts.
struct Delivery {
  std::uint64_t sentTickMs;
  std::uint64_t roundTripMs;
  std::uint64_t asleepMs;
  // The moment the Date was most likely written: half way through the round trip. The moment it
  // was read would count the whole delivery as the reading's age.
  std::uint64_t AnchorTickMs() const { return sentTickMs + roundTripMs / 2; }
  // A long fetch, or one the machine slept through (the answer waits in the socket while asleep,
  // and the relative time-outs of the request do not count the sleep), brings a Date from long
  // ago: taken as the time now it would set the clock back by the delay.
  bool Trusted() const {
    return roundTripMs <= kLongestTrustedFetchMs && asleepMs <= kSleepDuringFetchToleranceMs;
  }
};

// Holds ClockState::calibrating for one pass, if no other pass holds it.
class CalibrationClaim {
 public:
  explicit CalibrationClaim(ClockState& state)
      : state_(state), held_(!state.calibrating.exchange(true)) {}
  ~CalibrationClaim() {
    if (held_) state_.calibrating.store(false);
  }
  CalibrationClaim(const CalibrationClaim&) = delete;
  CalibrationClaim& operator=(const CalibrationClaim&) = delete;
  bool Held() const { return held_; }

 private:
  ClockState& state_;
  const bool held_;
};

DateTime FetchMeasured(PassServices& services, Delivery& delivery) {
  const platform::LocalClock& clock = services.clock;
  const std::uint64_t sentTick = clock.TickCountMs();
  const std::uint64_t sentAwake = clock.AwakeTickCountMs();
  const DateTime reading = services.network.FetchNetworkTime();
  const std::uint64_t roundTrip = clock.TickCountMs() - sentTick;
  const std::uint64_t awake = clock.AwakeTickCountMs() - sentAwake;
  delivery = {sentTick, roundTrip, roundTrip > awake ? roundTrip - awake : 0};
  return reading;
}

}  // namespace

void FirstCalibration(PassServices& services) {
  services.window.AppendLogLine("系统初始化成功，正在首次校对网络时间！\r\n");
  services.workers.Start([&services] { CalibrationPass(services); });
}

void CalibrationPass(PassServices& services) {
  ClockState& state = services.state;
  const auto ms = [&services](DateTime value) { return 岚栖_时间转毫秒(value, services.clock); };

  // One pass at a time. The timer and every failed repair start one every few seconds, whatever
  // the running ones do; while a fetch waits out a stalled server (up to a minute) they would pile
  // up, each with its own request. A pass that finds another running ends at once, leaving no
  // trace, as one within three minutes of the last reading does.
  const CalibrationClaim claim(state);
  if (!claim.Held()) return;
  if (!services.network.IsReachable()) {
    services.window.AppendLogLine("当前网络未连接，无法与时间服务器建立通讯！\r\n");
    services.window.SetTimerPeriod(platform::kCalibrationTimer, kRetryWhenUnreachableMs);
    return;
  }

  // Readings are spaced at least three minutes apart; a pass that comes sooner leaves no trace.
  const std::int64_t elapsed =
      ms(CurrentLocalTime(services.clock)) - state.lastCalibrationMs.load();
  if (elapsed < kMinCalibrationSpacingMs) return;

  Delivery delivery{};
  const DateTime net = FetchMeasured(services, delivery);
  if (!delivery.Trusted()) {
    Reject(services);
    return;
  }

  // After three rejections in a row the network is believed, unless the fetch itself failed.
  // A reading from before the earliest year is never believed: taken as the standard time, it
  // would make the guard set the clock years back before the year test could reject it.
  if (state.calibrationFailures.load() >= kFailuresBeforeForcedAcceptance &&
      !LooksLikeFailureMarker(net)) {
    if (YearOf(net) < kEarliestAcceptedYear) {
      Reject(services);
      return;
    }
    state.SetStandardTime(net, delivery.AnchorTickMs());
    state.clockJustSet.store(true);
    state.lastGoodTime.store(net);
    state.lastCalibrationMs.store(ms(CurrentLocalTime(services.clock)));
    state.calibrationFailures.store(0);
    services.window.AppendLogLine("已确定网络时间无误，更新标准为网络时间：" + DateTimeToText(net) +
                                  "\r\n");
    services.window.SetTimerPeriod(platform::kCalibrationTimer, kCalibrationPeriodMs);
  }

  const std::int64_t behind = ms(net) - ms(state.lastGoodTime.load());
  if (behind < -kBehindLastGoodToleranceMs || YearOf(net) < kEarliestAcceptedYear) {
    Reject(services);
    return;
  }

  state.SetStandardTime(net, delivery.AnchorTickMs());
  state.lastGoodTime.store(net);
  state.lastCalibrationMs.store(ms(CurrentLocalTime(services.clock)));
  state.clockJustSet.store(true);
  state.calibrationFailures.store(0);
  services.window.AppendLogLine("已校准网络时间：" + DateTimeToText(net) + "\r\n");
  services.window.SetTimerPeriod(platform::kCalibrationTimer, kCalibrationPeriodMs);
  services.workers.PumpingDelay(kWaitBeforeGuardMs);
  services.window.SetTimerPeriod(platform::kGuardTimer, kGuardPeriodMs);
  state.lastGoodTime.store(CurrentLocalTime(services.clock));
}

}  // namespace lanqi
