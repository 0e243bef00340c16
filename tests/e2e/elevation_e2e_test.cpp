// A start that cannot get administrator rights ends with one message instead of starting copy
// after copy of itself. Under Wine every process is elevated; with advpack.dll unavailable the
// rights check fails all the same, as it does on a Windows where IsNTAdmin cannot be loaded, and
// every further elevation request would start another copy that fails it too.

#include <windows.h>

#include <algorithm>
#include <chrono>
#include <iterator>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "tests/e2e/e2e_fixture.hpp"
#include "tests/e2e/launched_program.hpp"
#include "tests/e2e/message_boxes.hpp"
#include "tests/e2e/poll.hpp"
#include "tests/e2e/process_list.hpp"
#include "tests/e2e/scenario_folder.hpp"
#include "tests/e2e/system_state.hpp"
#include "tests/e2e/wide_text.hpp"

namespace lanqi::e2e {
namespace {
namespace fs = std::filesystem;

// A copy that asked again would start within a few hundred milliseconds; watching this long
// after the message appeared would see several.
constexpr Milliseconds kWatchAfterMessage{5000};

// Wine's per-program DLL override: an empty value disables the DLL, so LoadLibrary fails.
// (Under Wine 8 the loader of a program started with CreateProcessW follows the registry's
// overrides, not a WINEDLLOVERRIDES set by this process.)
class AdvpackUnavailableForTheProgram {
 public:
  explicit AdvpackUnavailableForTheProgram(const std::wstring& exeName)
      : key_(L"Software\\Wine\\AppDefaults\\" + exeName + L"\\DllOverrides"),
        ok_(WriteRegistryString(HKEY_CURRENT_USER, key_, L"advpack", L"")) {}
  ~AdvpackUnavailableForTheProgram() { RegDeleteTreeW(HKEY_CURRENT_USER, key_.c_str()); }
  bool ok() const { return ok_; }

 private:
  std::wstring key_;
  bool ok_;
};

// Every process of the exe seen while it lives; it ends those still running when it goes.
class CopiesSeen {
 public:
  explicit CopiesSeen(fs::path exe) : exe_(std::move(exe)) {}
  ~CopiesSeen() {
    for (DWORD pid : pids_) EndProcess(pid);
  }
  void Add(DWORD pid) { pids_.insert(pid); }
  void Look() {
    for (DWORD pid : ProcessesRunning(exe_)) pids_.insert(pid);
  }
  const std::set<DWORD>& Pids() const { return pids_; }
  // The message boxes of every copy seen.
  std::vector<MessageBoxSeen> Boxes() const {
    std::vector<MessageBoxSeen> boxes;
    for (DWORD pid : pids_)
      std::ranges::copy(VisibleMessageBoxesOf(pid), std::back_inserter(boxes));
    return boxes;
  }

 private:
  fs::path exe_;
  std::set<DWORD> pids_;
};

TEST(Elevation, WithoutTheRightsCheckOneMessageAndNoChainOfCopies) {
  auto folder = ScenarioFolder::Create(ExeUnderTest());
  ASSERT_TRUE(folder.has_value());
  const AdvpackUnavailableForTheProgram noAdvpack(folder->Exe().filename().wstring());
  ASSERT_TRUE(noAdvpack.ok());
  CopiesSeen copies(folder->Exe());
  auto program = LaunchedProgram::Start(folder->Exe());
  ASSERT_TRUE(program.has_value());
  copies.Add(program->Pid());

  std::vector<MessageBoxSeen> shown;
  ASSERT_TRUE(PollUntil(
      [&] {
        copies.Look();
        shown = copies.Boxes();
        return !shown.empty();
      },
      kStartDeadline))
      << "no message box; copies seen: " << copies.Pids().size() << ", first exit code "
      << (program->ExitCode() ? std::to_string(*program->ExitCode()) : "none (running)");
  EXPECT_EQ(Utf8(shown[0].text),
            Utf8(L"钟卫需要管理员权限才能守护您的系统时间，请以管理员身份运行！"));
  EXPECT_EQ(Utf8(shown[0].title), Utf8(L"岚栖钟卫"));

  // The copies are counted over the whole watch, not at its end: a loop's copies come and go.
  std::set<HWND> boxes;
  const auto watchEnd = std::chrono::steady_clock::now() + kWatchAfterMessage;
  while (std::chrono::steady_clock::now() < watchEnd) {
    copies.Look();
    for (const MessageBoxSeen& box : copies.Boxes()) boxes.insert(box.dialog);
    std::this_thread::sleep_for(kPollInterval);
  }
  EXPECT_LE(copies.Pids().size(), 2u) << "the program went on starting copies of itself";
  EXPECT_EQ(boxes.size(), 1u);

  // OK ends the program, and it leaves no offset file: it never read one.
  ASSERT_TRUE(PressOk(shown[0]));
  EXPECT_TRUE(PollUntil([&] { return ProcessesRunning(folder->Exe()).empty(); }, kStateDeadline))
      << "a copy still runs after OK";
  EXPECT_TRUE(PollUntil([&] { return program->ExitCode().has_value(); }, kStateDeadline));
  EXPECT_EQ(program->ExitCode().value_or(99), 0u);
  EXPECT_FALSE(fs::exists(folder->Folder() / L"时差.ini"));
}

}  // namespace
}  // namespace lanqi::e2e
