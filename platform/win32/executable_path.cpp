#include "platform/win32/executable_path.hpp"

#include <windows.h>

namespace lanqi::platform::win32 {

std::wstring ExecutablePath() {
  constexpr std::size_t kLongestPath = 32768;  // the longest path Windows has
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (length == 0) return {};
    // A path that fills the buffer was cut off: try again with more room.
    if (length < path.size()) {
      path.resize(length);
      return path;
    }
    if (path.size() >= kLongestPath) return {};
    path.resize(path.size() * 2);
  }
}

std::wstring FolderOf(std::wstring_view path) {
  const std::size_t cut = path.rfind(L'\\');
  if (cut == std::wstring_view::npos) return {};
  const bool afterDrive = cut > 0 && path[cut - 1] == L':';
  return std::wstring(path.substr(0, afterDrive ? cut + 1 : cut));
}

}  // namespace lanqi::platform::win32
