#include "tests/e2e/e2e_fixture.hpp"

#include <windows.h>

#include "tests/e2e/poll.hpp"
#include "tests/e2e/wine_tray.hpp"

namespace lanqi::e2e {

std::filesystem::path ExeUnderTest() {
  wchar_t value[MAX_PATH * 4] = {};
  const DWORD length = GetEnvironmentVariableW(L"LANQI_E2E_EXE", value, MAX_PATH * 4);
  if (length == 0 || length >= MAX_PATH * 4) return {};
  return std::filesystem::path(value);
}

void ClockGuardScenario::SetUp() {
  const auto exe = ExeUnderTest();
  ASSERT_FALSE(exe.empty()) << "set LANQI_E2E_EXE to the Windows path of LanqiClockGuard.exe";
  ASSERT_TRUE(std::filesystem::exists(exe)) << "no file at " << Utf8(exe.wstring());
  trayIconsBefore_ = VisibleTrayIconCount();
  std::string whyNot;
  auto launched = ClockGuardDriver::Launch(exe, whyNot);
  ASSERT_TRUE(launched.has_value()) << whyNot;
  driver_.emplace(std::move(*launched));
  // Start-up ends by showing the window; a scenario that acts before that would race with it.
  ASSERT_TRUE(PollUntil([&] { return driver_->MainWindowVisible(); }, kStartDeadline))
      << "the main window was not shown after start-up";
  // Let the program handle what it queued while showing the window before the scenario acts.
  DWORD_PTR ignored = 0;
  SendMessageTimeoutW(driver_->MainWindow(), WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 5000, &ignored);
}

void ClockGuardScenario::TearDown() {
  if (!driver_) return;
  EXPECT_TRUE(driver_->End()) << "the program did not end within the deadline";
  driver_.reset();
  // Wine's tray drops the icons of an ended process a moment later; the next scenario counts
  // icons against the same baseline.
  PollUntil([&] { return VisibleTrayIconCount() <= trayIconsBefore_; }, kStateDeadline);
}

std::string ClockGuardScenario::TextOf(int controlId) const {
  const auto text = driver_->ControlText(controlId);
  return text ? Utf8(*text) : std::string("<control ") + std::to_string(controlId) + " missing>";
}

bool ClockGuardScenario::TrayIconShown() const {
  return VisibleTrayIconCount() > trayIconsBefore_;
}

bool ClockGuardScenario::WaitForState(bool windowVisible, bool iconShown) const {
  return PollUntil(
      [&] { return driver_->MainWindowVisible() == windowVisible && TrayIconShown() == iconShown; },
      kStateDeadline);
}

}  // namespace lanqi::e2e
