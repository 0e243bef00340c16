#include "platform/win32/win32_directory_files.hpp"

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <climits>
#include <limits>
#include <string>
#include <utility>
#include <vector>

#include "platform/directory_files.hpp"
#include "platform/win32/executable_path.hpp"
#include "platform/win32/file_security.hpp"
#include "platform/win32/text_936.hpp"
#include "platform/win32/unique_handle.hpp"
#include "platform/win32/win32_system.hpp"

namespace lanqi::platform {
namespace {

using win32::UniqueFileHandle;
using win32::UniqueHandle;

bool WriteAll(HANDLE file, std::span<const std::uint8_t> content) {
  std::size_t done = 0;
  while (done < content.size()) {
    const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(content.size() - done, 1u << 20));
    DWORD written = 0;
    if (!WriteFile(file, content.data() + done, chunk, &written, nullptr) || written == 0) {
      return false;
    }
    done += written;
  }
  return true;
}

// Overwrites the file where it is, opened with no sharing as a locked file must not be written:
// written, cut to the new length, flushed. The file keeps its identity, attributes, security and
// other names. With followLinks false a link in the file's place is not written through: the
// file is opened as itself, and one that is a reparse point or has a second name is refused.
// `disposition` CREATE_NEW makes the file where there is none.
bool WriteInPlace(const std::wstring& target, std::span<const std::uint8_t> content,
                  bool followLinks, DWORD disposition = OPEN_EXISTING) {
  const DWORD flags = FILE_ATTRIBUTE_NORMAL | (followLinks ? 0 : FILE_FLAG_OPEN_REPARSE_POINT);
  const UniqueFileHandle file(
      CreateFileW(target.c_str(), GENERIC_WRITE, 0, nullptr, disposition, flags, nullptr));
  if (!file || GetFileType(file.get()) != FILE_TYPE_DISK) return false;
  if (!followLinks) {
    BY_HANDLE_FILE_INFORMATION info{};
    if (!GetFileInformationByHandle(file.get(), &info) || info.nNumberOfLinks != 1 ||
        (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
      return false;
    }
  }
  return WriteAll(file.get(), content) && SetEndOfFile(file.get()) && FlushFileBuffers(file.get());
}

// How many names the file has; 1 when it cannot be asked.
DWORD LinkCount(const std::wstring& path) {
  const UniqueFileHandle file(CreateFileW(
      path.c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
      nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  BY_HANDLE_FILE_INFORMATION info{};
  if (!file || !GetFileInformationByHandle(file.get(), &info)) return 1;
  return info.nNumberOfLinks;
}

// The attributes the user gave the file (hidden, system, not indexed) stay on its new content.
// ReplaceFileW carries them over on Windows; this makes sure of it wherever it does not. The
// archive flag is left as the write set it: the content did change.
void KeepAttributes(const std::wstring& target, DWORD attributes) {
  constexpr DWORD kUserAttributes =
      FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;
  const DWORD now = GetFileAttributesW(target.c_str());
  if (now == INVALID_FILE_ATTRIBUTES || (now & kUserAttributes) == (attributes & kUserAttributes)) {
    return;
  }
  const DWORD wanted =
      (now & ~(kUserAttributes | FILE_ATTRIBUTE_NORMAL)) | (attributes & kUserAttributes);
  SetFileAttributesW(target.c_str(), wanted == 0 ? FILE_ATTRIBUTE_NORMAL : wanted);
}

// Whether the file can be replaced now: ERROR_SUCCESS, or why not. A replacement needs every
// handle open on the file to share deletion. An indexer, a virus scanner, a sync client or a
// plain reader (which rarely shares deletion) holds it for a moment only, so a sharing violation
// is asked again for about half a second before the file counts as held by another program.
DWORD WaitUntilReplaceable(const std::wstring& target) {
  constexpr int kAttempts = 10;
  constexpr DWORD kPauseMs = 50;
  for (int attempt = 1;; ++attempt) {
    const UniqueFileHandle probe(
        CreateFileW(target.c_str(), DELETE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    const DWORD error = probe ? ERROR_SUCCESS : GetLastError();
    if (error != ERROR_SHARING_VIOLATION || attempt == kAttempts) return error;
    Sleep(kPauseMs);
  }
}

// A process that cannot be opened for lack of rights still exists; only an unknown id is gone.
bool ProcessRunning(std::uint32_t pid) {
  const UniqueHandle process(
      OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION | SYNCHRONIZE, FALSE, pid));
  if (!process) return GetLastError() != ERROR_INVALID_PARAMETER;
  return WaitForSingleObject(process.get(), 0) == WAIT_TIMEOUT;
}

using ReadResult = DirectoryFiles::ReadResult;
using Outcome = ReadResult::Outcome;

// Only a missing name is no file. Anything else that keeps the file from being opened or read
// (no sharing, no right, a byte-range lock, a cloud file whose provider is offline) leaves a
// file whose content may still be the user's.
Outcome FailureOutcome(DWORD error) {
  return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? Outcome::kMissing
                                                                        : Outcome::kUnreadable;
}

ReadResult ReadOnce(const std::wstring& path, std::size_t maxBytes, bool followLinks) {
  const DWORD flags = FILE_ATTRIBUTE_NORMAL | (followLinks ? 0 : FILE_FLAG_OPEN_REPARSE_POINT);
  const UniqueFileHandle file(CreateFileW(path.c_str(), GENERIC_READ,
                                          FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                          nullptr, OPEN_EXISTING, flags, nullptr));
  if (!file) return {FailureOutcome(GetLastError()), {}};
  // Only a file on disk: a named pipe or device in its place could block the read.
  if (GetFileType(file.get()) != FILE_TYPE_DISK) return {Outcome::kUnreadable, {}};
  if (!followLinks) {
    BY_HANDLE_FILE_INFORMATION info{};
    if (!GetFileInformationByHandle(file.get(), &info) ||
        (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
      return {Outcome::kUnreadable, {}};
    }
  }
  std::vector<std::uint8_t> bytes(maxBytes);
  std::size_t got = 0;
  while (got < maxBytes) {
    const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(maxBytes - got, 1u << 20));
    DWORD read = 0;
    if (!ReadFile(file.get(), bytes.data() + got, chunk, &read, nullptr)) {
      return {Outcome::kUnreadable, {}};
    }
    if (read == 0) break;
    got += read;
  }
  bytes.resize(got);
  return {Outcome::kRead, std::move(bytes)};
}

// ReplaceFileW failing like this leaves both files under their own names, so it may be asked
// again: another program opened the file between the check and the replacement.
bool ReplaceMayBeRetried(DWORD error) {
  return error == ERROR_SHARING_VIOLATION || error == ERROR_UNABLE_TO_REMOVE_REPLACED ||
         error == ERROR_LOCK_VIOLATION;
}

// The directory stays a wide path from start to end; only the file name crosses in code page 936.
class Win32DirectoryFiles final : public DirectoryFiles {
 public:
  Win32DirectoryFiles(std::wstring directory, std::wstring executable,
                      win32::ReplaceFileCall replaceFile)
      : directory_(std::move(directory)),
        executable_(std::move(executable)),
        replaceFile_(replaceFile) {}

  // A file held at logon by a backup, sync or security program is asked again for about two and
  // a half seconds. Start-up reads it before the window is shown, so the wait shows as a later
  // window, not a frozen one.
  ReadResult Read(const std::string& fileName, std::size_t maxBytes) override {
    return ReadWithAttempts(fileName, maxBytes, 11);
  }

  ReadResult ReadNow(const std::string& fileName, std::size_t maxBytes) override {
    return ReadWithAttempts(fileName, maxBytes, 1);
  }

  // One query by name, which opens nothing: cheap enough to ask every second.
  std::optional<Stamp> StampOf(const std::string& fileName) override {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExW(PathOf(fileName).c_str(), GetFileExInfoStandard, &data) ||
        (data.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE))) {
      return std::nullopt;
    }
    return Stamp{(std::uint64_t{data.ftLastWriteTime.dwHighDateTime} << 32) |
                     data.ftLastWriteTime.dwLowDateTime,
                 (std::uint64_t{data.nFileSizeHigh} << 32) | data.nFileSizeLow};
  }

  bool Replace(const std::string& fileName, std::span<const std::uint8_t> content) override {
    const std::wstring target = PathOf(fileName);
    const bool followLinks = !distrustLinks_;
    const DWORD attributes = GetFileAttributesW(target.c_str());
    const bool exists = attributes != INVALID_FILE_ATTRIBUTES;
    if (exists && (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE))) return false;
    // A link in the file's place leads who knows where; it is not written through or replaced.
    if (exists && !followLinks && (attributes & FILE_ATTRIBUTE_REPARSE_POINT)) return false;
    // A read-only file is not to be written. Windows refuses to replace one, Wine does not, so
    // the attribute is checked here.
    if (exists && (attributes & FILE_ATTRIBUTE_READONLY)) return false;
    if (exists) {
      // Held open by another program: left as it is. Asked before anything is made, as Wine's
      // ReplaceFileW would leave a file of its own behind when it fails on this.
      const DWORD probeError = WaitUntilReplaceable(target);
      if (probeError != ERROR_SUCCESS) {
        // No right to delete the file, which a replacement needs; it may still be writable.
        return probeError == ERROR_ACCESS_DENIED && WriteInPlace(target, content, followLinks);
      }
    }
    // A replacement would leave the file's other names (hard links) with the old content; where
    // links are not trusted, that is just what is wanted.
    if (exists && followLinks && LinkCount(target) > 1) {
      return WriteInPlace(target, content, followLinks);
    }
    // The paths here are plain ones, which stop at MAX_PATH: a temporary name past it could not
    // be made, while the file's own name still can.
    // The longest name this process can give, with the counter at its widest.
    if (TemporaryName(target, std::numeric_limits<unsigned>::max()).size() >= MAX_PATH) {
      return WriteInPlace(target, content, followLinks, exists ? OPEN_EXISTING : CREATE_NEW);
    }

    std::wstring temporary;
    UniqueFileHandle file;
    DWORD createError = ERROR_SUCCESS;
    const DWORD createFlags =
        FILE_ATTRIBUTE_NORMAL | (followLinks ? 0 : FILE_FLAG_OPEN_REPARSE_POINT);
    // A name of our own per attempt; CREATE_NEW never takes over a file someone else made.
    for (int attempt = 0; attempt < 16 && !file; ++attempt) {
      temporary = TemporaryName(target, counter_.fetch_add(1));
      file = UniqueFileHandle(CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                          createFlags, nullptr));
      createError = file ? ERROR_SUCCESS : GetLastError();
      if (!file && createError != ERROR_FILE_EXISTS) break;
    }
    // The folder refuses a new file (no right to add files to it); the file may be writable.
    if (!file) {
      return exists && createError == ERROR_ACCESS_DENIED &&
             WriteInPlace(target, content, followLinks);
    }
    const bool written = WriteAll(file.get(), content) && FlushFileBuffers(file.get());
    file.reset();
    if (!written) {
      DeleteFileW(temporary.c_str());
      return false;
    }
    if (!exists) {
      if (MoveFileExW(temporary.c_str(), target.c_str(), MOVEFILE_WRITE_THROUGH)) return true;
      DeleteFileW(temporary.c_str());
      return false;
    }
    const DWORD replaceError = ReplaceWithRetries(target, temporary);
    if (replaceError == ERROR_SUCCESS) {
      KeepAttributes(target, attributes);
      return true;
    }
    // The old file has left its name and the new one still has the temporary name (moving it
    // failed, or under _2 it took the old file's streams and attributes first): finish the move.
    if (replaceError == ERROR_UNABLE_TO_MOVE_REPLACEMENT ||
        replaceError == ERROR_UNABLE_TO_MOVE_REPLACEMENT_2) {
      if (GetFileAttributesW(target.c_str()) == INVALID_FILE_ATTRIBUTES &&
          MoveFileExW(temporary.c_str(), target.c_str(), MOVEFILE_WRITE_THROUGH)) {
        KeepAttributes(target, attributes);
        return true;
      }
      // Whatever holds the name now, the temporary file may be the only copy of the offset: it
      // stays, and the next start puts it in the file's place or removes it (RemoveLeftovers).
      return false;
    }
    DeleteFileW(temporary.c_str());
    // No right to delete the old file while it may be written; a file another program holds
    // open fails with a sharing violation here and again in WriteInPlace, and stays as it is.
    return replaceError == ERROR_ACCESS_DENIED && WriteInPlace(target, content, followLinks);
  }

  void RemoveLeftovers(const std::string& fileName) override {
    const std::wstring target = PathOf(fileName);
    const std::wstring pattern = target + L".*.tmp";
    WIN32_FIND_DATAW found{};
    const win32::UniqueFindHandle search(FindFirstFileExW(pattern.c_str(), FindExInfoBasic, &found,
                                                          FindExSearchNameMatch, nullptr, 0));
    if (!search) return;
    std::vector<WIN32_FIND_DATAW> stale;
    do {
      if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
      const std::uint32_t pid = LeftoverProcessId(fileName, win32::Cp936FromWide(found.cFileName));
      if (pid != 0 && !ProcessRunning(pid)) stale.push_back(found);
    } while (FindNextFileW(search.get(), &found));
    const std::wstring folder = PathOf("");
    if (!stale.empty() && GetFileAttributesW(target.c_str()) == INVALID_FILE_ATTRIBUTES) {
      // The newest leftover is the last offset saved: it takes the file's place.
      const auto newest = std::max_element(
          stale.begin(), stale.end(), [](const WIN32_FIND_DATAW& a, const WIN32_FIND_DATAW& b) {
            return CompareFileTime(&a.ftLastWriteTime, &b.ftLastWriteTime) < 0;
          });
      if (MoveFileExW((folder + newest->cFileName).c_str(), target.c_str(),
                      MOVEFILE_WRITE_THROUGH)) {
        stale.erase(newest);
      }
    }
    for (const WIN32_FIND_DATAW& leftover : stale) {
      DeleteFileW((folder + leftover.cFileName).c_str());
    }
  }

  bool OpenToStandardUsers(const std::string& fileName) override {
    std::vector<std::wstring> files = {PathOf(fileName)};
    if (!executable_.empty()) files.push_back(executable_);
    return StandardUsersCanChange(win32::PlaceOf(PathOf(""), files));
  }

  void DistrustLinks() override { distrustLinks_ = true; }

 private:
  ReadResult ReadWithAttempts(const std::string& fileName, std::size_t maxBytes, int attempts) {
    constexpr DWORD kPauseMs = 250;
    const std::wstring path = PathOf(fileName);
    const DWORD attributes = GetFileAttributesW(path.c_str());
    // A folder in the file's place does not turn into a file by waiting.
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
      return {Outcome::kUnreadable, {}};
    }
    for (int attempt = 1;; ++attempt) {
      ReadResult result = ReadOnce(path, maxBytes, !distrustLinks_);
      if (result.outcome != Outcome::kUnreadable || attempt >= attempts) return result;
      Sleep(kPauseMs);
    }
  }

