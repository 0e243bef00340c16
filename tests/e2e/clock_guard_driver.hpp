#pragma once
// Drives one run of LanqiClockGuard.exe from outside: a copy of the exe in a fresh folder, the
// process, its main window, its controls and its tray window.

#include <windows.h>

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "tests/e2e/launched_program.hpp"
#include "tests/e2e/message_boxes.hpp"
#include "tests/e2e/scenario_folder.hpp"

namespace lanqi::e2e {

inline constexpr wchar_t kMainWindowTitle[] = L"岚栖钟卫";
inline constexpr wchar_t kOffsetFileName[] = L"时差.ini";

// The main window of process `pid` once it is shown and `ready` holds for it (shown is enough
// when no condition is given); null when that does not happen within the start deadline.
HWND WaitForShownMainWindow(DWORD pid, const std::function<bool(HWND)>& ready = {});

class ClockGuardDriver {
 public:
  // Copies `exe` into a fresh folder, starts it there (or with `startFolder` as its current
  // directory) and waits until its main window and its tray window exist. On failure `whyNot`
  // says which step failed.
  static std::optional<ClockGuardDriver> Launch(
      const std::filesystem::path& exe, std::string& whyNot,
      const std::optional<std::filesystem::path>& startFolder = std::nullopt);

  ClockGuardDriver(ClockGuardDriver&&) noexcept = default;
  ClockGuardDriver& operator=(ClockGuardDriver&&) = delete;
  ~ClockGuardDriver() = default;

  DWORD Pid() const { return program_.Pid(); }
  bool IsRunning() const { return program_.IsRunning(); }
  bool End() { return program_.End(); }
  const std::filesystem::path& Folder() const { return folder_.Folder(); }
  std::filesystem::path OffsetFile() const { return folder_.Folder() / kOffsetFileName; }

  HWND MainWindow() const { return mainWindow_; }
  HWND TrayWindow() const { return trayWindow_; }
  bool MainWindowVisible() const { return IsWindowVisible(mainWindow_) != FALSE; }

  HWND Control(int id) const { return GetDlgItem(mainWindow_, id); }
  std::optional<std::wstring> ControlText(int id) const;
  std::optional<RECT> ControlRect(int id) const;

  bool ClickButton(int id) const;
  // What the close box, Alt+F4 and a close request from another program all send.
  bool CloseMainWindow() const;
  // A mouse message over the tray icon, as the notification area reports it.
  bool SendTrayMouse(UINT mouseMessage) const;
  // The same, returning only once the program has handled it.
  bool SendTrayMouseAndWait(UINT mouseMessage) const;

  std::vector<MessageBoxSeen> MessageBoxes() const { return VisibleMessageBoxesOf(Pid()); }

 private:
  ClockGuardDriver(ScenarioFolder folder, LaunchedProgram program, HWND mainWindow, HWND trayWindow)
      : folder_(std::move(folder)),
        program_(std::move(program)),
        mainWindow_(mainWindow),
        trayWindow_(trayWindow) {}

  // Declared first so it is removed last, after the process has ended.
  ScenarioFolder folder_;
  LaunchedProgram program_;
  HWND mainWindow_ = nullptr;
  HWND trayWindow_ = nullptr;
};

}  // namespace lanqi::e2e
