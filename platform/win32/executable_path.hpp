#pragma once
#include <string>

namespace lanqi::platform::win32 {

// The running executable's full path, in UTF-16 so that any folder name survives; asked for with
// a growing buffer, as a long path may exceed MAX_PATH. Empty when the system cannot give it.
std::wstring ExecutablePath();

}  // namespace lanqi::platform::win32
