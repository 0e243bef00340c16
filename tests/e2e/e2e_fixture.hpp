#pragma once
// One scenario = one fresh run of the exe: a new folder, a new process, ended at the end of the
// test. The exe comes from the environment variable LANQI_E2E_EXE (a Windows path).

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>

#include "tests/e2e/clock_guard_driver.hpp"
#include "tests/e2e/wide_text.hpp"

namespace lanqi::e2e {

std::filesystem::path ExeUnderTest();

// The log's first line wherever the exe runs from a folder its user owns, as every folder under
// Wine is: others than the administrators could change the program.
inline constexpr wchar_t kOpenFolderWarning[] =
    L"警告：程序所在文件夹可被普通用户修改，建议放到 C:\\Program Files\\LanqiClockGuard。\r\n";

class ClockGuardScenario : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  ClockGuardDriver& Program() { return *driver_; }
  // A control's text in UTF-8, for readable failure messages; a marker when it cannot be read.
  std::string TextOf(int controlId) const;
  // Whether the program's icon is in the notification area: more icons than before it started.
  bool TrayIconShown() const;
  // Waits until the window's visible flag and the icon's presence are as given.
  bool WaitForState(bool windowVisible, bool iconShown) const;

 private:
  std::optional<ClockGuardDriver> driver_;
  int trayIconsBefore_ = 0;
};

}  // namespace lanqi::e2e
