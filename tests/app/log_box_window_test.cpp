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
#include "tests/fakes/fake_system.hpp"
#include "tests/support/pump_until.hpp"

namespace lanqi {
namespace {

using platform::Control;
using platform::Timer;

// The real window, with every pause the program asks for written down: how many there were and
// how deep they nested. Only the window's thread pauses.
class PauseCountingWindow final : public platform::Window {
 public:
  explicit PauseCountingWindow(platform::Window& real) : real_(real) {}

  std::string Text(Control control) override { return real_.Text(control); }
  void SetText(Control control, const std::string& text) override { real_.SetText(control, text); }
  void SetSelectionStart(Control editBox, int start) override {
    real_.SetSelectionStart(editBox, start);
  }
  void SetVisible(bool visible) override { real_.SetVisible(visible); }
  void SetTrayShown(bool shown) override { real_.SetTrayShown(shown); }
  void SetTimerPeriod(Timer timer, int milliseconds) override {
    real_.SetTimerPeriod(timer, milliseconds);
  }
  void AppendLogLine(const std::string& text) override { real_.AppendLogLine(text); }
  bool ShowBalloon(const std::string& title, const std::string& text, int iconKind,
                   int timeout) override {
    return real_.ShowBalloon(title, text, iconKind, timeout);
  }
  void ShowMessageBox(const std::string& text, const std::string& title,
                      platform::MessageIcon icon) override {
    real_.ShowMessageBox(text, title, icon);
  }
  void WaitProcessingMessages(int milliseconds) override {
    ++pauses;
    deepest = std::max(deepest, ++depth);
    real_.WaitProcessingMessages(milliseconds);
    --depth;
  }
  void EndProgram(int exitCode) override { real_.EndProgram(exitCode); }

  std::atomic<int> pauses{0};  // also read by the feeder below
  int depth = 0;
  int deepest = 0;

 private:
  platform::Window& real_;
};

// The program's handlers, with a count of the log changes that arrived inside a pause.
class LogChangesDuringPauses final : public platform::WindowEvents {
 public:
  LogChangesDuringPauses(platform::WindowEvents& handlers, const PauseCountingWindow& window)
      : handlers_(handlers), window_(window) {}

  void OnCreated() override { handlers_.OnCreated(); }
  bool OnCloseRequested() override { return handlers_.OnCloseRequested(); }
  void OnDestroyed() override { handlers_.OnDestroyed(); }
  void OnButtonClicked(Control button) override { handlers_.OnButtonClicked(button); }
  void OnContentChanged(Control editBox) override {
    if (editBox == platform::kLogBox && window_.depth > 0) ++changesInsideAPause;
    handlers_.OnContentChanged(editBox);
  }
  void OnTrayLeftButtonUp() override { handlers_.OnTrayLeftButtonUp(); }
  void OnTimerTick(Timer timer) override { handlers_.OnTimerTick(timer); }

  int changesInsideAPause = 0;

 private:
  platform::WindowEvents& handlers_;
  const PauseCountingWindow& window_;
};

// One line over the limit, then, once its pause has begun, a worker's line every 700 ms for 20 s,
// as log lines come from calibration and guard passes. The lines that come during the pause are
// handled inside it and their workers go on at once; nothing pauses a second time, and the clear
// removes the full line only: every later line stays.
TEST(LogBoxOverTheRealWindow, LinesDuringThePauseNeitherPauseAgainNorHoldTheirWorkers) {
  testing::FakeSystem fake;
  platform::System system = fake.System();
  platform::win32::MainWindow real(GetModuleHandleW(nullptr));
  PauseCountingWindow window(real);
  Program program(system, window);
  LogChangesDuringPauses events(program.Events(), window);
  if (!real.Load(events)) GTEST_SKIP() << "no desktop to create windows on";

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
    while (window.pauses.load() == 0 && std::chrono::steady_clock::now() < deadline) {
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
  EXPECT_EQ(window.pauses, 1);
  EXPECT_EQ(window.deepest, 1);
  // Lines did come during the pause: the case above was met, not passed by.
  EXPECT_GE(events.changesInsideAPause, 1);
  std::string everyLater;
  for (int i = 0; i < kLines; ++i) everyLater += "第" + std::to_string(i) + "行\r\n";
  EXPECT_EQ(window.Text(platform::kLogBox), everyLater);
}

}  // namespace
}  // namespace lanqi
