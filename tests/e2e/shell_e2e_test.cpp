// The offset box with its file beside the exe, and the start-at-logon button with its registry
// value, driven through the real window as a person would.

#include <windows.h>

#include <cstdint>
#include <cstdlib>
#include <cwctype>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>

#include "platform/win32/control_ids.hpp"
#include "tests/e2e/clock_line.hpp"
#include "tests/e2e/e2e_fixture.hpp"
#include "tests/e2e/launched_program.hpp"
#include "tests/e2e/poll.hpp"
#include "tests/e2e/scenario_folder.hpp"
#include "tests/e2e/system_state.hpp"
#include "tests/e2e/wide_text.hpp"
#include "tests/e2e/window_access.hpp"
#include "tests/e2e/wine_tray.hpp"

namespace lanqi::e2e {
namespace {
namespace ids = platform::win32;
namespace fs = std::filesystem;

constexpr wchar_t kRunKey[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr wchar_t kRunValue[] = L"LanqiClockGuard";

std::string FileText(const std::filesystem::path& path) {
  const auto bytes = ReadFileBytes(path);
  return bytes ? std::string(bytes->begin(), bytes->end()) : "<no file>";
}

// The program's entry lives in the 32-bit view of HKLM\SOFTWARE, where the program has always
// kept it; this 64-bit test would see the 64-bit view by default.
constexpr REGSAM k32 = KEY_WOW64_32KEY;
constexpr REGSAM k64 = KEY_WOW64_64KEY;

bool SetRunValue(const std::wstring& data, REGSAM view = k32) {
  return WriteRegistryString(HKEY_LOCAL_MACHINE, kRunKey, kRunValue, data, view);
}

void RemoveRunValue() {
  DeleteRegistryValue(HKEY_LOCAL_MACHINE, kRunKey, kRunValue, k32);
  DeleteRegistryValue(HKEY_LOCAL_MACHINE, kRunKey, kRunValue, k64);
}

// A control's text in UTF-8 for failure messages.
std::string ControlTextOf(HWND main, int id) {
  return Utf8(ReadWindowText(GetDlgItem(main, id)).value_or(L"<unreadable>"));
}

std::wstring Lower(std::wstring text) {
  for (wchar_t& c : text) c = static_cast<wchar_t>(std::towlower(c));
  return text;
}

// Each scenario starts with no Run value and leaves none behind for the scenarios after it.
class OffsetAndAutostart : public ClockGuardScenario {
 protected:
  void SetUp() override {
    RemoveRunValue();
    ClockGuardScenario::SetUp();
  }
  void TearDown() override {
    ClockGuardScenario::TearDown();
    RemoveRunValue();
  }

  bool WaitForText(int id, const std::wstring& text) {
    return PollUntil([&] { return Program().ControlText(id) == text; }, kStateDeadline);
  }
  bool WaitForFile(const std::string& text) {
    return PollUntil([&] { return FileText(Program().OffsetFile()) == text; }, kStateDeadline);
  }
  void Click(int id) { ASSERT_TRUE(Program().ClickButton(id)); }
  // The system-time line read as a time; nothing while it cannot be read or is not yet filled.
  std::optional<std::int64_t> SystemTimeShown() {
    const auto line = Program().ControlText(ids::kId标签5);
    if (!line) return std::nullopt;
    const auto reading = ParseClockLine(*line, L"系统时间：");
    if (!reading) return std::nullopt;
    return reading->LinearSeconds();
  }
  // Waits for the box, checks its title and text and that the clock display goes on while it
  // waits for OK, then presses OK.
  void AnswerMessageBox(const std::wstring& text, const std::wstring& title) {
    const auto box = PollFor(
        [&]() -> std::optional<MessageBoxSeen> {
          const auto boxes = Program().MessageBoxes();
          if (boxes.empty()) return std::nullopt;
          return boxes.front();
        },
        kStateDeadline);
    ASSERT_TRUE(box.has_value()) << "no message box for " << Utf8(text);
    EXPECT_EQ(Utf8(box->text), Utf8(text));
    EXPECT_EQ(Utf8(box->title), Utf8(title));
    // While the box is open the caption has not changed yet.
    EXPECT_TRUE(Program().ControlText(ids::kId按钮3).has_value());
    captionWhileBoxOpen_ = Program().ControlText(ids::kId按钮3).value_or(L"");
    // The box's modal loop runs on the window's thread; the display timer's ticks and the calls
    // of its workers must go on through it.
    std::optional<std::int64_t> first;
    ASSERT_TRUE(PollUntil([&] { return (first = SystemTimeShown()).has_value(); }, kStateDeadline))
        << TextOf(ids::kId标签5);
    EXPECT_TRUE(PollUntil(
        [&] {
          const auto now = SystemTimeShown();
          return now && *now > *first;
        },
        kStateDeadline))
        << "the system-time line stood still while the box was open: " << TextOf(ids::kId标签5);
    EXPECT_FALSE(Program().MessageBoxes().empty());
    ASSERT_TRUE(PressOk(*box));
    ASSERT_TRUE(PollUntil([&] { return Program().MessageBoxes().empty(); }, kStateDeadline));
  }
  std::wstring captionWhileBoxOpen_;
};

TEST_F(OffsetAndAutostart, NoFileGivesZeroInTheBoxAndAOneByteFile) {
  EXPECT_TRUE(WaitForText(ids::kId编辑框2, L"0")) << TextOf(ids::kId编辑框2);
  EXPECT_TRUE(WaitForFile("0")) << FileText(Program().OffsetFile());
}

TEST_F(OffsetAndAutostart, StepButtonsChangeTheBoxAndTheFile) {
  ASSERT_TRUE(WaitForFile("0"));
  Click(ids::kId按钮2);
  ASSERT_TRUE(WaitForText(ids::kId编辑框2, L"1"));
  Click(ids::kId按钮2);
  EXPECT_TRUE(WaitForText(ids::kId编辑框2, L"2")) << TextOf(ids::kId编辑框2);
  EXPECT_TRUE(WaitForFile("2")) << FileText(Program().OffsetFile());
  for (const wchar_t* expected : {L"1", L"0", L"-1"}) {
    Click(ids::kId按钮1);
    ASSERT_TRUE(WaitForText(ids::kId编辑框2, expected)) << TextOf(ids::kId编辑框2);
  }
  EXPECT_TRUE(WaitForFile("-1")) << FileText(Program().OffsetFile());
}

TEST_F(OffsetAndAutostart, TypedLettersBecomeZeroAndAPastedNumberStays) {
  HWND box = Program().Control(ids::kId编辑框2);
  ASSERT_NE(box, nullptr);
  Click(ids::kId按钮2);
  ASSERT_TRUE(WaitForFile("1"));
  // Select all, then type a, b, c. Each key is handled before the next is sent, so the paste
  // below cannot overtake a key still in the queue.
  DWORD_PTR ignored = 0;
  ASSERT_TRUE(SendMessageTimeoutW(box, EM_SETSEL, 0, -1, SMTO_ABORTIFHUNG, 5000, &ignored));
  for (wchar_t c : std::wstring(L"abc")) {
    ASSERT_TRUE(SendMessageTimeoutW(box, WM_CHAR, c, 1, SMTO_ABORTIFHUNG, 5000, &ignored));
  }
  EXPECT_TRUE(WaitForText(ids::kId编辑框2, L"0")) << TextOf(ids::kId编辑框2);
  EXPECT_TRUE(WaitForFile("0")) << FileText(Program().OffsetFile());
  // A paste replaces the whole content at once.
  ASSERT_TRUE(SendMessageTimeoutW(box, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"-300"),
                                  SMTO_ABORTIFHUNG, 5000, &ignored));
  EXPECT_TRUE(WaitForText(ids::kId编辑框2, L"-300")) << TextOf(ids::kId编辑框2);
  EXPECT_TRUE(WaitForFile("-300")) << FileText(Program().OffsetFile());
}

// Keys sent one at a time, as a keyboard does, with the caret left where the box put it. A
// rewrite of the box must leave the caret after what was typed, and a number must be enterable
// starting with its sign.
TEST_F(OffsetAndAutostart, KeysTypedOneByOneBuildTheNumber) {
  HWND box = Program().Control(ids::kId编辑框2);
  ASSERT_NE(box, nullptr);
  ASSERT_TRUE(WaitForFile("0"));
  enum class Start { CaretAtEnd, AllSelected };
  const struct {
    Start start;
    std::wstring keys;  // \b is Backspace
    std::wstring shown;
  } rows[] = {
      {Start::CaretAtEnd, L"53", L"53"},        // "05" becomes "5", then the 3 goes after it
      {Start::AllSelected, L"-5", L"-5"},       // the lone "-" waits for its digits
      {Start::AllSelected, L"12x3", L"123"},    // "12x" becomes "12", the 3 goes after it
      {Start::CaretAtEnd, L"\b\b\b-7", L"-7"},  // emptied, then a negative number
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(Utf8(row.keys));
    DWORD_PTR length = 0, ignored = 0;
    ASSERT_TRUE(SendMessageTimeoutW(box, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 5000, &length));
    // All selected, or the caret alone after the last character, as a click there leaves it.
    const WPARAM from = row.start == Start::AllSelected ? 0 : length;
    ASSERT_TRUE(
        SendMessageTimeoutW(box, EM_SETSEL, from, length, SMTO_ABORTIFHUNG, 5000, &ignored));
    for (wchar_t key : row.keys) {
      ASSERT_TRUE(SendMessageTimeoutW(box, WM_CHAR, key, 1, SMTO_ABORTIFHUNG, 5000, &ignored));
    }
    EXPECT_TRUE(WaitForText(ids::kId编辑框2, row.shown)) << TextOf(ids::kId编辑框2);
    EXPECT_TRUE(WaitForFile(Utf8(row.shown))) << FileText(Program().OffsetFile());
  }
}

TEST_F(OffsetAndAutostart, ButtonAddsThenRemovesTheRunValueWithTheExePath) {
  ASSERT_TRUE(WaitForText(ids::kId按钮3, L"设置开机启动")) << TextOf(ids::kId按钮3);
  Click(ids::kId按钮3);
  AnswerMessageBox(L"添加成功！", L"成功");
  EXPECT_EQ(Utf8(captionWhileBoxOpen_), Utf8(L"设置开机启动"));
  EXPECT_TRUE(WaitForText(ids::kId按钮3, L"取消开机启动")) << TextOf(ids::kId按钮3);
  const auto data = ReadRegistryString(HKEY_LOCAL_MACHINE, kRunKey, kRunValue, k32);
  ASSERT_TRUE(data.has_value());
  EXPECT_FALSE(ReadRegistryString(HKEY_LOCAL_MACHINE, kRunKey, kRunValue, k64).has_value());
  const std::wstring exe = (Program().Folder() / ExeUnderTest().filename()).wstring();
  // The scenario folder's name holds a blank: the value is a quoted command line.
  ASSERT_NE(exe.find(L' '), std::wstring::npos);
  EXPECT_EQ(Utf8(Lower(*data)), Utf8(L"\"" + Lower(exe) + L"\""));  // drive-letter form

  Click(ids::kId按钮3);
  AnswerMessageBox(L"取消成功！", L"成功");
  EXPECT_TRUE(WaitForText(ids::kId按钮3, L"设置开机启动")) << TextOf(ids::kId按钮3);
  EXPECT_FALSE(ReadRegistryString(HKEY_LOCAL_MACHINE, kRunKey, kRunValue, k32).has_value());
}

TEST_F(OffsetAndAutostart, RemovingAValueDeletedBehindItsBackFailsAndKeepsTheCaption) {
  Click(ids::kId按钮3);
  AnswerMessageBox(L"添加成功！", L"成功");
  ASSERT_TRUE(WaitForText(ids::kId按钮3, L"取消开机启动"));
  RemoveRunValue();
  ASSERT_FALSE(ReadRegistryString(HKEY_LOCAL_MACHINE, kRunKey, kRunValue, k32).has_value());
  Click(ids::kId按钮3);
  AnswerMessageBox(L"取消失败！", L"失败");
  // Give a wrongly changed caption the time to show before checking it did not change.
  EXPECT_FALSE(PollUntil([&] { return Program().ControlText(ids::kId按钮3) != L"取消开机启动"; },
                         Milliseconds(1000)))
      << TextOf(ids::kId按钮3);
}

// A value there before start, whatever its data, makes the button offer to remove it.
class AutostartValueAtStart : public OffsetAndAutostart {
 protected:
  void SetUp() override {
    ASSERT_TRUE(SetRunValue(L""));
    ClockGuardScenario::SetUp();
  }
};

TEST_F(AutostartValueAtStart, ButtonReadsRemove) {
  EXPECT_TRUE(WaitForText(ids::kId按钮3, L"取消开机启动")) << TextOf(ids::kId按钮3);
}

// The same value made the way a 32-bit installer or the 32-bit build makes it, with reg.exe in
// its 32-bit view: the program sees that entry as its own.
class AutostartValueFromReg32 : public OffsetAndAutostart {
 protected:
  void SetUp() override {
    RemoveRunValue();
    std::wstring command =
        L"reg.exe add \"HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run\" /v "
        L"LanqiClockGuard /d x /f /reg:32";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    ASSERT_TRUE(CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW,
                               nullptr, nullptr, &startup, &info));
    platform::win32::UniqueHandle process(info.hProcess);
    platform::win32::UniqueHandle thread(info.hThread);
    ASSERT_EQ(WaitForSingleObject(process.get(), 30000), WAIT_OBJECT_0);
    DWORD code = 1;
    GetExitCodeProcess(process.get(), &code);
    ASSERT_EQ(code, 0u);
    ASSERT_EQ(ReadRegistryString(HKEY_LOCAL_MACHINE, kRunKey, kRunValue, k32), L"x");
    ClockGuardScenario::SetUp();
  }
};

TEST_F(AutostartValueFromReg32, ButtonReadsRemoveAndRemovesIt) {
  EXPECT_TRUE(WaitForText(ids::kId按钮3, L"取消开机启动")) << TextOf(ids::kId按钮3);
  Click(ids::kId按钮3);
  AnswerMessageBox(L"取消成功！", L"成功");
  EXPECT_FALSE(ReadRegistryString(HKEY_LOCAL_MACHINE, kRunKey, kRunValue, k32).has_value());
}

// A value only in the 64-bit view is not the program's entry.
class AutostartValueOnlyIn64BitView : public OffsetAndAutostart {
 protected:
  void SetUp() override {
    RemoveRunValue();
    ASSERT_TRUE(SetRunValue(L"x", k64));
    ClockGuardScenario::SetUp();
  }
};

TEST_F(AutostartValueOnlyIn64BitView, ButtonReadsAdd) {
  EXPECT_TRUE(WaitForText(ids::kId按钮3, L"设置开机启动")) << TextOf(ids::kId按钮3);
}

// A 时差.ini placed beside the exe before it starts.
TEST(OffsetFileAtStart, StoredNumberShowsInTheBox) {
  const int trayIconsBefore = VisibleTrayIconCount();
  auto folder = ScenarioFolder::Create(ExeUnderTest());
  ASSERT_TRUE(folder.has_value());
  {
    HANDLE file = CreateFileW((folder->Folder() / L"时差.ini").c_str(), GENERIC_WRITE, 0, nullptr,
                              CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    DWORD written = 0;
    WriteFile(file, "-300", 4, &written, nullptr);
    CloseHandle(file);
    ASSERT_EQ(written, 4u);
  }
  auto program = LaunchedProgram::Start(folder->Exe());
  ASSERT_TRUE(program.has_value());
  EXPECT_NE(WaitForShownMainWindow(program->Pid(),
                                   [](HWND main) {
                                     HWND box = GetDlgItem(main, ids::kId编辑框2);
                                     return box != nullptr && ReadWindowText(box) == L"-300";
                                   }),
            nullptr);
  EXPECT_EQ(FileText(folder->Folder() / L"时差.ini"), "-300");
  EXPECT_TRUE(program->End());
  // The next scenario counts tray icons against the same baseline.
  PollUntil([&] { return VisibleTrayIconCount() <= trayIconsBefore; }, kStateDeadline);
}

// A 时差.ini the user has hidden stays hidden when the program saves a new offset into it.
TEST(OffsetFileAtStart, HiddenFileStaysHiddenAfterASave) {
  const int trayIconsBefore = VisibleTrayIconCount();
  auto folder = ScenarioFolder::Create(ExeUnderTest());
  ASSERT_TRUE(folder.has_value());
  const fs::path file = folder->Folder() / L"时差.ini";
  { std::ofstream(file, std::ios::binary) << "5"; }
  ASSERT_TRUE(SetFileAttributesW(file.c_str(), FILE_ATTRIBUTE_HIDDEN));
  auto program = LaunchedProgram::Start(folder->Exe());
  ASSERT_TRUE(program.has_value());
  HWND main = WaitForShownMainWindow(program->Pid(), [](HWND main) {
    return ReadWindowText(GetDlgItem(main, ids::kId编辑框2)) == L"5";
  });
  ASSERT_NE(main, nullptr);
  ASSERT_TRUE(Click(GetDlgItem(main, ids::kId按钮2)));  // "+1s"
  // The click saves twice (the box's change, then the step itself): wait for the end state, the
  // new content in the hidden file and no temporary file beside it.
  auto hidden = [&] {
    const DWORD attributes = GetFileAttributesW(file.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_HIDDEN);
  };
  auto entries = [&] {
    return std::distance(fs::directory_iterator(folder->Folder()), fs::directory_iterator());
  };
  EXPECT_TRUE(PollUntil([&] { return FileText(file) == "6" && hidden() && entries() == 2; },
                        kStateDeadline))
      << FileText(file) << " hidden " << hidden() << " entries " << entries();
  EXPECT_TRUE(program->End());
  PollUntil([&] { return VisibleTrayIconCount() <= trayIconsBefore; }, kStateDeadline);
}

// A 时差.ini that another program holds without any sharing while the program starts and for a
// while after (a backup, sync or security program at logon) keeps the user's offset: the program
// runs with 0 and writes nothing over the file, not when it gives up reading and not at log-off.
TEST(OffsetFileAtStart, FileHeldAtStartKeepsItsOffsetThroughLogOff) {
  const int trayIconsBefore = VisibleTrayIconCount();
  auto folder = ScenarioFolder::Create(ExeUnderTest());
  ASSERT_TRUE(folder.has_value());
  const fs::path file = folder->Folder() / L"时差.ini";
  { std::ofstream(file, std::ios::binary) << "30"; }
  HANDLE held = CreateFileW(file.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  auto program = LaunchedProgram::Start(folder->Exe());
  ASSERT_TRUE(program.has_value());
  // The window comes once the program has given up reading the file.
  HWND main = WaitForShownMainWindow(program->Pid(), [](HWND main) {
    return ReadWindowText(GetDlgItem(main, ids::kId编辑框2)) == L"0";
  });
  EXPECT_NE(main, nullptr);
  // Held some seconds longer, while the program runs on, then let go: the offset comes back.
  Sleep(3000);
  CloseHandle(held);
  ASSERT_NE(main, nullptr);
  EXPECT_TRUE(PollUntil([&] { return ReadWindowText(GetDlgItem(main, ids::kId编辑框2)) == L"30"; },
                        kStateDeadline))
      << Utf8(ReadWindowText(GetDlgItem(main, ids::kId编辑框2)).value_or(L"?"));

  // Log-off: the session asks, then ends; the program saves on its way out.
  DWORD_PTR answer = 0;
  SendMessageTimeoutW(main, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF, SMTO_ABORTIFHUNG, 5000,
                      &answer);
  SendMessageTimeoutW(main, WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF, SMTO_ABORTIFHUNG, 5000,
                      &answer);
  EXPECT_TRUE(PollUntil([&] { return !program->IsRunning(); }, kStateDeadline));
  EXPECT_EQ(FileText(file), "30");
  EXPECT_EQ(std::distance(fs::directory_iterator(folder->Folder()), fs::directory_iterator()), 2)
      << "a temporary file was left beside the exe";
  EXPECT_TRUE(program->End());
  PollUntil([&] { return VisibleTrayIconCount() <= trayIconsBefore; }, kStateDeadline);
}

// A folder its user owns (under Wine every folder is) lets that user's unelevated programs
// change the elevated one: one warning in the log, and a second name planted for 时差.ini (a hard
// link, say to a system file) keeps its content when the program saves: the file is replaced,
// not written through.
TEST(OffsetFileAtStart, FolderItsUserOwnsWarnsAndBreaksHardLinks) {
  const int trayIconsBefore = VisibleTrayIconCount();
  auto folder = ScenarioFolder::Create(ExeUnderTest());
  ASSERT_TRUE(folder.has_value());
  const fs::path file = folder->Folder() / L"时差.ini";
  const fs::path planted = folder->Folder() / L"planted.dll";
  { std::ofstream(file, std::ios::binary) << "5"; }
  ASSERT_TRUE(CreateHardLinkW(planted.c_str(), file.c_str(), nullptr)) << GetLastError();

  auto program = LaunchedProgram::Start(folder->Exe());
  ASSERT_TRUE(program.has_value());
  const std::wstring warning = kOpenFolderWarning;
  HWND main = WaitForShownMainWindow(program->Pid(), [&](HWND main) {
    return ReadWindowText(GetDlgItem(main, ids::kId编辑框2)) == L"5" &&
           ReadWindowText(GetDlgItem(main, ids::kId编辑框1))
                   .value_or(L"")
                   .find(L"系统初始化成功") != std::wstring::npos;
  });
  ASSERT_NE(main, nullptr);
  const std::wstring log = ReadWindowText(GetDlgItem(main, ids::kId编辑框1)).value_or(L"");
  const std::size_t at = log.find(warning);
  EXPECT_NE(at, std::wstring::npos) << Utf8(log);
  EXPECT_EQ(log.find(warning, at + 1), std::wstring::npos) << Utf8(log);

  ASSERT_TRUE(Click(GetDlgItem(main, ids::kId按钮2)));  // "+1s"
  EXPECT_TRUE(PollUntil([&] { return FileText(file) == "6"; }, kStateDeadline)) << FileText(file);
  EXPECT_EQ(FileText(planted), "5");
  EXPECT_TRUE(program->End());
  PollUntil([&] { return VisibleTrayIconCount() <= trayIconsBefore; }, kStateDeadline);
}

// Two copies from one folder, as two sessions' logons start them: the steps made in one show in
// the other's box, and both hold the clock to the same correct time. (Wine refuses to set the
// clock, so two copies that disagreed would only show in their logs; the native two-copies test
// shows that they never set it back and forth.)
TEST(OffsetFileShared, StepsInOneCopyShowInTheOtherAndBothAgreeOnTheCorrectTime) {
  const int trayIconsBefore = VisibleTrayIconCount();
  auto folder = ScenarioFolder::Create(ExeUnderTest());
  ASSERT_TRUE(folder.has_value());
  const fs::path file = folder->Folder() / L"时差.ini";
  auto boxShows = [](const wchar_t* text) {
    return [text](HWND main) { return ReadWindowText(GetDlgItem(main, ids::kId编辑框2)) == text; };
  };
  auto first = LaunchedProgram::Start(folder->Exe());
  ASSERT_TRUE(first.has_value());
  HWND firstMain = WaitForShownMainWindow(first->Pid(), boxShows(L"0"));
  ASSERT_NE(firstMain, nullptr);
  auto second = LaunchedProgram::Start(folder->Exe());
  ASSERT_TRUE(second.has_value());
  HWND secondMain = WaitForShownMainWindow(second->Pid(), boxShows(L"0"));
  ASSERT_NE(secondMain, nullptr);

  for (const wchar_t* shown : {L"1", L"2", L"3"}) {
    ASSERT_TRUE(Click(GetDlgItem(firstMain, ids::kId按钮2)));  // "+1s"
    ASSERT_TRUE(PollUntil([&] { return boxShows(shown)(firstMain); }, kStateDeadline));
  }
  EXPECT_TRUE(PollUntil([&] { return boxShows(L"3")(secondMain); }, kStateDeadline))
      << Utf8(ReadWindowText(GetDlgItem(secondMain, ids::kId编辑框2)).value_or(L"?"));
  auto correctTime = [](HWND main) -> std::optional<std::int64_t> {
    const auto line = ReadWindowText(GetDlgItem(main, ids::kId标签2));
    const auto reading = line ? ParseClockLine(*line, L"正确时间：") : std::nullopt;
    if (!reading) return std::nullopt;
    return reading->LinearSeconds();
  };
  auto beijingTime = [](HWND main) -> std::optional<std::int64_t> {
    const auto line = ReadWindowText(GetDlgItem(main, ids::kId标签1));
    const auto reading = line ? ParseClockLine(*line, L"北京时间：") : std::nullopt;
    if (!reading) return std::nullopt;
    return reading->LinearSeconds();
  };
  // Both lines are read a moment apart, and each moves on once a second.
  EXPECT_TRUE(PollUntil(
      [&] {
        const auto a = correctTime(firstMain), b = correctTime(secondMain);
        const auto standard = beijingTime(secondMain);
        return a && b && standard && std::llabs(*a - *b) <= 1 &&
               std::llabs(*b - *standard - 3) <= 1;
      },
      kStateDeadline))
      << ControlTextOf(firstMain, ids::kId标签2) << " / "
      << ControlTextOf(secondMain, ids::kId标签2) << " / "
      << ControlTextOf(secondMain, ids::kId标签1);
  EXPECT_EQ(FileText(file), "3");
  EXPECT_TRUE(second->End());
  EXPECT_TRUE(first->End());
  EXPECT_EQ(FileText(file), "3");
  PollUntil([&] { return VisibleTrayIconCount() <= trayIconsBefore; }, kStateDeadline);
}

}  // namespace
}  // namespace lanqi::e2e
