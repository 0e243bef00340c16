// What only the real Windows calls can show: the stored form of the Run value and the registry's
// key rules, what a save keeps of the file it replaces, links not trusted, a file held open by
// another program, and the states a failed ReplaceFileW leaves behind.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdint>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

#include "platform/directory_files.hpp"
#include "platform/registry.hpp"
#include "platform/system.hpp"
#include "platform/win32/executable_path.hpp"
#include "platform/win32/unique_handle.hpp"
#include "platform/win32/win32_directory_files.hpp"
#include "tests/fakes/fake_shell_services.hpp"
#include "tests/support/bytes.hpp"

namespace lanqi {
namespace {

using testing::AsBytes;

// Each owner knows which value its calls return on failure: a failed open, snapshot or search is
// no handle, and the current process's pseudo-handle (INVALID_HANDLE_VALUE's bits) is one.
TEST(Win32HandleOwners, AFailedCallIsNoHandleOfItsOwnKind) {
  const std::wstring missing = L"Z:\\lanqi-no-such-folder\\none.ini";
  WIN32_FIND_DATAW found{};
  const struct {
    const char* what;
    bool owns;
    bool expected;
  } cases[] = {
      {"CreateFileW of a missing file",
       bool(platform::win32::UniqueFileHandle(
           CreateFileW(missing.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr))),
       false},
      {"FindFirstFileExW without a match",
       bool(platform::win32::UniqueFindHandle(FindFirstFileExW(
           missing.c_str(), FindExInfoBasic, &found, FindExSearchNameMatch, nullptr, 0))),
       false},
      {"OpenProcess of no process",
       bool(
           platform::win32::UniqueHandle(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, 0))),
       false},
      {"the current process", bool(platform::win32::UniqueHandle(GetCurrentProcess())), true},
  };
  for (const auto& c : cases) EXPECT_EQ(c.owns, c.expected) << c.what;
}

// The exe's folder, where the program looks for its file and which it makes its current directory:
// at a drive's root it keeps the backslash, since "C:" alone names the drive's current directory.
TEST(ExecutableFolder, IsThePathCutAtItsLastBackslashKeepingADrivesRoot) {
  const struct {
    const wchar_t* path;
    const wchar_t* folder;
  } cases[] = {
      {L"C:\\Tools\\时钟\\clock.exe", L"C:\\Tools\\时钟"},
      {L"C:\\clock.exe", L"C:\\"},
      {L"\\\\?\\D:\\clock.exe", L"\\\\?\\D:\\"},
      {L"\\\\server\\share\\clock.exe", L"\\\\server\\share"},
      {L"clock.exe", L""},
      {L"", L""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(platform::win32::FolderOf(c.path), c.folder);
  }
}

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

TEST(Win32MachineRegistry, SetFindDeleteInAThrowawayKey) {
  platform::MachineRegistry* registry = &platform::RealSystem().registry;
  const std::string key = "SOFTWARE\\LanqiClockGuardTest\\" + std::to_string(GetCurrentProcessId());
  EXPECT_FALSE(registry->ValueExists(key, "v"));
  EXPECT_FALSE(registry->DeleteValue(key, "v"));
  ASSERT_TRUE(registry->SetString(key, "v", u"C:\\a b\\\u0E01.exe"));
  EXPECT_TRUE(registry->ValueExists(key, "v"));
  ASSERT_TRUE(registry->SetString(key, "empty", u""));
  EXPECT_TRUE(registry->ValueExists(key, "empty"));
  EXPECT_TRUE(registry->DeleteValue(key, "v"));
  EXPECT_FALSE(registry->ValueExists(key, "v"));
  EXPECT_FALSE(registry->DeleteValue(key, "v"));
  EXPECT_TRUE(registry->DeleteValue(key, "empty"));
  EXPECT_FALSE(registry->DeleteKey("SOFTWARE\\LanqiClockGuardTest"));  // it still has a subkey
  EXPECT_TRUE(registry->DeleteKey(key));
  EXPECT_FALSE(registry->DeleteKey(key));
  EXPECT_TRUE(registry->DeleteKey("SOFTWARE\\LanqiClockGuardTest"));
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
  auto content = testing::ReadUpTo(*files, "时差.ini", 100);
  ASSERT_TRUE(content);
  EXPECT_EQ(std::string(content->begin(), content->end()), "-17");
  EXPECT_EQ(folder.EntryCount(), 1u) << folder.Listing();

  const std::filesystem::path otherName = folder.path() / L"link.ini";
  ASSERT_TRUE(CreateHardLinkW(otherName.c_str(), path.c_str(), nullptr)) << GetLastError();
  ASSERT_TRUE(files->Replace("时差.ini", AsBytes("8")));
  content = testing::ReadUpTo(*files, "link.ini", 100);
  ASSERT_TRUE(content);
  EXPECT_EQ(std::string(content->begin(), content->end()), "8");
  SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
}

// Where links are not trusted, a second name of the file keeps the old content instead of being
// written through, and a symbolic link in the file's place is neither read nor written through.
TEST(Win32DirectoryFiles, DistrustedLinksAreNeitherFollowedNorWrittenThrough) {
  testing::TempFolder folder;
  auto files = platform::DirectoryFilesIn(folder.path());
  auto Read = [&](const std::string& name) {
    const auto bytes = testing::ReadUpTo(*files, name, 100);
    return bytes ? std::string(bytes->begin(), bytes->end()) : "<none>";
  };
  files->DistrustLinks();
  ASSERT_TRUE(files->Replace("offset.ini", AsBytes("5")));
  const std::filesystem::path path = folder.path() / "offset.ini";
  std::filesystem::create_hard_link(path, folder.path() / "system.dll");
  ASSERT_TRUE(files->Replace("offset.ini", AsBytes("6")));
  EXPECT_EQ(Read("offset.ini"), "6");
  EXPECT_EQ(Read("system.dll"), "5");

  std::filesystem::remove(path);
  std::error_code noSymlinks;
  std::filesystem::create_symlink(folder.path() / "system.dll", path, noSymlinks);
  // Wine 8 makes none (tests/wine_gaps.md); Windows itself does, for an administrator.
  if (noSymlinks) GTEST_SKIP() << "no symbolic links here: " << noSymlinks.message();
  EXPECT_NE(files->Read("offset.ini", 100).outcome,
            platform::DirectoryFiles::ReadResult::Outcome::kRead);
  EXPECT_FALSE(files->Replace("offset.ini", AsBytes("7")));
  EXPECT_EQ(Read("system.dll"), "5");
}

TEST(Win32DirectoryFiles, FileHeldOpenByAnotherProgramKeepsItsContent) {
  testing::TempFolder folder;
  auto files = platform::DirectoryFilesIn(folder.path());
  ASSERT_TRUE(files->Replace("时差.ini", AsBytes("5")));
  {
    const std::filesystem::path path = folder.path() / L"时差.ini";
    platform::win32::UniqueFileHandle lock(CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE,
                                                       0, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(lock);
    EXPECT_FALSE(files->Replace("时差.ini", AsBytes("6")));
    EXPECT_EQ(folder.EntryCount(), 1u) << folder.Listing();
  }
  const auto content = testing::ReadUpTo(*files, "时差.ini", 100);
  ASSERT_TRUE(content);
  EXPECT_EQ(std::string(content->begin(), content->end()), "5");

  // A reader that holds the file for a moment without sharing deletion (as an indexer or a
  // scanner does) only delays the save.
  const std::filesystem::path path = folder.path() / L"时差.ini";
  platform::win32::UniqueFileHandle reader(CreateFileW(path.c_str(), GENERIC_READ,
                                                       FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                                       OPEN_EXISTING, 0, nullptr));
  ASSERT_TRUE(reader);
  std::jthread closer([&] {
    Sleep(150);
    reader.reset();
  });
  EXPECT_TRUE(files->Replace("时差.ini", AsBytes("7")));
  closer.join();
  const auto saved = testing::ReadUpTo(*files, "时差.ini", 100);
  ASSERT_TRUE(saved);
  EXPECT_EQ(std::string(saved->begin(), saved->end()), "7");
  EXPECT_EQ(folder.EntryCount(), 1u) << folder.Listing();
}

std::string ContentOf(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return "<none>";
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

using Outcome = platform::DirectoryFiles::ReadResult::Outcome;

// A file another program holds without read sharing (a backup or sync program at logon) is read
// once it lets go; one held for longer than the read waits is there but unreadable, not missing.
TEST(Win32DirectoryFiles, FileHeldWithoutReadSharingIsReadOnceReleasedElseUnreadable) {
  testing::TempFolder folder;
  auto files = platform::DirectoryFilesIn(folder.path());
  ASSERT_TRUE(files->Replace("时差.ini", AsBytes("30")));
  const std::filesystem::path path = folder.path() / L"时差.ini";
  auto hold = [&] {
    return platform::win32::UniqueFileHandle(
        CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
  };
  {
    platform::win32::UniqueFileHandle held = hold();
    ASSERT_TRUE(held);
    std::jthread releaser([&] {
      Sleep(600);
      held.reset();
    });
    const auto read = files->Read("时差.ini", 100);
    EXPECT_EQ(read.outcome, Outcome::kRead);
    EXPECT_EQ(std::string(read.bytes.begin(), read.bytes.end()), "30");
  }
  platform::win32::UniqueFileHandle held = hold();
  ASSERT_TRUE(held);
  const DWORD started = GetTickCount();
  EXPECT_EQ(files->Read("时差.ini", 100).outcome, Outcome::kUnreadable);
  EXPECT_GE(GetTickCount() - started, 2000u);  // asked again meanwhile
  EXPECT_EQ(files->Read("missing.ini", 100).outcome, Outcome::kMissing);
  held.reset();
  EXPECT_EQ(ContentOf(path), "30");
}

// ReplaceFileW stand-in: fails `failures` times with `error`, leaving the files as Windows
// documents for that error, then does the real replacement.
struct ScriptedReplace {
  DWORD error = ERROR_SUCCESS;
  int failures = 0;
  // Something else takes the old file's name at the failure, so that the move fails as well.
  bool occupyName = false;
  int calls = 0;
};
ScriptedReplace script;

BOOL WINAPI ScriptedReplaceFile(LPCWSTR replaced, LPCWSTR replacement, LPCWSTR backup, DWORD flags,
                                LPVOID exclude, LPVOID reserved) {
  if (++script.calls > script.failures) {
    return ReplaceFileW(replaced, replacement, backup, flags, exclude, reserved);
  }
  // _MOVE_REPLACEMENT without a backup name: the old file is gone, the new one keeps its
  // temporary name. _MOVE_REPLACEMENT_2: the old file lives on under another name.
  if (script.error == ERROR_UNABLE_TO_MOVE_REPLACEMENT) DeleteFileW(replaced);
  if (script.error == ERROR_UNABLE_TO_MOVE_REPLACEMENT_2) {
    MoveFileW(replaced, (std::wstring(replaced) + L".old").c_str());
  }
  if (script.occupyName) CreateDirectoryW(replaced, nullptr);
  SetLastError(script.error);
  return FALSE;
}

TEST(Win32DirectoryFiles, FailedReplacementNeverLosesTheNewContent) {
  const struct {
    const char* what;
    DWORD error;
    int failures;
    bool occupyName;
    bool saved;
    std::string content;  // of 时差.ini afterwards
  } cases[] = {
      // clang-format off
      {"new file could not be renamed; moved into place after", ERROR_UNABLE_TO_MOVE_REPLACEMENT, 1, false, true, "new"},
      {"new file could not be moved; moved into place after", ERROR_UNABLE_TO_MOVE_REPLACEMENT_2, 1, false, true, "new"},
      {"old file gone and the move fails too (its name taken)", ERROR_UNABLE_TO_MOVE_REPLACEMENT, 1, true, false, "<none>"},
      {"opened by another program for a moment", ERROR_SHARING_VIOLATION, 3, false, true, "new"},
      {"old file cannot be removed for a moment", ERROR_UNABLE_TO_REMOVE_REPLACED, 2, false, true, "new"},
      {"old file cannot be removed at all", ERROR_UNABLE_TO_REMOVE_REPLACED, 1000, false, false, "old"},
  };
  // clang-format on
  for (const auto& c : cases) {
    testing::TempFolder folder;
    auto files =
        platform::win32::DirectoryFilesWith(folder.path().wstring(), L"", &ScriptedReplaceFile);
    ASSERT_TRUE(files->Replace("时差.ini", AsBytes("old")));  // no replacement: the file is new
    script = ScriptedReplace{c.error, c.failures, c.occupyName, 0};
    EXPECT_EQ(files->Replace("时差.ini", AsBytes("new")), c.saved) << c.what;
    const std::filesystem::path path = folder.path() / L"时差.ini";
    EXPECT_EQ(ContentOf(path), c.content) << c.what;
    std::vector<std::filesystem::path> temporary;
    for (const auto& entry : std::filesystem::directory_iterator(folder.path())) {
      if (entry.path().extension() == L".tmp") temporary.push_back(entry.path());
    }
    if (c.saved || c.content == "old") {
      EXPECT_TRUE(temporary.empty()) << c.what << ": " << folder.Listing();
      continue;
    }
    // The temporary file is the only copy: it is kept, and the next start (when this process's
    // id is gone, and the name is free again) puts it in the file's place.
    ASSERT_EQ(temporary.size(), 1u) << c.what << ": " << folder.Listing();
    EXPECT_EQ(ContentOf(temporary[0]), "new") << c.what;
    RemoveDirectoryW(path.c_str());
    std::filesystem::rename(temporary[0], folder.path() / L"时差.ini.999999999.0.tmp");
    files->RemoveLeftovers("时差.ini");
    EXPECT_EQ(ContentOf(path), "new") << c.what;
    EXPECT_EQ(folder.EntryCount(), 1u) << c.what << ": " << folder.Listing();
  }
}

// The file's index: stays with an in-place write, changes with a replacement.
std::uint64_t FileIdentity(const std::filesystem::path& path) {
  const platform::win32::UniqueFileHandle file(CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES,
                                                           FILE_SHARE_READ | FILE_SHARE_WRITE,
                                                           nullptr, OPEN_EXISTING, 0, nullptr));
  BY_HANDLE_FILE_INFORMATION info{};
  if (!file || !GetFileInformationByHandle(file.get(), &info)) return 0;
  return (std::uint64_t{info.nFileIndexHigh} << 32) | info.nFileIndexLow;
}

// The paths are plain ones, which stop at MAX_PATH on Windows: where the temporary name would
// pass it while the file's own name does not, the file is written in place (it keeps its
// identity), and made directly where there is none yet. (Wine has no such limit: the identity
// shows which way was taken.)
TEST(Win32DirectoryFiles, TemporaryNamePastThePathLimitWritesInPlace) {
  testing::TempFolder folder;
  const struct {
    const char* what;
    std::size_t fileNameLength;  // of the whole path to 时差.ini
    bool inPlace;
  } cases[] = {
      {"short path", 0, false},
      {"temporary name just past the limit", MAX_PATH - 10, true},
      {"file name at the limit's last character", MAX_PATH - 1, true},
  };
  for (const auto& c : cases) {
    // <folder>\<name>\时差.ini, the name as long as the case asks.
    const std::size_t nameLength =
        c.fileNameLength == 0 ? 5 : c.fileNameLength - folder.path().wstring().size() - 8;
    const std::filesystem::path inner = folder.path() / std::wstring(nameLength, L'd');
    ASSERT_TRUE(std::filesystem::create_directory(inner)) << c.what;
    const std::filesystem::path path = inner / L"时差.ini";
    if (c.fileNameLength != 0) {
      ASSERT_EQ(path.wstring().size(), c.fileNameLength) << c.what;
    }
    auto files = platform::DirectoryFilesIn(inner);
    ASSERT_TRUE(files->Replace("时差.ini", AsBytes("1"))) << c.what;
    const std::uint64_t before = FileIdentity(path);
    ASSERT_TRUE(files->Replace("时差.ini", AsBytes("-22"))) << c.what;
    EXPECT_EQ(ContentOf(path), "-22") << c.what;
    EXPECT_EQ(FileIdentity(path) == before, c.inPlace) << c.what;
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(inner),
                            std::filesystem::directory_iterator()),
              1)
        << c.what;
  }
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
  const auto content = testing::ReadUpTo(*files, "时差.ini", 100);
  ASSERT_TRUE(content);
  EXPECT_EQ(std::string(content->begin(), content->end()), "-300");
}

}  // namespace
}  // namespace lanqi
