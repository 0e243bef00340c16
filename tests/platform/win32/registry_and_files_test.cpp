// What only the real Windows calls can show: the stored form of the Run value and a file held
// open by another program.
#include <gtest/gtest.h>
#include <windows.h>

#include <memory>
#include <string>
#include <thread>

#include "platform/registry.hpp"
#include "platform/run_directory_files.hpp"
#include "platform/system.hpp"
#include "platform/win32/unique_handle.hpp"
#include "tests/fakes/fake_shell_services.hpp"
#include "tests/support/bytes.hpp"

namespace lanqi {
namespace {

using testing::AsBytes;

// The value is stored in the 32-bit view of HKLM\SOFTWARE, where the 32-bit program has always
// kept it, and not in the 64-bit view this exe would see by default.
TEST(Win32MachineRegistry, StringIsStoredInThe32BitViewAsUtf16WithItsZeroCounted) {
  const std::string key = "SOFTWARE\\LanqiClockGuardTest" + std::to_string(GetCurrentProcessId());
  const std::wstring wideKey(key.begin(), key.end());
  const std::u16string data = u"C:\\My Tools\\\u0E01\u00E9\\clock.exe";  // not all in 936
  platform::MachineRegistry* registry = &platform::RealSystem().registry;
  ASSERT_TRUE(registry->SetString(key, "LanqiClockGuard", data));
  EXPECT_TRUE(registry->ValueExists(key, "LanqiClockGuard"));

  auto read = [&](REGSAM view, DWORD* type, void* buffer, DWORD* size) -> LSTATUS {
    HKEY opened = nullptr;
    const LSTATUS open =
        RegOpenKeyExW(HKEY_LOCAL_MACHINE, wideKey.c_str(), 0, KEY_QUERY_VALUE | view, &opened);
    if (open != ERROR_SUCCESS) return open;
    const platform::win32::UniqueHkey owned(opened);
    return RegGetValueW(opened, nullptr, L"LanqiClockGuard", RRF_RT_ANY | RRF_NOEXPAND, type,
                        buffer, size);
  };
  DWORD type = 0;
  DWORD size = 0;
  ASSERT_EQ(read(KEY_WOW64_32KEY, &type, nullptr, &size), ERROR_SUCCESS);
  EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
  EXPECT_EQ(size, (data.size() + 1) * sizeof(wchar_t));
  std::wstring stored(size / sizeof(wchar_t), L'\0');
  ASSERT_EQ(read(KEY_WOW64_32KEY, nullptr, stored.data(), &size), ERROR_SUCCESS);
  EXPECT_EQ(std::u16string(reinterpret_cast<const char16_t*>(stored.c_str())), data);
  EXPECT_NE(read(KEY_WOW64_64KEY, nullptr, nullptr, &size), ERROR_SUCCESS);

  // A value only the 64-bit view holds is not the program's entry.
  ASSERT_EQ(RegSetKeyValueW(HKEY_LOCAL_MACHINE, wideKey.c_str(), L"Only64", REG_SZ, L"x", 4),
            ERROR_SUCCESS);
  EXPECT_FALSE(registry->ValueExists(key, "Only64"));
  RegDeleteTreeW(HKEY_LOCAL_MACHINE, wideKey.c_str());

  EXPECT_TRUE(registry->DeleteValue(key, "LanqiClockGuard"));
  EXPECT_FALSE(registry->ValueExists(key, "LanqiClockGuard"));
  EXPECT_TRUE(registry->DeleteKey(key));
  EXPECT_FALSE(registry->DeleteKey(key));
}

// A hidden offset file stays hidden after a save, and a second name (hard link) of it sees the
// new content: the save keeps the user's file rather than putting a new one in its place.
TEST(Win32DirectoryFiles, SaveKeepsTheHiddenAttributeAndHardLinks) {
  testing::TempFolder folder;
  auto files = platform::DirectoryFilesIn(folder.path());
  ASSERT_TRUE(files->Replace("时差.ini", AsBytes("5")));
  const std::filesystem::path path = folder.path() / L"时差.ini";
  ASSERT_TRUE(SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_HIDDEN));
  ASSERT_TRUE(files->Replace("时差.ini", AsBytes("-17")));
  const DWORD attributes = GetFileAttributesW(path.c_str());
  ASSERT_NE(attributes, INVALID_FILE_ATTRIBUTES);
  EXPECT_TRUE(attributes & FILE_ATTRIBUTE_HIDDEN) << attributes;
  auto content = files->ReadUpTo("时差.ini", 100);
  ASSERT_TRUE(content);
  EXPECT_EQ(std::string(content->begin(), content->end()), "-17");
  EXPECT_EQ(folder.EntryCount(), 1u) << folder.Listing();

