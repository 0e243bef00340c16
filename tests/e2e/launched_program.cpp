#include "tests/e2e/launched_program.hpp"

#include <string>

#include "tests/e2e/poll.hpp"

namespace lanqi::e2e {

std::optional<LaunchedProgram> LaunchedProgram::Start(
    const std::filesystem::path& exe, const std::optional<std::filesystem::path>& startFolder,
    const std::wstring& arguments) {
  std::wstring commandLine = L"\"" + exe.wstring() + L"\"";
  if (!arguments.empty()) commandLine += L" " + arguments;
  const std::wstring folder = startFolder.value_or(exe.parent_path()).wstring();
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info{};
  if (!CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                      folder.c_str(), &startup, &info)) {
    return std::nullopt;
  }
  platform::win32::UniqueHandle thread(info.hThread);
  return LaunchedProgram(platform::win32::UniqueHandle(info.hProcess), info.dwProcessId);
}

bool LaunchedProgram::IsRunning() const {
  return process_ && WaitForSingleObject(process_.get(), 0) == WAIT_TIMEOUT;
}

std::optional<DWORD> LaunchedProgram::ExitCode() const {
  DWORD code = 0;
  if (!process_ || IsRunning() || !GetExitCodeProcess(process_.get(), &code)) return std::nullopt;
  return code;
}

bool LaunchedProgram::End() {
  if (!process_) return true;
  if (IsRunning()) TerminateProcess(process_.get(), 1);
  const DWORD wait = static_cast<DWORD>(kStateDeadline.count());
  return WaitForSingleObject(process_.get(), wait) == WAIT_OBJECT_0;
}

}  // namespace lanqi::e2e
