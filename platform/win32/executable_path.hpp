#pragma once
#include <string>
#include <string_view>

namespace lanqi::platform::win32 {

// The running executable's full path, in UTF-16 so that any folder name survives; asked for with
// a growing buffer, as a long path may exceed MAX_PATH. Empty when the system cannot give it.
std::wstring ExecutablePath();

// The folder of a path: the path cut at its last backslash. A backslash that follows a drive
// ("C:\", "\\?\C:\") stays, so the folder is the drive's root and not the drive's current
// directory that "C:" names. Empty when the path holds no backslash.
std::wstring FolderOf(std::wstring_view path);

}  // namespace lanqi::platform::win32
