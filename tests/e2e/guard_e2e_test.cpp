// The whole program against a local stand-in of the reference web server, inside a network
// namespace where the public resolvers cannot be reached. The wrapper script runs each group
// with the server in the state its name says (LANQI_E2E_SERVER tells which).

#include <windows.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <string>
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

constexpr Milliseconds kCalibrationDeadline{60000};

std::wstring ServerState() {
  wchar_t value[64] = {};
  GetEnvironmentVariableW(L"LANQI_E2E_SERVER", value, 64);
  return value;
}

int CountOf(const std::wstring& text, const std::wstring& part) {
  int count = 0;
  for (std::size_t at = text.find(part); at != std::wstring::npos; at = text.find(part, at + 1)) {
    ++count;
  }
  return count;
}

// Balloons are drawn by Wine's explorer as tooltip windows; a visible one is a balloon on screen.
int VisibleBalloons() {
  int count = 0;
  EnumWindows(
      [](HWND window, LPARAM counter) -> BOOL {
        wchar_t name[64] = {};
        GetClassNameW(window, name, 64);
        if (std::wstring(name) == L"tooltips_class32" && IsWindowVisible(window)) {
          ++*reinterpret_cast<int*>(counter);
        }
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&count));
  return count;
}

int MainWindowsOnDesktop() {
  int count = 0;
  for (HWND window = FindWindowExW(nullptr, nullptr, ids::kMainWindowClass, nullptr);
       window != nullptr; window = FindWindowExW(nullptr, window, ids::kMainWindowClass, nullptr)) {
    ++count;
  }
  return count;
}

// The wrapper script's pause service stops a process (SIGSTOP to the Wine process that runs
// it) for a number of seconds and then lets it go on, as a machine asleep would. It is asked
// through files in the folder named by LANQI_E2E_PAUSE_DIR; the program's process is found by
// the name of its scenario folder, which only its command line holds.
std::filesystem::path PauseFolder() {
  wchar_t value[MAX_PATH * 4] = {};
  const DWORD length = GetEnvironmentVariableW(L"LANQI_E2E_PAUSE_DIR", value, MAX_PATH * 4);
  if (length == 0 || length >= MAX_PATH * 4) return {};
  return value;
}

// Asks for the stop and waits until the process runs again; false when the service did not
// answer or found no process.
bool StopProcessFor(const std::filesystem::path& scenarioFolder, int seconds) {
  const std::filesystem::path folder = PauseFolder();
  if (folder.empty()) return false;
  const std::wstring name = scenarioFolder.filename().wstring();
  const auto request = folder / (name + L".request");
  const auto written = folder / (name + L".writing");
  {
    std::ofstream out(written, std::ios::binary);
    out << seconds << ' ' << std::string(name.begin(), name.end()) << '\n';
  }
  // Renamed into place so the service never reads half a request.
  if (!MoveFileExW(written.c_str(), request.c_str(), MOVEFILE_REPLACE_EXISTING)) return false;
  const auto answer = folder / (name + L".resumed");
  if (!PollUntil([&] { return std::filesystem::exists(answer); },
                 Milliseconds{(seconds + 60) * 1000})) {
    return false;
  }
  std::ifstream in(answer);
  std::string found;
  in >> found;
  return found == "resumed";
}

// The stand-in server's log (LANQI_E2E_WEB_LOG), where a held server notes the answer it holds.
bool WebServerLogHolds(const std::string& line) {
  wchar_t value[MAX_PATH * 4] = {};
  const DWORD length = GetEnvironmentVariableW(L"LANQI_E2E_WEB_LOG", value, MAX_PATH * 4);
  if (length == 0 || length >= MAX_PATH * 4) return false;
  std::ifstream in{std::filesystem::path(value)};
  for (std::string read; std::getline(in, read);) {
    if (read == line) return true;
  }
  return false;
}

