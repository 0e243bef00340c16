#include "tests/e2e/process_directory.hpp"

#include <winternl.h>

#include <cstdint>
#include <vector>

#include "platform/win32/unique_handle.hpp"

namespace lanqi::e2e {
namespace {

// Offsets in the 64-bit layouts, which the public headers leave unnamed: PEB.ProcessParameters
// and RTL_USER_PROCESS_PARAMETERS.CurrentDirectory.DosPath (a UNICODE_STRING).
constexpr std::uintptr_t kPebProcessParameters = 0x20;
constexpr std::uintptr_t kParametersCurrentDirectory = 0x38;

template <typename Value>
bool ReadRemote(HANDLE process, std::uintptr_t address, Value& value) {
  SIZE_T read = 0;
  return ReadProcessMemory(process, reinterpret_cast<const void*>(address), &value, sizeof value,
                           &read) &&
         read == sizeof value;
}

using QueryInformationProcess = NTSTATUS(NTAPI*)(HANDLE, PROCESSINFOCLASS, PVOID, ULONG, PULONG);

}  // namespace

std::optional<std::wstring> CurrentDirectoryOf(DWORD pid) {
  const platform::win32::UniqueHandle process(
      OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, pid));
  if (!process) return std::nullopt;
  const auto query = reinterpret_cast<QueryInformationProcess>(reinterpret_cast<void*>(
      GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtQueryInformationProcess")));
  PROCESS_BASIC_INFORMATION basic{};
  if (query == nullptr ||
      query(process.get(), ProcessBasicInformation, &basic, sizeof basic, nullptr) != 0) {
    return std::nullopt;
  }
  std::uintptr_t parameters = 0;
  UNICODE_STRING path{};
  const auto peb = reinterpret_cast<std::uintptr_t>(basic.PebBaseAddress);
  if (!ReadRemote(process.get(), peb + kPebProcessParameters, parameters) ||
      !ReadRemote(process.get(), parameters + kParametersCurrentDirectory, path)) {
    return std::nullopt;
  }
  std::vector<wchar_t> text(path.Length / sizeof(wchar_t));
  SIZE_T read = 0;
  if (!text.empty() &&
      (!ReadProcessMemory(process.get(), path.Buffer, text.data(), path.Length, &read) ||
       read != path.Length)) {
    return std::nullopt;
  }
  return std::wstring(text.begin(), text.end());
}

}  // namespace lanqi::e2e
