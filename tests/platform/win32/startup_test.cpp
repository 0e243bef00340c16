// What the elevation hands to Windows and what it makes of Windows' answers, recorded through
// stand-ins for IsNTAdmin, CheckTokenMembership, GetTokenInformation, RegGetValueW and
// ShellExecuteExW (Wine's always answer "elevated" and start the program without a prompt); the
// parent process as the real calls find it; and the manifest the exe carries.
#include <gtest/gtest.h>
#include <objbase.h>
#include <windows.h>

#include <cstring>
#include <cwctype>
#include <map>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "platform/start_rights.hpp"
#include "platform/system.hpp"
#include "platform/win32/parent_process.hpp"
#include "platform/win32/unique_handle.hpp"
#include "platform/win32/win32_elevation.hpp"
#include "resources/resource_ids.h"

namespace lanqi {
namespace {

using platform::win32::ElevationCalls;

// What the stand-ins were called with; plain functions cannot capture, so it lives here.
struct Recorded {
  int isNTAdminCalls = 0;
  DWORD isNTAdminFirst = 99;
  bool isNTAdminPointerToZero = false;
  BOOL isNTAdminAnswer = TRUE;

  int membershipCalls = 0;
  HANDLE membershipToken = INVALID_HANDLE_VALUE;
  bool askedForAdministrators = false;
  BOOL memberAnswer = FALSE;

  std::vector<SHELLEXECUTEINFOW> records;
  std::vector<std::wstring> verbs, files;
  std::vector<std::optional<std::wstring>> parameters;
  // What CoInitializeEx(multi-threaded) answered inside ShellExecuteExW.
  std::vector<HRESULT> apartmentDuringCall;

  // GetTokenInformation's answers; RegGetValueW's answer and what it was asked.
  BOOL tokenAnswers = TRUE;
  DWORD tokenIsElevated = 0;
  TOKEN_ELEVATION_TYPE elevationType = TokenElevationTypeDefault;
  LSTATUS policyStatus = ERROR_SUCCESS;
  DWORD enableLua = 1;
  std::wstring policyAsked;

