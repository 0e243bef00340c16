#include <cstdlib>

#include "timekeeping/time_keeper.hpp"

namespace lanqi {

void GuardPass(TimeKeeper& keeper) {
  ClockState& state = keeper.state;
  const DateTime now = CurrentLocalTime(keeper.clock);
  // Converted in this order so that the milliseconds of the two reads line up as they do.
  const std::int64_t nowMs = 岚栖_时间转毫秒(now, keeper.clock);
  const std::int64_t difference = nowMs - 岚栖_时间转毫秒(state.correctTime.load(), keeper.clock);

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

  const std::string wrong = DateTimeToText(now);
  const std::string right =
      DateTimeToText(AddToDateTime(state.correctTime.load(), TimeUnit::Second, kRepairLeadSeconds));
  keeper.window.AppendLogLine("\r\n#尝试修复\r\n错误的当前时间：" + wrong +
                              " ×\r\n修复到正确时间：" + right + " √ [←]\r\n");
  state.clockJustSet.store(true);

  const DateTime target =
      AddToDateTime(state.correctTime.load(), TimeUnit::Second, kRepairLeadSeconds);
  if (keeper.clock.SetLocal(CalendarFromDateTime(target, 0))) {
    keeper.window.ShowBalloon("岚栖钟卫",
                              "钟卫发现了一起时间异常问题，已为您修复！\r\n"
                              "钟卫正在持续守护您的系统时间！",
                              1, 1);
    keeper.window.AppendLogLine("【修复成功】钟卫将会持续守护您的时间安全！\r\n");
  } else {
    keeper.window.AppendLogLine("【修复失败】请检查是否授予钟卫[管理员权限]！\r\n");
  }
  keeper.window.StartWorker([&keeper] { CalibrationPass(keeper); });
}

}  // namespace lanqi
