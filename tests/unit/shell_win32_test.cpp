// What only the real Windows calls can show: the stored form of the Run value and a file held
// open by another program.
#include <gtest/gtest.h>
#include <windows.h>

#include <memory>
#include <string>

#include "platform/registry.hpp"
#include "platform/run_directory_files.hpp"
#include "platform/win32/unique_handle.hpp"
#include "tests/unit/shell_fakes.hpp"

namespace lanqi {
namespace {

std::span<const std::uint8_t> Bytes(const std::string& text) {
  return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

TEST(Win32MachineRegistry, StringIsStoredAsUtf16WithItsTerminatingZeroCounted) {
  const std::string key = "SOFTWARE\\LanqiClockGuardTest" + std::to_string(GetCurrentProcessId());
  const std::u16string data = u"C:\\My Tools\\\u0E01\u00E9\\clock.exe";  // not all in 936
  auto registry = platform::MakeMachineRegistry();
  ASSERT_TRUE(registry->SetString(key, "LanqiClockGuard", data));

  const std::wstring wideKey(key.begin(), key.end());
  DWORD type = 0;
  DWORD size = 0;
  ASSERT_EQ(RegGetValueW(HKEY_LOCAL_MACHINE, wideKey.c_str(), L"LanqiClockGuard",
                         RRF_RT_ANY | RRF_NOEXPAND, &type, nullptr, &size),
            ERROR_SUCCESS);
  EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
  EXPECT_EQ(size, (data.size() + 1) * sizeof(wchar_t));
  std::wstring stored(size / sizeof(wchar_t), L'\0');
  ASSERT_EQ(RegGetValueW(HKEY_LOCAL_MACHINE, wideKey.c_str(), L"LanqiClockGuard", RRF_RT_REG_SZ,
                         nullptr, stored.data(), &size),
            ERROR_SUCCESS);
  EXPECT_EQ(std::u16string(reinterpret_cast<const char16_t*>(stored.c_str())), data);

  EXPECT_TRUE(registry->DeleteValue(key, "LanqiClockGuard"));
  EXPECT_TRUE(registry->DeleteKey(key));
}

TEST(Win32DirectoryFiles, FileHeldOpenByAnotherProgramKeepsItsContent) {
  testing::TempFolder folder;
  auto files = platform::MakeDirectoryFiles(folder.path());
  ASSERT_TRUE(files->Replace("时差.ini", Bytes("5")));
  {
    const std::filesystem::path path = folder.path() / L"时差.ini";
    platform::win32::UniqueHandle lock(CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0,
                                                   nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(lock && lock.get() != INVALID_HANDLE_VALUE);
    EXPECT_FALSE(files->Replace("时差.ini", Bytes("6")));
    EXPECT_EQ(folder.EntryCount(), 1u) << folder.Listing();
  }
  const auto content = files->ReadUpTo("时差.ini", 100);
  ASSERT_TRUE(content);
  EXPECT_EQ(std::string(content->begin(), content->end()), "5");
}

TEST(Win32DirectoryFiles, ReadOnlyFileIsNotReplaced) {
  testing::TempFolder folder;
  auto files = platform::MakeDirectoryFiles(folder.path());
  ASSERT_TRUE(files->Replace("时差.ini", Bytes("5")));
  const std::filesystem::path path = folder.path() / L"时差.ini";
  ASSERT_TRUE(SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_READONLY));
  EXPECT_FALSE(files->Replace("时差.ini", Bytes("6")));
  EXPECT_EQ(folder.EntryCount(), 1u) << folder.Listing();
  SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST(Win32DirectoryFiles, FolderNameOutsideCodePage936Works) {
  testing::TempFolder folder;
  const std::filesystem::path inner = folder.path() / L"\u0E01\u00E9 目录";
  ASSERT_TRUE(std::filesystem::create_directory(inner));
  auto files = platform::MakeDirectoryFiles(inner);
  ASSERT_TRUE(files->Replace("时差.ini", Bytes("-300")));
  EXPECT_TRUE(std::filesystem::exists(inner / L"时差.ini"));
  const auto content = files->ReadUpTo("时差.ini", 100);
  ASSERT_TRUE(content);
  EXPECT_EQ(std::string(content->begin(), content->end()), "-300");
}

}  // namespace
}  // namespace lanqi
