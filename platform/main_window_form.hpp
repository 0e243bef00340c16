#pragma once
// The main window's form: every control's place and first text, and the period each timer counts
// with from the moment the window is loaded. The real window is made from it and the fake one
// starts from it. Texts are code page 936 bytes.
#include <iterator>

#include "platform/window.hpp"

namespace lanqi::platform {

struct ControlForm {
  Control control;
  const char* text;
  int left, top, width, height;  // in the main window's client area, in pixels
};

inline constexpr ControlForm kControlForms[] = {
    {kBeijingTimeLabel, "北京时间：0000年00月00日 00:00:00", 8, 8, 344, 24},
    {kCorrectTimeLabel, "正确时间：0000年00月00日 00:00:00", 8, 40, 344, 24},
    {kSystemTimeLabel, "系统时间：0000年00月00日 00:00:00", 8, 72, 344, 24},
    {kOffsetCaption, "时差：", 8, 104, 64, 24},
    {kStepDownButton, "-1s", 88, 104, 48, 24},
    {kOffsetBox, "", 144, 104, 64, 24},
    {kStepUpButton, "+1s", 224, 104, 48, 24},
    {kSecondsCaption, "秒", 288, 104, 64, 24},
    {kLogBox, "", 6, 136, 346, 152},
    {kAutostartButton, "设置开机启动", 8, 296, 152, 24},
    {kHideButton, "最小化窗口", 216, 296, 136, 24},
};
static_assert(std::size(kControlForms) == 11);

struct TimerForm {
  Timer timer;
  int storedPeriodMs;
};

inline constexpr TimerForm kTimerForms[] = {
    {kDisplayTimer, 1000},
    {kGuardTimer, 0},
    {kCalibrationTimer, 1800000},
};

}  // namespace lanqi::platform
