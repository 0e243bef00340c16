// The log box's handlers over the real main window (Windows or Wine): lines that workers append
// while a full log waits out its pause before it is cleared. Needs a desktop; without one the
// window cannot be created and the test is skipped.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "app/program.hpp"
#include "platform/win32/main_window.hpp"
#include "platform/win32/win32_platform.hpp"
#include "tests/fakes/fake_system.hpp"
#include "tests/support/pump_until.hpp"

namespace lanqi {
namespace {

using platform::Control;
using platform::Timer;

// The system's workers, with every pause the program asks for written down: how many there were
// and how deep they nested. The pause is the real one, processing the window's messages; only the
// window's thread pauses.
class PauseCountingWorkers final : public platform::Workers {
 public:
  explicit PauseCountingWorkers(platform::Workers& starter) : starter_(starter) {}

  bool Start(std::function<void()> routine) override { return starter_.Start(std::move(routine)); }
  void PumpingDelay(int milliseconds) override {
    ++pauses;
    deepest = std::max(deepest, ++depth);
    platform::win32::PumpingDelayMs(milliseconds);
    --depth;
  }

  std::atomic<int> pauses{0};  // also read by the feeder below
  int depth = 0;
  int deepest = 0;

 private:
  platform::Workers& starter_;
};

// The program's handlers, with a count of the log changes that arrived inside a pause.
class LogChangesDuringPauses final : public platform::WindowEvents {
 public:
  LogChangesDuringPauses(platform::WindowEvents& handlers, const PauseCountingWorkers& workers)
      : handlers_(handlers), workers_(workers) {}

  void OnCreated() override { handlers_.OnCreated(); }
  bool OnCloseRequested() override { return handlers_.OnCloseRequested(); }
  void OnDestroyed() override { handlers_.OnDestroyed(); }
  void OnButtonClicked(Control button) override { handlers_.OnButtonClicked(button); }
  void OnContentChanged(Control editBox) override {
    if (editBox == platform::kLogBox && workers_.depth > 0) ++changesInsideAPause;
    handlers_.OnContentChanged(editBox);
  }
  void OnTrayLeftButtonUp() override { handlers_.OnTrayLeftButtonUp(); }
  void OnTimerTick(Timer timer) override { handlers_.OnTimerTick(timer); }

  int changesInsideAPause = 0;

 private:
  platform::WindowEvents& handlers_;
  const PauseCountingWorkers& workers_;
};

// One line over the limit, then, once its pause has begun, a worker's line every 700 ms for 20 s,
// as log lines come from calibration and guard passes. The lines that come during the pause are
// handled inside it and their workers go on at once; nothing pauses a second time, and the clear
// removes the full line only: every later line stays.
TEST(LogBoxOverTheRealWindow, LinesDuringThePauseNeitherPauseAgainNorHoldTheirWorkers) {
  testing::FakeSystem fake;
  PauseCountingWorkers pausing(fake.workers);
  fake.workersInUse = &pausing;
  platform::System system = fake.System();
  platform::win32::MainWindow window(GetModuleHandleW(nullptr));
  Program program(system, window);
  LogChangesDuringPauses events(program.Events(), pausing);
  if (!window.Load(events)) GTEST_SKIP() << "no desktop to create windows on";

  const std::string fullLine(MainWindowHandlers::kLogLimitBytes - 1, 'x');
  constexpr int kLines = 20000 / 700;
  std::atomic<int> returned{0};
  // Lines come at their own pace, whatever the window's thread is doing, as the passes' do.
  std::jthread feeder([&] {
    std::vector<std::jthread> workers;
    const auto appendFromAWorker = [&](std::string line) {
      workers.emplace_back([&, line = std::move(line)] {
        window.AppendLogLine(line);
        ++returned;
      });
    };
    appendFromAWorker(fullLine + "\r\n");  // 10001 bytes
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (pausing.pauses.load() == 0 && std::chrono::steady_clock::now() < deadline) {
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    for (int i = 0; i < kLines; ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(700));
      appendFromAWorker("第" + std::to_string(i) + "行\r\n");
    }
  });
  // This thread is the window's: it processes messages until every worker has returned.
  testing::PumpUntil([&] { return returned.load() >= kLines + 1; }, std::chrono::seconds(90));

  EXPECT_EQ(returned.load(), kLines + 1);
  EXPECT_EQ(pausing.pauses, 1);
  EXPECT_EQ(pausing.deepest, 1);
  // Lines did come during the pause: the case above was met, not passed by.
  EXPECT_GE(events.changesInsideAPause, 1);
  std::string everyLater;
  for (int i = 0; i < kLines; ++i) everyLater += "第" + std::to_string(i) + "行\r\n";
  EXPECT_EQ(window.Text(platform::kLogBox), everyLater);
}

}  // namespace
}  // namespace lanqi
