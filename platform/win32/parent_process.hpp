#pragma once
#include <windows.h>

#include <optional>
#include <string>

namespace lanqi::platform::win32 {

// The full Win32 path of a process's executable (QueryFullProcessImageNameW); empty when it
// cannot be asked. The handle needs PROCESS_QUERY_LIMITED_INFORMATION.
std::wstring ProcessImagePath(HANDLE process);

// The executable path of the process that started this one, while that process still runs;
// nothing when it has ended, cannot be opened, or its id now belongs to a younger process.
std::optional<std::wstring> ParentImagePath();

// Two image paths name the same file as Windows compares file names: whole, ignoring case by
// the system's own case table (so non-ASCII letters too).
bool SameImagePath(const std::wstring& left, const std::wstring& right);

}  // namespace lanqi::platform::win32
