#pragma once
// The current directory of another process, read from its process parameters the way a process
// explorer shows it.

#include <windows.h>

#include <optional>
#include <string>

namespace lanqi::e2e {

// The current directory of process `pid` as its process parameters hold it (with a trailing
// backslash); nothing when the process cannot be opened or read.
std::optional<std::wstring> CurrentDirectoryOf(DWORD pid);

}  // namespace lanqi::e2e
