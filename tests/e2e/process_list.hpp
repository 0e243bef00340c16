#pragma once
// The processes that run a given executable, found in the system's process list the way a task
// manager finds them, and ended by id.

#include <windows.h>

#include <filesystem>
#include <vector>

namespace lanqi::e2e {

// The ids of the running processes whose image is `exe` (full path, case ignored).
std::vector<DWORD> ProcessesRunning(const std::filesystem::path& exe);
// Ends the process with this id and waits until it is gone; true when it is gone.
bool EndProcess(DWORD pid);

}  // namespace lanqi::e2e
