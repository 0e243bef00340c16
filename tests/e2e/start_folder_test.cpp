// Started from another folder (a shortcut's "start in", a command prompt elsewhere), with or
// without arguments, or from the root of a drive, the program works in its own folder.

#include <windows.h>

#include <cwctype>
#include <filesystem>
#include <optional>
#include <string>
#include <system_error>

#include "platform/win32/control_ids.hpp"
#include "tests/e2e/clock_guard_driver.hpp"
#include "tests/e2e/e2e_fixture.hpp"
#include "tests/e2e/launched_program.hpp"
#include "tests/e2e/poll.hpp"
#include "tests/e2e/process_directory.hpp"
#include "tests/e2e/scenario_folder.hpp"
#include "tests/e2e/wide_text.hpp"
#include "tests/e2e/window_access.hpp"
#include "tests/e2e/wine_tray.hpp"

namespace lanqi::e2e {
namespace {
namespace fs = std::filesystem;
namespace ids = platform::win32;

std::wstring Comparable(std::wstring path) {
  while (!path.empty() && path.back() == L'\\') path.pop_back();
  for (wchar_t& c : path) c = static_cast<wchar_t>(std::towlower(c));
  return path;
}

fs::path WindowsFolder() {
  wchar_t windows[MAX_PATH] = {};
  if (GetWindowsDirectoryW(windows, MAX_PATH) == 0) return {};
  return fs::path(windows);
}

// A drive letter whose root is an empty folder of the test run's own ("Q:"), which run_e2e.sh
// maps in the prefix; empty when none is.
std::wstring SpareDrive() {
  wchar_t value[8] = {};
  const DWORD length = GetEnvironmentVariableW(L"LANQI_E2E_SPARE_DRIVE", value, 8);
  return length == 2 && value[1] == L':' ? std::wstring(value) : std::wstring();
}

// The exe copied into the root of the spare drive, with a subfolder to start it from; the root
// is emptied again when it goes.
class DriveRoot {
 public:
  static std::optional<DriveRoot> Create(const std::wstring& drive, const fs::path& exe) {
    const fs::path root = drive + L"\\";
    std::error_code error;
    fs::create_directory(root / L"sub", error);
    if (error || !fs::copy_file(exe, root / exe.filename(), error) || error) return std::nullopt;
    return DriveRoot(root, root / exe.filename());
  }
  DriveRoot(DriveRoot&& other) noexcept : root_(std::move(other.root_)), exe_(other.exe_) {
    other.root_.clear();
  }
  DriveRoot& operator=(DriveRoot&&) = delete;
  ~DriveRoot() {
    if (root_.empty()) return;
    // An ended process may hold its image file for a moment after it is gone.
    PollUntil(
        [&] {
          std::error_code error;
          bool left = false;
          for (const auto& entry : fs::directory_iterator(root_, error)) {
            std::error_code removing;
            fs::remove_all(entry.path(), removing);
            left = left || removing;
          }
          return !error && !left;
        },
        kStateDeadline);
  }
  const fs::path& Root() const { return root_; }
  const fs::path& Exe() const { return exe_; }

 private:
  DriveRoot(fs::path root, fs::path exe) : root_(std::move(root)), exe_(std::move(exe)) {}
  fs::path root_;
  fs::path exe_;
};

// Starts the exe lying at `exe` from `startFolder` with `arguments`, and checks that it runs as
// a start without arguments from its own folder does: the window is shown with the offset box
// filled, the current directory is the exe's folder, and the offset file is made there and not
// in the folder it was started from.
void ExpectItWorksInItsOwnFolder(const fs::path& exe, const fs::path& startFolder,
                                 const std::wstring& arguments) {
  const int trayIconsBefore = VisibleTrayIconCount();
  auto program = LaunchedProgram::Start(exe, startFolder, arguments);
  ASSERT_TRUE(program.has_value()) << "CreateProcess failed, error " << GetLastError();
  EXPECT_NE(
      WaitForShownMainWindow(
          program->Pid(),
          [](HWND main) { return ReadWindowText(GetDlgItem(main, ids::kId编辑框2)) == L"0"; }),
      nullptr);
  const fs::path folder = exe.parent_path();
  std::wstring seen;
  EXPECT_TRUE(PollUntil(
      [&] {
        seen = CurrentDirectoryOf(program->Pid()).value_or(L"<unreadable>");
        return Comparable(seen) == Comparable(folder.wstring());
      },
      kStateDeadline))
      << "current directory " << Utf8(seen) << ", the exe's folder " << Utf8(folder.wstring());
  EXPECT_TRUE(PollUntil([&] { return fs::exists(folder / kOffsetFileName); }, kStateDeadline));
  EXPECT_FALSE(fs::exists(startFolder / kOffsetFileName));
  EXPECT_TRUE(program->End());
  // The next scenario counts tray icons against the same baseline.
  PollUntil([&] { return VisibleTrayIconCount() <= trayIconsBefore; }, kStateDeadline);
}

TEST(StartFolder, ProgramStartedFromAnotherFolderWorksInItsOwn) {
  ASSERT_FALSE(ExeUnderTest().empty())
      << "set LANQI_E2E_EXE to the Windows path of LanqiClockGuard.exe";
  const fs::path windows = WindowsFolder();
  ASSERT_FALSE(windows.empty());
  const struct {
    const char* name;
    const wchar_t* arguments;
  } cases[] = {
      {"no arguments", L""},
      {"arguments it takes no notice of", L"/autostart --offset=5 \"two words\""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    auto folder = ScenarioFolder::Create(ExeUnderTest());
    ASSERT_TRUE(folder.has_value());
    ExpectItWorksInItsOwnFolder(folder->Exe(), windows, c.arguments);
  }
}

// "Q:" alone names the current directory of drive Q:, which for a program started in Q:\sub is
// that subfolder: the root of a drive must be set as "Q:\".
TEST(StartFolder, ProgramInTheRootOfADriveWorksInTheRoot) {
  const std::wstring drive = SpareDrive();
  if (drive.empty()) GTEST_SKIP() << "no spare drive: run_e2e.sh maps one (LANQI_E2E_SPARE_DRIVE)";
  auto root = DriveRoot::Create(drive, ExeUnderTest());
  ASSERT_TRUE(root.has_value()) << "cannot copy the exe into " << Utf8(drive);
  ExpectItWorksInItsOwnFolder(root->Exe(), root->Root() / L"sub", L"");
}

}  // namespace
}  // namespace lanqi::e2e