class GuardE2E : public ClockGuardScenario {
 protected:
  void SetUp() override {
    if (ServerState().empty()) GTEST_SKIP() << "run by run_guard_e2e.sh, which sets the server up";
    ClockGuardScenario::SetUp();
  }
  std::wstring Log() { return Program().ControlText(ids::kId编辑框1).value_or(L""); }
  // Watches the log (the program's, unless another is given) for the whole period: false as soon
  // as a repair attempt shows.
  bool NoRepairFor(Milliseconds period, std::function<std::wstring()> log = {}) {
    if (!log) log = [this] { return Log(); };
    const auto until = Clock::now() + period;
    while (Clock::now() < until) {
      if (log().find(L"#尝试修复") != std::wstring::npos) return false;
      std::this_thread::sleep_for(Milliseconds{100});
    }
    return log().find(L"#尝试修复") == std::wstring::npos;
  }
  std::wstring WaitForLog(const std::wstring& part, Milliseconds deadline) {
    std::wstring log;
    PollUntil([&] { return (log = Log()).find(part) != std::wstring::npos; }, deadline);
    return log;
  }
};

// Server answering this machine's time, the machine in Beijing's time zone.
TEST_F(GuardE2E, AgreeingServerCalibratesAndNothingIsRepaired) {
  if (ServerState() != L"now") GTEST_SKIP() << "needs the server answering the machine's time";
  const std::wstring log = WaitForLog(L"已校准网络时间：", kCalibrationDeadline);
  EXPECT_EQ(
      log.rfind(std::wstring(kOpenFolderWarning) + L"系统初始化成功，正在首次校对网络时间！\r\n",
                0),
      0u);
  EXPECT_NE(log.find(L"\r\n已校准网络时间："), std::wstring::npos);
  // The guard starts three seconds after the reading; watch it over several passes.
  EXPECT_TRUE(NoRepairFor(std::chrono::seconds(8))) << Utf8(Log());
  // The calibrated line names the fake server's time shifted to Beijing time: the same as the
  // system time line here, give or take the seconds passed.
  // Compared to the hour: read again for a moment when a second boundary falls between them.
  std::wstring beijing, system;
  EXPECT_TRUE(PollUntil(
      [&] {
        beijing = Program().ControlText(ids::kId标签1).value_or(L"");
        system = Program().ControlText(ids::kId标签5).value_or(L"");
        return beijing.substr(5, 12) == system.substr(5, 12);
      },
      Milliseconds{5000}))
      << "北京时间 and 系统时间 lines differ beyond the hour";
}

// The process stopped for 20 seconds, as a machine asleep, then resumed: the display and guard
// timers fire late, the Beijing-time line catches up with the time that passed, and the guard
// finds nothing to repair. (Under Wine a repair would show as an attempt and a failure line.)
TEST_F(GuardE2E, StoppedForTwentySecondsTheClockCatchesUpWithoutRepair) {
  if (ServerState() != L"now") GTEST_SKIP() << "needs the server answering the machine's time";
  if (PauseFolder().empty()) GTEST_SKIP() << "run by run_guard_e2e.sh, which stops processes";
  WaitForLog(L"已校准网络时间：", kCalibrationDeadline);
  const auto readBeijing = [&] {
    return ParseClockLine(Program().ControlText(ids::kId标签1).value_or(L""), L"北京时间：");
  };
  const auto readSystem = [&] {
    return ParseClockLine(Program().ControlText(ids::kId标签5).value_or(L""), L"系统时间：");
  };
  // The guard runs from three seconds after the reading on; watch a few of its passes first.
  ASSERT_TRUE(NoRepairFor(std::chrono::seconds(6))) << "repaired before the stop";
  const auto before = readBeijing();
  ASSERT_TRUE(before.has_value()) << TextOf(ids::kId标签1);

  constexpr int kStoppedSeconds = 20;
  ASSERT_TRUE(StopProcessFor(Program().Folder(), kStoppedSeconds))
      << "the pause service did not stop and resume the program";

  // Shortly after the resume the Beijing-time line has caught up with the time that passed and
  // agrees with the system-time line again.
  std::optional<ClockReading> beijing, system;
  EXPECT_TRUE(PollUntil(
      [&] {
        beijing = readBeijing();
        system = readSystem();
        return beijing && system &&
               beijing->LinearSeconds() - before->LinearSeconds() >= kStoppedSeconds &&
               std::llabs(beijing->LinearSeconds() - system->LinearSeconds()) <= 2;
      },
      Milliseconds{30000}))
      << TextOf(ids::kId标签1) << " / " << TextOf(ids::kId标签5);
  // Several guard passes after the resume: none tries a repair.
  EXPECT_TRUE(NoRepairFor(std::chrono::seconds(6))) << Utf8(Log());
}

