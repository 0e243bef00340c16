#pragma once
// A program started by the tests, owned by its process handle and ended through it.

#include <windows.h>

#include <filesystem>
#include <optional>
#include <string>

#include "platform/win32/unique_handle.hpp"

namespace lanqi::e2e {

class LaunchedProgram {
 public:
  // Starts `exe` in `startFolder` as the current directory (its own folder when none is given),
  // as a shortcut or a command prompt elsewhere would start it, with `arguments` after the quoted
  // exe path on its command line.
  static std::optional<LaunchedProgram> Start(
      const std::filesystem::path& exe,
      const std::optional<std::filesystem::path>& startFolder = std::nullopt,
      const std::wstring& arguments = L"");

  LaunchedProgram(LaunchedProgram&&) noexcept = default;
  LaunchedProgram& operator=(LaunchedProgram&&) = delete;
  ~LaunchedProgram() { End(); }

  DWORD Pid() const { return pid_; }
  bool IsRunning() const;
  // The exit code once the process has ended.
  std::optional<DWORD> ExitCode() const;
  // Ends the process (the program has no way to quit by the user's hand) and waits until it
  // is gone; true when it is gone.
  bool End();

 private:
  LaunchedProgram(platform::win32::UniqueHandle process, DWORD pid)
      : process_(std::move(process)), pid_(pid) {}

  platform::win32::UniqueHandle process_;
  DWORD pid_ = 0;
};

}  // namespace lanqi::e2e