  std::wstring PathOf(const std::string& fileName) const {
    std::wstring path = directory_;
    if (!path.empty() && path.back() != L'\\' && path.back() != L'/') path += L'\\';
    return path + win32::WideFrom936(fileName);
  }

  std::wstring TemporaryName(const std::wstring& target, unsigned counter) const {
    return target + L"." + std::to_wstring(GetCurrentProcessId()) + L"." +
           std::to_wstring(counter) + L".tmp";
  }

  // ReplaceFileW, asked again for about half a second while another program holds the file.
  DWORD ReplaceWithRetries(const std::wstring& target, const std::wstring& temporary) {
    constexpr int kAttempts = 10;
    constexpr DWORD kPauseMs = 50;
    for (int attempt = 1;; ++attempt) {
      // ReplaceFileW keeps the old file's attributes, security, streams and creation time on the
      // new content; a rename would put a new file with default ones in its place.
      if (replaceFile_(target.c_str(), temporary.c_str(), nullptr, REPLACEFILE_IGNORE_MERGE_ERRORS,
                       nullptr, nullptr)) {
        return ERROR_SUCCESS;
      }
      const DWORD error = GetLastError();
      if (!ReplaceMayBeRetried(error) || attempt == kAttempts) return error;
      Sleep(kPauseMs);
    }
  }

  std::wstring directory_;
  std::wstring executable_;
  win32::ReplaceFileCall replaceFile_;
  std::atomic<unsigned> counter_{0};
  bool distrustLinks_ = false;
};

}  // namespace

std::unique_ptr<DirectoryFiles> DirectoryFilesIn(const std::filesystem::path& directory) {
  return std::make_unique<Win32DirectoryFiles>(directory.wstring(), std::wstring(),
                                               &::ReplaceFileW);
}

std::unique_ptr<DirectoryFiles> win32::DirectoryFilesWith(std::wstring directory,
                                                          std::wstring executable,
                                                          ReplaceFileCall replaceFile) {
  return std::make_unique<Win32DirectoryFiles>(std::move(directory), std::move(executable),
                                               replaceFile);
}

// The folder of the executable; empty when its path cannot be had. Kept as UTF-16 text, without
// std::filesystem, which would more than double the exe's size.
DirectoryFiles& real::TheRunDirectoryFiles() {
  static Win32DirectoryFiles& files = *[] {
    const std::wstring path = win32::ExecutablePath();
    return new Win32DirectoryFiles(win32::FolderOf(path), path, &::ReplaceFileW);
  }();
  return files;
}

}  // namespace lanqi::platform