  std::optional<std::wstring> parentImage;
} recorded;

// What CoInitializeEx(multi-threaded) answers on the calling thread, undone again when it entered:
// RPC_E_CHANGED_MODE inside a single-threaded apartment, S_FALSE inside the multi-threaded one,
// S_OK in none.
HRESULT ProbeApartment() {
  const HRESULT result = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
  if (SUCCEEDED(result)) CoUninitialize();
  return result;
}

BOOL WINAPI RecordIsNTAdmin(DWORD reserved, DWORD* reservedPointer) {
  ++recorded.isNTAdminCalls;
  recorded.isNTAdminFirst = reserved;
  recorded.isNTAdminPointerToZero = reservedPointer != nullptr && *reservedPointer == 0;
  return recorded.isNTAdminAnswer;
}

BOOL WINAPI RecordCheckTokenMembership(HANDLE token, PSID group, BOOL* isMember) {
  ++recorded.membershipCalls;
  recorded.membershipToken = token;
  SID_IDENTIFIER_AUTHORITY ntAuthority = SECURITY_NT_AUTHORITY;
  PSID administrators = nullptr;
  AllocateAndInitializeSid(&ntAuthority, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS, 0,
                           0, 0, 0, 0, 0, &administrators);
  recorded.askedForAdministrators = administrators != nullptr && EqualSid(group, administrators);
  FreeSid(administrators);
  *isMember = recorded.memberAnswer;
  return TRUE;
}

BOOL WINAPI RecordShellExecuteEx(SHELLEXECUTEINFOW* record) {
  recorded.records.push_back(*record);
  recorded.verbs.emplace_back(record->lpVerb ? record->lpVerb : L"<null>");
  recorded.files.emplace_back(record->lpFile ? record->lpFile : L"<null>");
  recorded.parameters.push_back(
      record->lpParameters ? std::optional<std::wstring>(record->lpParameters) : std::nullopt);
  recorded.apartmentDuringCall.push_back(ProbeApartment());
  return TRUE;
}

// Answers only the two questions with their own record sizes; any other fails.
BOOL WINAPI RecordGetTokenInformation(HANDLE, TOKEN_INFORMATION_CLASS kind, void* information,
                                      DWORD size, DWORD* needed) {
  *needed = size;
  if (!recorded.tokenAnswers) return FALSE;
  if (kind == TokenElevation && size == sizeof(TOKEN_ELEVATION)) {
    static_cast<TOKEN_ELEVATION*>(information)->TokenIsElevated = recorded.tokenIsElevated;
    return TRUE;
  }
  if (kind != TokenElevationType || size != sizeof(TOKEN_ELEVATION_TYPE)) return FALSE;
  *static_cast<TOKEN_ELEVATION_TYPE*>(information) = recorded.elevationType;
  return TRUE;
}

LSTATUS WINAPI RecordRegGetValue(HKEY key, const wchar_t* subKey, const wchar_t* value, DWORD flags,
                                 DWORD*, void* data, DWORD* size) {
  recorded.policyAsked = std::wstring(key == HKEY_LOCAL_MACHINE ? L"HKLM\\" : L"?\\") + subKey +
                         L" " + value + (flags == RRF_RT_REG_DWORD ? L" DWORD" : L" ?");
  if (recorded.policyStatus == ERROR_SUCCESS) *static_cast<DWORD*>(data) = recorded.enableLua;
  *size = sizeof(DWORD);
  return recorded.policyStatus;
}

std::optional<std::wstring> RecordedParentImage() {
  return recorded.parentImage;
}

std::wstring ModulePath() {
  wchar_t path[MAX_PATH * 4] = {};
  const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH * 4);
  return std::wstring(path, length);
}

struct Win32Elevation : ::testing::Test {
  Win32Elevation() { recorded = Recorded{}; }
  ElevationCalls calls{RecordIsNTAdmin,           RecordCheckTokenMembership, RecordShellExecuteEx,
                       RecordGetTokenInformation, RecordRegGetValue,          RecordedParentImage};
  platform::win32::Win32Elevation elevation{calls};
};

// The program asks with its own exe and no arguments (the first row); the record is the same
// for any file or arguments a caller supplies. The file is named only with the use-file flag.
TEST_F(Win32Elevation, RelaunchAsksWithRunasForTheFileAndArgumentsAsGiven) {
  const struct {
    const char* request;
    std::string file;
    bool useFile;
    std::optional<std::string> parameters;
    std::wstring expectedFile;
    std::optional<std::wstring> expectedParameters;
  } cases[] = {
      // clang-format off
      {"the program's own: its exe, no arguments", "", false, std::nullopt, ModulePath(), std::nullopt},
      {"file given without the flag", "D:\\工具\\别的.exe", false, std::string("/a"), ModulePath(), L"/a"},
      {"supplied file and parameters", "D:\\工具\\别的.exe", true, std::string("/quiet \"时差 文件.ini\""), L"D:\\工具\\别的.exe", L"/quiet \"时差 文件.ini\""},
  };
  // clang-format on
  for (const auto& c : cases) {
    recorded = Recorded{};
    EXPECT_TRUE(elevation.RelaunchElevated(c.file, c.useFile, c.parameters)) << c.request;
    ASSERT_EQ(recorded.records.size(), 1u) << c.request;
    const SHELLEXECUTEINFOW& record = recorded.records[0];
    EXPECT_EQ(record.cbSize, sizeof(SHELLEXECUTEINFOW)) << c.request;
    EXPECT_EQ(record.fMask, 0x100u) << c.request;  // SEE_MASK_NOASYNC: made before the exit
    EXPECT_EQ(recorded.verbs[0], L"runas") << c.request;
    EXPECT_EQ(recorded.files[0], c.expectedFile) << c.request;
    EXPECT_EQ(recorded.parameters[0], c.expectedParameters) << c.request;
    EXPECT_EQ(record.nShow, 10) << c.request;  // SW_SHOWDEFAULT
    EXPECT_EQ(record.hwnd, nullptr) << c.request;
    EXPECT_EQ(record.lpDirectory, nullptr) << c.request;
  }
}

// ShellExecuteExW wants a single-threaded apartment on its thread. The request enters one for
// the call and leaves the thread as it found it: a thread in no apartment is in none again, one
// in a single-threaded apartment stays in it (the S_FALSE entry was matched, so one more
// CoUninitialize leaves it), one in the multi-threaded apartment is left alone.
TEST_F(Win32Elevation, RelaunchRunsInASingleThreadedApartmentAndLeavesTheThreadAsItWas) {
  const struct {
    const char* thread;
    std::optional<DWORD> before;  // the apartment the thread's owner entered
    HRESULT during, after;
  } cases[] = {
      // clang-format off
      {"no apartment", std::nullopt, RPC_E_CHANGED_MODE, S_OK},
      {"single-threaded apartment", COINIT_APARTMENTTHREADED, RPC_E_CHANGED_MODE, RPC_E_CHANGED_MODE},
      {"multi-threaded apartment", COINIT_MULTITHREADED, S_FALSE, S_FALSE},
  };
  // clang-format on
  for (const auto& c : cases) {
    recorded = Recorded{};
    HRESULT after = E_FAIL, afterOwnerLeft = E_FAIL;
    std::thread([&] {
      const bool entered = c.before && SUCCEEDED(CoInitializeEx(nullptr, *c.before));
      elevation.RelaunchElevated("", false, std::nullopt);
      after = ProbeApartment();
      if (entered) CoUninitialize();
      afterOwnerLeft = ProbeApartment();
    }).join();
    ASSERT_EQ(recorded.apartmentDuringCall.size(), 1u) << c.thread;
    EXPECT_EQ(recorded.apartmentDuringCall[0], c.during) << c.thread;
    EXPECT_EQ(after, c.after) << c.thread;
    EXPECT_EQ(afterOwnerLeft, S_OK) << c.thread << ": an apartment was left entered";
  }
}

// The facts behind "asking again cannot help": the token's elevation and elevation type, the UAC
// policy value, and the parent's image. What cannot be asked counts as "not elevated",
// "unknown" and "UAC on" (Windows' default), so the decision falls back to asking once.
TEST_F(Win32Elevation, TokenPolicyAndParentFactsAsWindowsAnswersThem) {
  using Kind = platform::TokenElevationKind;
  const struct {
    BOOL answers;
    DWORD isElevated;
    TOKEN_ELEVATION_TYPE type;
    bool elevated;
    Kind kind;
  } tokens[] = {
      {TRUE, 1, TokenElevationTypeFull, true, Kind::Full},
      {TRUE, 0, TokenElevationTypeLimited, false, Kind::Limited},
      {TRUE, 0, TokenElevationTypeDefault, false, Kind::Default},
      {FALSE, 1, TokenElevationTypeFull, false, Kind::Unknown},
  };
  for (const auto& t : tokens) {
    recorded = Recorded{};
    recorded.tokenAnswers = t.answers;
    recorded.tokenIsElevated = t.isElevated;
    recorded.elevationType = t.type;
    const platform::TokenFacts facts = elevation.ReadTokenFacts();
    EXPECT_EQ(facts.elevated, t.elevated) << t.type << t.answers;
    EXPECT_EQ(facts.kind, t.kind) << t.type << t.answers;
  }

  const struct {
    LSTATUS status;
    DWORD enableLua;
    bool on;
  } policies[] = {
      {ERROR_SUCCESS, 0, false}, {ERROR_SUCCESS, 1, true}, {ERROR_FILE_NOT_FOUND, 0, true}};
  for (const auto& p : policies) {
    recorded = Recorded{};
    recorded.policyStatus = p.status;
    recorded.enableLua = p.enableLua;
    EXPECT_EQ(elevation.ReadTokenFacts().uacPolicyOn, p.on) << p.status << " " << p.enableLua;
    EXPECT_EQ(
        recorded.policyAsked,
        L"HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Policies\\System EnableLUA DWORD");
  }

  std::wstring ownInOtherCase = platform::win32::ProcessImagePath(GetCurrentProcess());
  ASSERT_FALSE(ownInOtherCase.empty());
  for (wchar_t& c : ownInOtherCase)
    c = static_cast<wchar_t>(std::iswupper(c) ? std::towlower(c) : std::towupper(c));
  const struct {
    const char* parent;
    std::optional<std::wstring> image;
    bool startedByThisProgram;
  } parents[] = {
      {"this exe, the path in other case", ownInOtherCase, true},
      {"another exe beside it", ownInOtherCase + L"x", false},
      {"ended or not to be asked", std::nullopt, false},
  };
  for (const auto& p : parents) {
    recorded = Recorded{};
    recorded.parentImage = p.image;
    EXPECT_EQ(elevation.ReadTokenFacts().startedByThisProgram, p.startedByThisProgram) << p.parent;
  }
}

// Paths are compared whole, ignoring case as Windows does for file names, non-ASCII letters too.
TEST(ParentProcess, ImagePathsAreTheSameFileWholeAndIgnoringCase) {
  using platform::win32::SameImagePath;
  const struct {
    const wchar_t *left, *right;
    bool same;
  } cases[] = {
      {L"C:\\Tools\\LanqiClockGuard.exe", L"c:\\tools\\LANQICLOCKGUARD.EXE", true},
      {L"D:\\Ärger\\Σ\\LanqiClockGuard.exe", L"D:\\ärger\\σ\\lanqiclockguard.exe", true},
      {L"C:\\Tools\\LanqiClockGuard.exe", L"C:\\Tools\\LanqiClockGuard.exe.bak", false},
      {L"", L"", false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(SameImagePath(c.left, c.right), c.same) << &c - cases;
  }
}

TEST_F(Win32Elevation, IsNTAdminAndTheEnabledGroupAreEachTakenAsAnswered) {
  for (const BOOL isNTAdmin : {TRUE, FALSE}) {
    for (const BOOL member : {TRUE, FALSE}) {
      recorded.isNTAdminAnswer = isNTAdmin;
      recorded.memberAnswer = member;
      const platform::TokenFacts facts = elevation.ReadTokenFacts();
      EXPECT_EQ(facts.isNTAdmin, isNTAdmin != FALSE) << isNTAdmin << member;
      EXPECT_EQ(facts.administratorsInForce, member != FALSE) << isNTAdmin << member;
    }
  }
  EXPECT_GE(recorded.isNTAdminCalls, 4);
  EXPECT_EQ(recorded.isNTAdminFirst, 0u);
  EXPECT_TRUE(recorded.isNTAdminPointerToZero);
  // The process's own token (null), asked about the builtin Administrators group.
  EXPECT_GE(recorded.membershipCalls, 1);
  EXPECT_EQ(recorded.membershipToken, nullptr);
  EXPECT_TRUE(recorded.askedForAdministrators);
}

// The real calls under Wine: advpack comes from the system folder and a Wine process is elevated.
TEST(Win32ElevationReal, RealCallsFindAnElevatedWineProcess) {
  platform::win32::UniqueHmodule advpack(platform::win32::LoadSystemLibrary(L"advpack.dll"));
  ASSERT_TRUE(advpack);
  EXPECT_NE(GetProcAddress(advpack.get(), "IsNTAdmin"), nullptr);
  const platform::TokenFacts facts = platform::RealSystem().elevation.ReadTokenFacts();
  EXPECT_EQ(platform::DecideStartRights(facts), platform::StartRights::Run);
  EXPECT_TRUE(facts.elevated);
  EXPECT_EQ(facts.kind, platform::TokenElevationKind::Full);
}

constexpr wchar_t kCopyMarker[] = L"LANQI_STARTED_BY_THIS_TEST";

// The real snapshot and image calls: a copy this test binary starts of itself finds its parent
// to be the same executable; the test binary itself, started by Wine's loader or ctest, does not.
// The copy runs this same test, told apart by the variable in its environment.
TEST(Win32ElevationReal, OnlyACopyStartedByThisExeHasItAsItsParent) {
  platform::win32::Win32Elevation elevation;
  if (GetEnvironmentVariableW(kCopyMarker, nullptr, 0) != 0) {
    // The copy; its parent waits for it below.
    EXPECT_TRUE(elevation.ReadTokenFacts().startedByThisProgram);
    return;
  }
  EXPECT_FALSE(elevation.ReadTokenFacts().startedByThisProgram);

  const std::wstring exe = ModulePath();
  std::wstring commandLine =
      L"\"" + exe +
      L"\" --gtest_filter=Win32ElevationReal.OnlyACopyStartedByThisExeHasItAsItsParent";
  ASSERT_TRUE(SetEnvironmentVariableW(kCopyMarker, L"1"));
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info{};
  const BOOL started = CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0,
                                      nullptr, nullptr, &startup, &info);
  SetEnvironmentVariableW(kCopyMarker, nullptr);
  ASSERT_TRUE(started) << GetLastError();
  const platform::win32::UniqueHandle process(info.hProcess), thread(info.hThread);
  ASSERT_EQ(WaitForSingleObject(process.get(), 60000), WAIT_OBJECT_0);
  DWORD exitCode = 99;
  ASSERT_TRUE(GetExitCodeProcess(process.get(), &exitCode));
  EXPECT_EQ(exitCode, 0u) << "the copy did not find this exe as its parent";
}

#ifdef LANQI_EXE_FROM_TESTS
// The built exe beside the tests, opened for its resources only.
platform::win32::UniqueHmodule BuiltExe() {
  std::wstring exe = ModulePath();
  exe.resize(exe.find_last_of(L'\\') + 1);
  for (const char c : std::string(LANQI_EXE_FROM_TESTS)) exe += c == '/' ? L'\\' : wchar_t(c);
  return platform::win32::UniqueHmodule(
      LoadLibraryExW(exe.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE));
}

// The bytes of one resource of the exe; empty when it has none of that type and name.
std::string ResourceBytes(HMODULE module, LPCWSTR name, LPCWSTR type) {
  const HRSRC found = FindResourceW(module, name, type);
  const HGLOBAL loaded = found != nullptr ? LoadResource(module, found) : nullptr;
  if (loaded == nullptr) return {};
  return std::string(static_cast<const char*>(LockResource(loaded)), SizeofResource(module, found));
}

// The exe's manifest: started as the invoker, GDI scaling on, no DPI awareness claimed (the
// window's pixel layout is fixed; GDI scaling draws its text sharp at 125-200 %).
TEST(ExeManifest, AsInvokerWithGdiScalingAndNoDpiAwareness) {
  platform::win32::UniqueHmodule module = BuiltExe();
  ASSERT_TRUE(module) << "cannot open the exe, error " << GetLastError();
  const HRSRC found = FindResourceW(module.get(), MAKEINTRESOURCEW(1), RT_MANIFEST);
  ASSERT_NE(found, nullptr);
  const HGLOBAL loaded = LoadResource(module.get(), found);
  ASSERT_NE(loaded, nullptr);
  const std::string manifest(static_cast<const char*>(LockResource(loaded)),
                             SizeofResource(module.get(), found));
  auto squeeze = [](std::string text) {
    std::erase_if(text, [](char c) { return c == ' ' || c == '\n' || c == '\r' || c == '\t'; });
    return text;
  };
  const std::string compact = squeeze(manifest);
  EXPECT_NE(
      compact.find(squeeze(
          R"(<gdiScaling xmlns="http://schemas.microsoft.com/SMI/2017/WindowsSettings">true</gdiScaling>)")),
      std::string::npos)
      << manifest;
  EXPECT_NE(
      compact.find(
          R"(<applicationxmlns="urn:schemas-microsoft-com:asm.v3"><windowsSettings><gdiScaling)"),
      std::string::npos)
      << manifest;
  EXPECT_NE(compact.find(R"(level="asInvoker")"), std::string::npos) << manifest;
  EXPECT_EQ(manifest.find("dpiAware"), std::string::npos) << manifest;
}

// The icon of the window and the tray holds a 16 x 16 image (tray, title bar) and a 32 x 32 one
// (Alt+Tab, the taskbar at 100 %), each in true colour; further sizes may come beside them.
TEST(ExeIcon, HasA16AndA32ImageInTrueColour) {
#pragma pack(push, 2)
  struct GroupEntry {  // one image in the icon group resource (GRPICONDIRENTRY)
    BYTE width, height, colours, reserved;
    WORD planes, bitCount;
    DWORD bytes;
    WORD id;
  };
#pragma pack(pop)
  platform::win32::UniqueHmodule module = BuiltExe();
  ASSERT_TRUE(module) << "cannot open the exe, error " << GetLastError();
  const std::string group =
      ResourceBytes(module.get(), MAKEINTRESOURCEW(LANQI_ICON_ID), RT_GROUP_ICON);
  ASSERT_GE(group.size(), 6u);
  WORD count = 0;
  std::memcpy(&count, group.data() + 4, sizeof count);
  ASSERT_EQ(group.size(), 6 + count * sizeof(GroupEntry));
  std::map<int, WORD> bitsBySize;  // from the image itself, not only from the group's entry
  for (WORD i = 0; i < count; ++i) {
    GroupEntry entry{};
    std::memcpy(&entry, group.data() + 6 + i * sizeof entry, sizeof entry);
    const std::string image = ResourceBytes(module.get(), MAKEINTRESOURCEW(entry.id), RT_ICON);
    SCOPED_TRACE(entry.width);
    ASSERT_GE(image.size(), sizeof(BITMAPINFOHEADER));
    if (image.compare(0, 4, "\x89PNG") == 0) continue;  // large sizes may be stored as PNG
    BITMAPINFOHEADER header{};
    std::memcpy(&header, image.data(), sizeof header);
    EXPECT_EQ(header.biWidth, entry.width == 0 ? 256 : entry.width);
    EXPECT_EQ(header.biHeight, 2 * header.biWidth);  // the colour image and its mask
    EXPECT_EQ(header.biBitCount, entry.bitCount);
    bitsBySize[header.biWidth] = header.biBitCount;
  }
  for (const int size : {16, 32}) {
    SCOPED_TRACE(size);
    ASSERT_TRUE(bitsBySize.contains(size)) << "no " << size << " x " << size << " image";
    EXPECT_GE(bitsBySize[size], 24) << "not true colour";
  }
}
#endif

}  // namespace
}  // namespace lanqi