// The first answer is stamped when its request arrives and sent only once the program is stopped,
// so it waits in the socket as on a laptop that went to sleep during the fetch: on resume the
// program reads a Date 25 seconds old. It does not take it: no repair ever shows, and once a
// fresh reading is in, the Beijing-time line agrees with the system-time line.
TEST_F(GuardE2E, HeldAnswerReadAfterAStopIsNotTaken) {
  if (ServerState() != L"held") GTEST_SKIP() << "needs the server that holds its first answer";
  ASSERT_TRUE(PollUntil([] { return WebServerLogHolds("holding"); }, kCalibrationDeadline))
      << "the program sent no request";
  ASSERT_EQ(Log().find(L"已校准网络时间："), std::wstring::npos) << Utf8(Log());
  constexpr int kStoppedSeconds = 25;
  ASSERT_TRUE(StopProcessFor(Program().Folder(), kStoppedSeconds))
      << "the pause service did not stop and resume the program";
  ASSERT_TRUE(WebServerLogHolds("released"));

  WaitForLog(L"已校准网络时间：", kCalibrationDeadline);
  std::optional<ClockReading> beijing, system;
  EXPECT_TRUE(PollUntil(
      [&] {
        beijing = ParseClockLine(Program().ControlText(ids::kId标签1).value_or(L""), L"北京时间：");
        system = ParseClockLine(Program().ControlText(ids::kId标签5).value_or(L""), L"系统时间：");
        return beijing && system &&
               std::llabs(beijing->LinearSeconds() - system->LinearSeconds()) <= 2;
      },
      Milliseconds{10000}))
      << TextOf(ids::kId标签1) << " / " << TextOf(ids::kId标签5);
  // The guard's passes after the fresh reading: none tries a repair, and none did before.
  EXPECT_TRUE(NoRepairFor(std::chrono::seconds(8))) << Utf8(Log());
}

TEST_F(GuardE2E, GreetingBalloonIsShownAtStart) {
  if (ServerState() != L"now") GTEST_SKIP() << "needs the server answering the machine's time";
  EXPECT_TRUE(PollUntil([] { return VisibleBalloons() > 0; }, Milliseconds{15000}));
}

TEST_F(GuardE2E, SecondStartRunsASecondCopy) {
  if (ServerState() != L"now") GTEST_SKIP() << "needs the server answering the machine's time";
  std::string whyNot;
  auto second = ClockGuardDriver::Launch(ExeUnderTest(), whyNot);
  ASSERT_TRUE(second) << whyNot;
  EXPECT_NE(second->Pid(), Program().Pid());
  EXPECT_TRUE(PollUntil([] { return MainWindowsOnDesktop() == 2; }, kStateDeadline));
  EXPECT_TRUE(second->IsRunning());
  EXPECT_TRUE(Program().IsRunning());
  second->End();
}

