#include "timekeeping/guard.hpp"

#include <cstdlib>

#include "timekeeping/local_time.hpp"
#include "timekeeping/pass_services.hpp"

namespace lanqi {

void GuardGate::TakeLockIfFree(platform::MachineLock& lock) {
  if (closed_.load()) return;
  guarding_.store(lock.TryTake() != platform::MachineLock::State::kHeldElsewhere);
}

void GuardGate::Close(platform::MachineLock& lock) {
  closed_.store(true);
  lock.Release();
}

std::unique_lock<std::mutex> GuardGate::TryCompare() {
  std::unique_lock lock(changing_, std::try_to_lock);
  // A change under way ends within a save's time; the next pass comes a second later.
  if (!lock.owns_lock() || closed_.load() || !guarding_.load() || outsideWriteWaiting_()) return {};
  return lock;
}

void GuardPass(PassServices& services) {
  ClockState& state = services.state;
  std::unique_lock comparing = services.guardGate.TryCompare();
  if (!comparing.owns_lock()) return;
  // The wall clock is read between two reads of the tick count: had the process stalled in
  // between, the tick count would have moved on without the wall clock read, and the stall would
  // look like drift. Such a pass is skipped; the next one comes a second later.
  const std::uint64_t tickBefore = services.clock.TickCountMs();
  const DateTime now = CurrentLocalTime(services.clock);
  // Converted in this order so that the milliseconds of the two reads line up as they do.
  const std::int64_t nowMs = 岚栖_时间转毫秒(now, services.clock);
  const std::uint64_t tickAfter = services.clock.TickCountMs();
  if (tickAfter - tickBefore > kGuardLongestReadMs) return;
  // After a sleep or a busy spell the guard may run before the display refresh has caught up:
  // the correct time it compares with counts the seconds that refresh has not added yet.
  const std::int64_t difference =
      nowMs - 岚栖_时间转毫秒(state.CorrectTimeAt(tickAfter), services.clock);
  // Logging waits for the window's thread, which may be about to change the offset.
  comparing.unlock();

  // Right after a calibration or a repair attempt the clock is only recorded as good.
  if (state.clockJustSet.load()) {
    state.lastGoodTime.store(now);
    state.clockJustSet.store(false);
    return;
  }

  if (std::llabs(difference) <= kGuardToleranceMs) {
    state.lastGoodTime.store(now);
    return;
  }

  const auto repairTarget = [&services, &state] {
    return AddToDateTime(state.CorrectTimeAt(services.clock.TickCountMs()), TimeUnit::Second,
                         kRepairLeadSeconds);
  };
  const std::string wrong = DateTimeToText(now);
  const std::string right = DateTimeToText(repairTarget());
  services.window.AppendLogLine("\r\n#尝试修复\r\n错误的当前时间：" + wrong +
                                " ×\r\n修复到正确时间：" + right + " √ [←]\r\n");
  state.clockJustSet.store(true);

  if (services.clock.SetLocal(CalendarFromDateTime(repairTarget(), 0))) {
    services.window.ShowBalloon("岚栖钟卫",
                                "钟卫发现了一起时间异常问题，已为您修复！\r\n"
                                "钟卫正在持续守护您的系统时间！",
                                1, 1);
    services.window.AppendLogLine("【修复成功】钟卫将会持续守护您的时间安全！\r\n");
  } else {
    services.window.AppendLogLine("【修复失败】请检查是否授予钟卫[管理员权限]！\r\n");
  }
  services.workers.Start([&services] { CalibrationPass(services); });
}

}  // namespace lanqi
