#include "platform/win32/parent_process.hpp"

// tlhelp32.h needs the declarations of windows.h first.
#include <tlhelp32.h>

#include "platform/win32/unique_handle.hpp"

namespace lanqi::platform::win32 {
namespace {

constexpr DWORD kLongestPath = 32768;

std::optional<DWORD> ParentProcessId() {
  const UniqueFileHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  if (!snapshot) return std::nullopt;
  const DWORD self = GetCurrentProcessId();
  PROCESSENTRY32W entry{};
  entry.dwSize = sizeof entry;
  for (BOOL more = Process32FirstW(snapshot.get(), &entry); more;
       more = Process32NextW(snapshot.get(), &entry)) {
    if (entry.th32ProcessID == self) return entry.th32ParentProcessID;
  }
  return std::nullopt;
}

std::optional<ULONGLONG> CreationTime(HANDLE process) {
  FILETIME created{}, exited{}, kernel{}, user{};
  if (!GetProcessTimes(process, &created, &exited, &kernel, &user)) return std::nullopt;
  return (ULONGLONG{created.dwHighDateTime} << 32) | created.dwLowDateTime;
}

}  // namespace

std::wstring ProcessImagePath(HANDLE process) {
  std::wstring path(kLongestPath, L'\0');
  DWORD length = kLongestPath;
  if (!QueryFullProcessImageNameW(process, 0, path.data(), &length)) return {};
  path.resize(length);
  return path;
}

std::optional<std::wstring> ParentImagePath() {
  const std::optional<DWORD> parentId = ParentProcessId();
  if (!parentId || *parentId == 0) return std::nullopt;
  UniqueHandle parent(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, *parentId));
  if (!parent) return std::nullopt;
  // The id of an ended parent may have been given to a process started after this one.
  const auto parentCreated = CreationTime(parent.get());
  const auto selfCreated = CreationTime(GetCurrentProcess());
  if (!parentCreated || !selfCreated || *parentCreated > *selfCreated) return std::nullopt;
  std::wstring path = ProcessImagePath(parent.get());
  if (path.empty()) return std::nullopt;
  return path;
}

bool SameImagePath(const std::wstring& left, const std::wstring& right) {
  if (left.empty() || right.empty()) return false;
  return CompareStringOrdinal(left.c_str(), static_cast<int>(left.size()), right.c_str(),
                              static_cast<int>(right.size()), TRUE) == CSTR_EQUAL;
}

}  // namespace lanqi::platform::win32
