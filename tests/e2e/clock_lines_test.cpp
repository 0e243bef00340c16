// The three clock lines: filled within two seconds of start and advancing once a second, with
// the system-time line following this machine's clock.

#include <windows.h>

#include <chrono>
#include <cstdlib>
#include <thread>
#include <vector>

#include "platform/win32/control_ids.hpp"
#include "tests/e2e/clock_line.hpp"
#include "tests/e2e/e2e_fixture.hpp"
#include "tests/e2e/poll.hpp"

namespace lanqi::e2e {
namespace {
namespace ids = platform::win32;
using Clock = std::chrono::steady_clock;

struct ClockLine {
  int id;
  const wchar_t* prefix;
};
constexpr ClockLine kBeijing{ids::kId标签1, L"北京时间："};
constexpr ClockLine kCorrect{ids::kId标签2, L"正确时间："};
constexpr ClockLine kSystem{ids::kId标签5, L"系统时间："};

// The reader must be right for the end-to-end checks below to mean anything.
TEST(ClockLineReader, AcceptsExactlyTheProgramsDateTimeForms) {
  struct Case {
    const wchar_t* line;
    bool valid;
    std::int64_t seconds;  // linear seconds when valid
  };
  const Case cases[] = {
      {L"系统时间：2024年3月5日7时8分9秒", true, 1709622489},
      {L"系统时间：2024年3月5日7时8分", true, 1709622480},
      {L"系统时间：2024年3月5日7时", true, 1709622000},
      {L"系统时间：2024年3月5日0时8分", true, 1709597280},
      {L"系统时间：2024年3月5日", true, 1709596800},
      {L"系统时间：2024年2月29日23时59分59秒", true, 1709251199},
      {L"系统时间：2023年2月29日", false, 0},          // no such day
      {L"系统时间：2024年3月5日7时8分0秒", false, 0},  // a zero second is left off
      {L"系统时间：2024年3月5日7时0分", false, 0},     // a zero minute is left off
      {L"系统时间：2024年3月5日0时", false, 0},        // midnight shows the date alone
      {L"系统时间：2024年03月5日", false, 0},          // no leading zeros
      {L"系统时间：0000年00月00日 00:00:00", false, 0},
      {L"北京时间：2024年3月5日", false, 0},  // another line's prefix
      {L"系统时间：2024年3月5日7时8分9秒x", false, 0},
      {L"", false, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(Utf8(c.line));
    const auto reading = ParseClockLine(c.line, kSystem.prefix);
    ASSERT_EQ(reading.has_value(), c.valid);
    if (reading) {
      EXPECT_EQ(reading->LinearSeconds(), c.seconds);
    }
  }
}

using ClockLines = ClockGuardScenario;

std::int64_t LocalNowSeconds() {
  SYSTEMTIME now{};
  GetLocalTime(&now);
  ClockReading r{now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond};
  return r.LinearSeconds();
}

TEST_F(ClockLines, ShowTheDateTimeWithinTwoSecondsOfStart) {
  const auto start = Clock::now();
  const bool filled = PollUntil(
      [&] {
        for (const ClockLine& line : {kBeijing, kCorrect, kSystem}) {
          const auto text = Program().ControlText(line.id);
          if (!text || !ParseClockLine(*text, line.prefix)) return false;
        }
        return true;
      },
      std::chrono::milliseconds(2000));
  const auto took = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start);
  RecordProperty("clock_lines_filled_after_ms", static_cast<int>(took.count()));
  EXPECT_TRUE(filled) << "after 2 s: " << TextOf(kBeijing.id) << " | " << TextOf(kCorrect.id)
                      << " | " << TextOf(kSystem.id);
}

TEST_F(ClockLines, AdvanceOnceASecondAndTheSystemLineFollowsTheMachineClock) {
  ASSERT_TRUE(PollUntil(
      [&] {
        const auto text = Program().ControlText(kSystem.id);
        return text && ParseClockLine(*text, kSystem.prefix);
      },
      kStateDeadline))
      << TextOf(kSystem.id);

  // Watch both moving lines for a few seconds and keep every distinct value they show.
  std::vector<std::int64_t> system, beijing;
  std::int64_t worstLag = 0;
  const auto watchUntil = Clock::now() + std::chrono::milliseconds(4500);
  while (Clock::now() < watchUntil) {
    for (auto [line, seen] : {std::pair{kSystem, &system}, std::pair{kBeijing, &beijing}}) {
      const auto text = Program().ControlText(line.id);
      const auto reading = text ? ParseClockLine(*text, line.prefix) : std::nullopt;
      ASSERT_TRUE(reading.has_value()) << Utf8(text.value_or(L"<no answer>"));
      const std::int64_t value = reading->LinearSeconds();
      if (seen->empty() || seen->back() != value) seen->push_back(value);
      if (line.id == kSystem.id) {
        const std::int64_t lag = LocalNowSeconds() - value;
        if (std::abs(lag) > std::abs(worstLag)) worstLag = lag;
      }
    }
    std::this_thread::sleep_for(kPollInterval);
  }

  for (auto [name, seen] : {std::pair{"system", &system}, std::pair{"beijing", &beijing}}) {
    SCOPED_TRACE(name);
    // 4.5 s of watching spans at least four ticks of a one-second timer.
    EXPECT_GE(seen->size(), 4u);
    // Each tick moves the line by one second. A tick that lands next to a second boundary, or
    // a test thread held up for a moment on a loaded machine, may show one step of two.
    int longSteps = 0;
    for (std::size_t i = 1; i < seen->size(); ++i) {
      const std::int64_t step = (*seen)[i] - (*seen)[i - 1];
      EXPECT_TRUE(step == 1 || step == 2) << "step " << i << " is " << step << " s";
      if (step == 2) ++longSteps;
    }
    EXPECT_LE(longSteps, 1);
  }
  // The line is written once a second, so it may trail the machine clock by a second.
  EXPECT_LE(std::abs(worstLag), 2) << "system-time line against GetLocalTime";
  RecordProperty("system_line_worst_lag_s", static_cast<int>(worstLag));
}

TEST_F(ClockLines, CorrectTimeEqualsBeijingTimeWithNoOffsetFile) {
  std::wstring beijing, correct;
  const bool equal = PollUntil(
      [&] {
        beijing = Program().ControlText(kBeijing.id).value_or(L"");
        correct = Program().ControlText(kCorrect.id).value_or(L"");
        const auto b = ParseClockLine(beijing, kBeijing.prefix);
        const auto c = ParseClockLine(correct, kCorrect.prefix);
        return b && c && b->LinearSeconds() == c->LinearSeconds();
      },
      kStateDeadline);
  EXPECT_TRUE(equal) << Utf8(beijing) << " | " << Utf8(correct);
}

}  // namespace
}  // namespace lanqi::e2e