// Server an hour ahead: the guard tries to set the clock, which Wine refuses.
TEST_F(GuardE2E, ServerAnHourAheadMakesTheGuardTryEveryTwoSecondsWithoutBalloon) {
  if (ServerState() != L"now+3600") GTEST_SKIP() << "needs the server an hour ahead";
  std::wstring log =
      WaitForLog(L"【修复失败】请检查是否授予钟卫[管理员权限]！", kCalibrationDeadline);
  ASSERT_NE(log.find(L"#尝试修复\r\n错误的当前时间："), std::wstring::npos);
  EXPECT_NE(log.find(L" √ [←]\r\n【修复失败】"), std::wstring::npos);
  // Let the greeting balloon go, then watch the attempts: one every two seconds, no balloon.
  PollUntil([] { return VisibleBalloons() == 0; }, Milliseconds{40000});
  const int failuresBefore = CountOf(Log(), L"【修复失败】");
  const auto start = Clock::now();
  bool balloonSeen = false;
  while (Clock::now() - start < std::chrono::seconds(10)) {
    balloonSeen = balloonSeen || VisibleBalloons() > 0;
    std::this_thread::sleep_for(Milliseconds{100});
  }
  const int attempts = CountOf(Log(), L"【修复失败】") - failuresBefore;
  EXPECT_GE(attempts, 4);
  EXPECT_LE(attempts, 6);
  EXPECT_FALSE(balloonSeen);
  EXPECT_EQ(CountOf(Log(), L"【修复成功】"), 0);
}

// A second copy from another folder, as an old copy left elsewhere or another session's start:
// only the copy that holds the guard tries to repair. Ended from outside, as Task Manager or
// taskkill /F end it, the holder lets go, and the other copy starts repairing within seconds.
TEST_F(GuardE2E, ServerAnHourAheadOnlyOneOfTwoCopiesRepairsUntilItEnds) {
  if (ServerState() != L"now+3600") GTEST_SKIP() << "needs the server an hour ahead";
  WaitForLog(L"#尝试修复", kCalibrationDeadline);
  std::string whyNot;
  auto second = ClockGuardDriver::Launch(ExeUnderTest(), whyNot);
  ASSERT_TRUE(second) << whyNot;
  const auto secondLog = [&] { return second->ControlText(ids::kId编辑框1).value_or(L""); };
  ASSERT_TRUE(PollUntil([&] { return secondLog().find(L"已校准网络时间：") != std::wstring::npos; },
                        kCalibrationDeadline))
      << Utf8(secondLog());
  // Its guard would have tried within three seconds of the reading; watch well past that.
  const int attemptsBefore = CountOf(Log(), L"#尝试修复");
  EXPECT_TRUE(NoRepairFor(std::chrono::seconds(6), secondLog)) << Utf8(secondLog());
  EXPECT_GT(CountOf(Log(), L"#尝试修复"), attemptsBefore) << "the holder stopped guarding";

  ASSERT_TRUE(Program().End());
  const auto ended = Clock::now();
  ASSERT_TRUE(PollUntil([&] { return secondLog().find(L"#尝试修复") != std::wstring::npos; },
                        Milliseconds{30000}));
  EXPECT_LE(std::chrono::duration_cast<Milliseconds>(Clock::now() - ended).count(), 5000);
  second->End();
}

// No server, resolvers unreachable: the unreachable line every ten seconds.
TEST_F(GuardE2E, UnreachableNetworkIsReportedEveryTenSeconds) {
  if (ServerState() != L"none") GTEST_SKIP() << "needs no server at all";
  const std::wstring line = L"当前网络未连接，无法与时间服务器建立通讯！";
  WaitForLog(line, kCalibrationDeadline);
  const auto first = Clock::now();
  ASSERT_TRUE(PollUntil([&] { return CountOf(Log(), line) >= 2; }, kCalibrationDeadline));
  const auto gap = std::chrono::duration_cast<Milliseconds>(Clock::now() - first).count();
  EXPECT_GE(gap, 8000);
  EXPECT_LE(gap, 20000);
  EXPECT_EQ(Log().find(L"已校准网络时间"), std::wstring::npos);
}

}  // namespace
}  // namespace lanqi::e2e
