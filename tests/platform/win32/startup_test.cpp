// What the elevation hands to Windows, recorded through stand-ins for IsNTAdmin,
// CheckTokenMembership and ShellExecuteExW (Wine's always answer "elevated" and start the
// program without a prompt), and the manifest the exe carries.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/system.hpp"
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
} recorded;

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
  return TRUE;
}

std::wstring ModulePath() {
  wchar_t path[MAX_PATH * 4] = {};
  const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH * 4);
  return std::wstring(path, length);
}

struct Win32Elevation : ::testing::Test {
  Win32Elevation() { recorded = Recorded{}; }
  ElevationCalls calls{RecordIsNTAdmin, RecordCheckTokenMembership, RecordShellExecuteEx};
  platform::win32::Win32ProcessToken token{calls};
  platform::TokenElevation elevation{token};
};

TEST_F(Win32Elevation, RelaunchAsksForOwnExeWithRunasAndNoArguments) {
  EXPECT_TRUE(elevation.RelaunchElevated("", false, std::nullopt));
  ASSERT_EQ(recorded.records.size(), 1u);
  const SHELLEXECUTEINFOW& record = recorded.records[0];
  EXPECT_EQ(record.cbSize, sizeof(SHELLEXECUTEINFOW));
  EXPECT_EQ(record.fMask, 0x100u);  // SEE_MASK_NOASYNC: the request is made before the exit
  EXPECT_EQ(recorded.verbs[0], L"runas");
  EXPECT_EQ(recorded.files[0], ModulePath());
  EXPECT_FALSE(recorded.parameters[0].has_value());
  EXPECT_EQ(record.nShow, 10);  // SW_SHOWDEFAULT
  EXPECT_EQ(record.hwnd, nullptr);
  EXPECT_EQ(record.lpDirectory, nullptr);
}

TEST_F(Win32Elevation, AdministratorOnlyWhenIsNTAdminAndTheEnabledGroupAgree) {
  const struct {
    BOOL isNTAdmin, member;
    bool administrator;
  } cases[] = {
      {TRUE, TRUE, true}, {TRUE, FALSE, false}, {FALSE, FALSE, false}, {FALSE, TRUE, false}};
  for (const auto& c : cases) {
    recorded.isNTAdminAnswer = c.isNTAdmin;
    recorded.memberAnswer = c.member;
    EXPECT_EQ(elevation.IsAdministrator(), c.administrator) << c.isNTAdmin << c.member;
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
  EXPECT_TRUE(platform::RealSystem().elevation.IsAdministrator());
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
