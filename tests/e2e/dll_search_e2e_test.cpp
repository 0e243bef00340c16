// The elevated copy runs from wherever the exe lies, often a Downloads folder that also holds
// whatever else was downloaded. A DLL there named like a system DLL must never be loaded: it
// would run with administrator rights. Wine is told to prefer such "native" DLLs over its own,
// so a program that looked in its own folder would load the planted copies (checked: with
// LoadLibraryW(L"advpack.dll") and no restricted search, the planted copies are loaded).

#include <windows.h>

#include <string>
#include <vector>

#include "platform/win32/control_ids.hpp"
#include "tests/e2e/clock_guard_driver.hpp"
#include "tests/e2e/e2e_fixture.hpp"
#include "tests/e2e/launched_program.hpp"
#include "tests/e2e/poll.hpp"
#include "tests/e2e/scenario_folder.hpp"
#include "tests/e2e/system_state.hpp"
#include "tests/e2e/window_access.hpp"
#include "tests/e2e/wine_tray.hpp"

namespace lanqi::e2e {
namespace {
namespace fs = std::filesystem;
namespace ids = platform::win32;

// DLLs the program loads after its start (advpack for the rights check, comctl32 for the
// controls, winhttp and wininet for the time fetch) and DLLs that system DLLs load on its behalf
// (uxtheme, dwmapi); none of them is a KnownDLL that Windows always takes from the system folder.
// Left out, each for a loader gap of Wine 8 that no program can close:
// - version.dll and imm32.dll: Wine's own user32 imports them, so they are loaded at process
//   start, before the program's first instruction; on Windows user32 is a KnownDLL whose
//   dependencies come from the system folder.
// - msimg32.dll: Wine's uxtheme delay-loads it when it first paints a themed scroll bar, and
//   Wine resolves that delay load with the old search order that starts in the exe's folder,
//   ignoring the restriction the program set.
const std::vector<std::wstring> kPlantedNames = {L"advpack", L"comctl32", L"uxtheme",
                                                 L"winhttp", L"dwmapi",   L"wininet"};

fs::path MarkerDll() {
  wchar_t path[MAX_PATH * 4] = {};
  GetModuleFileNameW(nullptr, path, MAX_PATH * 4);
  return fs::path(path).parent_path() / L"lanqi_marker.dll";
}

// Wine's per-program DLL overrides, "native,builtin" for every planted name, while it lives.
// (Under Wine 8, WINEDLLOVERRIDES set here with SetEnvironmentVariableW was not followed by the
// loader of the program started with CreateProcessW; the registry's overrides are.)
class NativeFirstForTheProgram {
 public:
  explicit NativeFirstForTheProgram(const std::wstring& exeName)
      : key_(L"Software\\Wine\\AppDefaults\\" + exeName + L"\\DllOverrides") {
    for (const std::wstring& name : kPlantedNames) {
      ok_ = ok_ && WriteRegistryString(HKEY_CURRENT_USER, key_, name, L"native,builtin");
    }
  }
  ~NativeFirstForTheProgram() { RegDeleteTreeW(HKEY_CURRENT_USER, key_.c_str()); }
  bool ok() const { return ok_; }

 private:
  std::wstring key_;
  bool ok_ = true;
};

TEST(DllSearch, DllsBesideTheExeAreNotLoaded) {
  const fs::path marker = MarkerDll();
  ASSERT_TRUE(fs::exists(marker)) << Utf8(marker.wstring());
  const int trayIconsBefore = VisibleTrayIconCount();
  auto folder = ScenarioFolder::Create(ExeUnderTest());
  ASSERT_TRUE(folder.has_value());
  for (const std::wstring& name : kPlantedNames) {
    ASSERT_TRUE(fs::copy_file(marker, folder->Folder() / (name + L".dll")));
  }

  const NativeFirstForTheProgram overrides(folder->Exe().filename().wstring());
  ASSERT_TRUE(overrides.ok());
  auto program = LaunchedProgram::Start(folder->Exe());
  ASSERT_TRUE(program.has_value());
  // Started means: the rights check passed (advpack was asked), the window with its controls
  // is shown and the first calibration has begun.
  EXPECT_NE(
      WaitForShownMainWindow(program->Pid(),
                             [](HWND main) {
                               const auto log = ReadWindowText(GetDlgItem(main, ids::kId编辑框1));
                               return log && log->find(L"系统初始化成功") != std::wstring::npos;
                             }),
      nullptr)
      << "the program did not start; exit code "
      << (program->ExitCode() ? std::to_string(*program->ExitCode()) : "none (running)");

  for (const std::wstring& name : kPlantedNames) {
    EXPECT_FALSE(fs::exists(folder->Folder() / (name + L".dll.loaded")))
        << Utf8(name) << ".dll beside the exe was loaded";
  }
  EXPECT_TRUE(program->End());
  PollUntil([&] { return VisibleTrayIconCount() <= trayIconsBefore; }, kStateDeadline);
}

}  // namespace
}  // namespace lanqi::e2e
