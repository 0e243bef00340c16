// Started from another folder (a shortcut's "start in", a command prompt elsewhere), the program
// works in its own folder.

#include <windows.h>

#include <cwctype>
#include <filesystem>
#include <string>

#include "tests/e2e/clock_guard_driver.hpp"
#include "tests/e2e/e2e_fixture.hpp"
#include "tests/e2e/poll.hpp"
#include "tests/e2e/process_directory.hpp"
#include "tests/e2e/wide_text.hpp"

namespace lanqi::e2e {
namespace {

std::wstring Comparable(std::wstring path) {
  while (!path.empty() && path.back() == L'\\') path.pop_back();
  for (wchar_t& c : path) c = static_cast<wchar_t>(std::towlower(c));
  return path;
}

TEST(StartFolder, ProgramStartedFromAnotherFolderWorksInItsOwn) {
  const auto exe = ExeUnderTest();
  ASSERT_FALSE(exe.empty()) << "set LANQI_E2E_EXE to the Windows path of LanqiClockGuard.exe";
  wchar_t windows[MAX_PATH] = {};
  ASSERT_NE(GetWindowsDirectoryW(windows, MAX_PATH), 0u);

  std::string whyNot;
  auto program = ClockGuardDriver::Launch(exe, whyNot, std::filesystem::path(windows));
  ASSERT_TRUE(program.has_value()) << whyNot;
  std::wstring seen;
  EXPECT_TRUE(PollUntil(
      [&] {
        seen = CurrentDirectoryOf(program->Pid()).value_or(L"<unreadable>");
        return Comparable(seen) == Comparable(program->Folder().wstring());
      },
      kStateDeadline))
      << "current directory " << Utf8(seen) << ", the exe's folder "
      << Utf8(program->Folder().wstring());
  // The offset file is made beside the exe, not in the folder it was started from.
  EXPECT_TRUE(
      PollUntil([&] { return std::filesystem::exists(program->OffsetFile()); }, kStateDeadline));
  EXPECT_FALSE(std::filesystem::exists(std::filesystem::path(windows) / L"时差.ini"));
  EXPECT_TRUE(program->End());
}

}  // namespace
}  // namespace lanqi::e2e
