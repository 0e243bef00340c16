#include "tests/e2e/clock_guard_driver.hpp"

#include <algorithm>
#include <iterator>

#include "platform/win32/control_ids.hpp"
#include "tests/e2e/poll.hpp"
#include "tests/e2e/wide_text.hpp"
#include "tests/e2e/window_access.hpp"

namespace lanqi::e2e {
namespace ids = platform::win32;
namespace {

constexpr int kControlIds[] = {ids::kId标签1, ids::kId标签2,   ids::kId标签3,  ids::kId标签4,
                               ids::kId标签5, ids::kId按钮1,   ids::kId按钮2,  ids::kId按钮3,
                               ids::kId按钮4, ids::kId编辑框1, ids::kId编辑框2};

}  // namespace

HWND WaitForShownMainWindow(DWORD pid, const std::function<bool(HWND)>& ready) {
  HWND main = nullptr;
  const bool shown = PollUntil(
      [&] {
        main = FindTopLevelWindow(pid, ids::kMainWindowClass, kMainWindowTitle);
        return main != nullptr && IsWindowVisible(main) && (!ready || ready(main));
      },
      kStartDeadline);
  return shown ? main : nullptr;
}

std::optional<ClockGuardDriver> ClockGuardDriver::Launch(
    const std::filesystem::path& exe, std::string& whyNot,
    const std::optional<std::filesystem::path>& startFolder) {
  auto folder = ScenarioFolder::Create(exe);
  if (!folder) {
    whyNot = "cannot copy " + Utf8(exe.wstring()) + " into a fresh temp folder";
    return std::nullopt;
  }
  auto program = LaunchedProgram::Start(folder->Exe(), startFolder);
  if (!program) {
    whyNot = "CreateProcess failed for " + Utf8(folder->Exe().wstring()) + ", error " +
             std::to_string(GetLastError());
    return std::nullopt;
  }
  const DWORD pid = program->Pid();
  HWND main = nullptr;
  PollUntil(
      [&] {
        main = FindTopLevelWindow(pid, ids::kMainWindowClass, kMainWindowTitle);
        return main != nullptr || !program->IsRunning();
      },
      kStartDeadline);
  if (main == nullptr) {
    const auto code = program->ExitCode();
    whyNot = code ? "the program ended with exit code " + std::to_string(*code) +
                        " before its main window appeared"
                  : "no main window of class LanqiClockGuardMainWindow titled " +
                        Utf8(kMainWindowTitle) + " within " +
                        std::to_string(kStartDeadline.count()) + " ms";
    return std::nullopt;
  }
  // The controls are made right after the window itself; give them the time to appear.
  PollUntil(
      [&] {
        return std::all_of(std::begin(kControlIds), std::end(kControlIds),
                           [&](int id) { return GetDlgItem(main, id) != nullptr; });
      },
      kStateDeadline);
  HWND tray = nullptr;
  PollUntil(
      [&] {
        const auto found = TopLevelWindowsOf(pid, ids::kTrayWindowClass);
        tray = found.empty() ? nullptr : found.front();
        return tray != nullptr;
      },
      kStateDeadline);
  if (tray == nullptr) {
    whyNot = "no tray window of class LanqiClockGuardTrayWindow";
    return std::nullopt;
  }
  return ClockGuardDriver(std::move(*folder), std::move(*program), main, tray);
}

std::optional<std::wstring> ClockGuardDriver::ControlText(int id) const {
  HWND control = Control(id);
  if (control == nullptr) return std::nullopt;
  return ReadWindowText(control);
}

std::optional<RECT> ClockGuardDriver::ControlRect(int id) const {
  HWND control = Control(id);
  if (control == nullptr) return std::nullopt;
  return RectInParentClient(control);
}

bool ClockGuardDriver::ClickButton(int id) const {
  HWND button = Control(id);
  return button != nullptr && Click(button);
}

bool ClockGuardDriver::CloseMainWindow() const {
  return RequestClose(mainWindow_);
}

bool ClockGuardDriver::SendTrayMouse(UINT mouseMessage) const {
  return PostTrayNotification(trayWindow_, ids::kTrayCallbackMessage, ids::kTrayIconId,
                              mouseMessage);
}

bool ClockGuardDriver::SendTrayMouseAndWait(UINT mouseMessage) const {
  DWORD_PTR result = 0;
  return SendMessageTimeoutW(trayWindow_, ids::kTrayCallbackMessage, ids::kTrayIconId,
                             static_cast<LPARAM>(mouseMessage), SMTO_ABORTIFHUNG,
                             static_cast<UINT>(kStateDeadline.count()), &result) != 0;
}

}  // namespace lanqi::e2e
