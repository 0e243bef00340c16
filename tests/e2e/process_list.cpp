#include "tests/e2e/process_list.hpp"

// tlhelp32.h needs the declarations of windows.h first.
#include <tlhelp32.h>

#include <string>

#include "platform/win32/unique_handle.hpp"
#include "tests/e2e/poll.hpp"

namespace lanqi::e2e {
namespace {

using platform::win32::UniqueHandle;

std::wstring ImageOf(DWORD pid) {
  const UniqueHandle process(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid));
  if (!process) return {};
  std::wstring path(32768, L'\0');
  DWORD length = static_cast<DWORD>(path.size());
  if (!QueryFullProcessImageNameW(process.get(), 0, path.data(), &length)) return {};
  path.resize(length);
  return path;
}

bool SamePath(const std::wstring& left, const std::wstring& right) {
  return !left.empty() &&
         CompareStringOrdinal(left.c_str(), static_cast<int>(left.size()), right.c_str(),
                              static_cast<int>(right.size()), TRUE) == CSTR_EQUAL;
}

}  // namespace

std::vector<DWORD> ProcessesRunning(const std::filesystem::path& exe) {
  std::vector<DWORD> found;
  const platform::win32::UniqueFileHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  if (!snapshot) return found;
  const std::wstring wanted = exe.wstring();
  const std::wstring wantedName = exe.filename().wstring();
  PROCESSENTRY32W entry{};
  entry.dwSize = sizeof entry;
  for (BOOL more = Process32FirstW(snapshot.get(), &entry); more;
       more = Process32NextW(snapshot.get(), &entry)) {
    // The name first: only processes of that file name are opened and asked for their path.
    if (!SamePath(entry.szExeFile, wantedName)) continue;
    if (SamePath(ImageOf(entry.th32ProcessID), wanted)) found.push_back(entry.th32ProcessID);
  }
  return found;
}

bool EndProcess(DWORD pid) {
  const UniqueHandle process(OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, pid));
  if (!process) return true;  // gone already
  TerminateProcess(process.get(), 1);
  return WaitForSingleObject(process.get(), static_cast<DWORD>(kStateDeadline.count())) ==
         WAIT_OBJECT_0;
}

}  // namespace lanqi::e2e