  const std::filesystem::path otherName = folder.path() / L"link.ini";
  ASSERT_TRUE(CreateHardLinkW(otherName.c_str(), path.c_str(), nullptr)) << GetLastError();
  ASSERT_TRUE(files->Replace("时差.ini", AsBytes("8")));
  content = files->ReadUpTo("link.ini", 100);
  ASSERT_TRUE(content);
  EXPECT_EQ(std::string(content->begin(), content->end()), "8");
  SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST(Win32DirectoryFiles, FileHeldOpenByAnotherProgramKeepsItsContent) {
  testing::TempFolder folder;
  auto files = platform::DirectoryFilesIn(folder.path());
  ASSERT_TRUE(files->Replace("时差.ini", AsBytes("5")));
  {
    const std::filesystem::path path = folder.path() / L"时差.ini";
    platform::win32::UniqueHandle lock(CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0,
                                                   nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(lock && lock.get() != INVALID_HANDLE_VALUE);
    EXPECT_FALSE(files->Replace("时差.ini", AsBytes("6")));
    EXPECT_EQ(folder.EntryCount(), 1u) << folder.Listing();
  }
  const auto content = files->ReadUpTo("时差.ini", 100);
  ASSERT_TRUE(content);
  EXPECT_EQ(std::string(content->begin(), content->end()), "5");

  // A reader that holds the file for a moment without sharing deletion (as an indexer or a
  // scanner does) only delays the save.
  const std::filesystem::path path = folder.path() / L"时差.ini";
  platform::win32::UniqueHandle reader(CreateFileW(path.c_str(), GENERIC_READ,
                                                   FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                                   OPEN_EXISTING, 0, nullptr));
  ASSERT_TRUE(reader && reader.get() != INVALID_HANDLE_VALUE);
  std::jthread closer([&] {
    Sleep(150);
    reader.reset();
  });
  EXPECT_TRUE(files->Replace("时差.ini", AsBytes("7")));
  closer.join();
  const auto saved = files->ReadUpTo("时差.ini", 100);
  ASSERT_TRUE(saved);
  EXPECT_EQ(std::string(saved->begin(), saved->end()), "7");
  EXPECT_EQ(folder.EntryCount(), 1u) << folder.Listing();
}

TEST(Win32DirectoryFiles, ReadOnlyFileIsNotReplaced) {
  testing::TempFolder folder;
  auto files = platform::DirectoryFilesIn(folder.path());
  ASSERT_TRUE(files->Replace("时差.ini", AsBytes("5")));
  const std::filesystem::path path = folder.path() / L"时差.ini";
  ASSERT_TRUE(SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_READONLY));
  EXPECT_FALSE(files->Replace("时差.ini", AsBytes("6")));
  EXPECT_EQ(folder.EntryCount(), 1u) << folder.Listing();
  SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST(Win32DirectoryFiles, FolderNameOutsideCodePage936Works) {
  testing::TempFolder folder;
  const std::filesystem::path inner = folder.path() / L"\u0E01\u00E9 目录";
  ASSERT_TRUE(std::filesystem::create_directory(inner));
  auto files = platform::DirectoryFilesIn(inner);
  ASSERT_TRUE(files->Replace("时差.ini", AsBytes("-300")));
  EXPECT_TRUE(std::filesystem::exists(inner / L"时差.ini"));
  const auto content = files->ReadUpTo("时差.ini", 100);
  ASSERT_TRUE(content);
  EXPECT_EQ(std::string(content->begin(), content->end()), "-300");
}

}  // namespace
}  // namespace lanqi
