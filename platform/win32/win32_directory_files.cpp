#include <windows.h>

#include <algorithm>
#include <atomic>
#include <climits>
#include <string>
#include <utility>

#include "platform/run_directory_files.hpp"
#include "platform/win32/text_936.hpp"
#include "platform/win32/unique_handle.hpp"

namespace lanqi::platform {
namespace {

using win32::UniqueHandle;

UniqueHandle OwnHandle(HANDLE handle) {
  return UniqueHandle(handle == INVALID_HANDLE_VALUE ? nullptr : handle);
}

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

// The directory stays a wide path from start to end; only the file name crosses in code page 936.
class Win32DirectoryFiles final : public DirectoryFiles {
 public:
  explicit Win32DirectoryFiles(std::wstring directory) : directory_(std::move(directory)) {}

  std::optional<std::vector<std::uint8_t>> ReadUpTo(const std::string& fileName,
                                                    std::size_t maxBytes) override {
    const UniqueHandle file =
        OwnHandle(CreateFileW(PathOf(fileName).c_str(), GENERIC_READ,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    // Only a file on disk: a named pipe or device in its place could block the read.
    if (!file || GetFileType(file.get()) != FILE_TYPE_DISK) return std::nullopt;
    std::vector<std::uint8_t> bytes(maxBytes);
    std::size_t got = 0;
    while (got < maxBytes) {
      const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(maxBytes - got, 1u << 20));
      DWORD read = 0;
      if (!ReadFile(file.get(), bytes.data() + got, chunk, &read, nullptr)) return std::nullopt;
      if (read == 0) break;
      got += read;
    }
    bytes.resize(got);
    return bytes;
  }

  bool Replace(const std::string& fileName, std::span<const std::uint8_t> content) override {
    const std::wstring target = PathOf(fileName);
    // A read-only file is not to be written. Windows refuses to replace one, Wine does not, so
    // the attribute is checked here.
    const DWORD attributes = GetFileAttributesW(target.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY)) {
      return false;
    }
    std::wstring temporary;
    UniqueHandle file;
    // A name of our own per attempt; CREATE_NEW never takes over a file someone else made.
    for (int attempt = 0; attempt < 16 && !file; ++attempt) {
      temporary = target + L"." + std::to_wstring(GetCurrentProcessId()) + L"." +
                  std::to_wstring(counter_.fetch_add(1)) + L".tmp";
      file = OwnHandle(CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                   FILE_ATTRIBUTE_NORMAL, nullptr));
      if (!file && GetLastError() != ERROR_FILE_EXISTS) return false;
    }
    if (!file) return false;
    const bool written = WriteAll(file.get(), content) && FlushFileBuffers(file.get());
    file.reset();
    // Replacing fails on a file another program holds open without delete sharing: the old
    // content stays in place and the save is skipped.
    if (!written || !MoveFileExW(temporary.c_str(), target.c_str(),
                                 MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
      DeleteFileW(temporary.c_str());
      return false;
    }
    return true;
  }

 private:
  std::wstring PathOf(const std::string& fileName) const {
    std::wstring path = directory_;
    if (!path.empty() && path.back() != L'\\' && path.back() != L'/') path += L'\\';
    return path + win32::WideFrom936(fileName);
  }

  std::wstring directory_;
  std::atomic<unsigned> counter_{0};
};

// The module path cut at its last backslash. Long paths are asked for with a growing buffer.
std::wstring ExecutableDirectory() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (length == 0) return {};
    if (length < path.size()) {
      path.resize(length);
      break;
    }
    if (path.size() >= 32768) return {};
    path.resize(path.size() * 2);
  }
  const std::size_t cut = path.rfind(L'\\');
  return cut == std::wstring::npos ? std::wstring() : path.substr(0, cut);
}

}  // namespace

std::unique_ptr<DirectoryFiles> MakeDirectoryFiles(const std::filesystem::path& directory) {
  return std::make_unique<Win32DirectoryFiles>(directory.wstring());
}

std::unique_ptr<DirectoryFiles> MakeRunDirectoryFiles() {
  return std::make_unique<Win32DirectoryFiles>(ExecutableDirectory());
}

}  // namespace lanqi::platform
