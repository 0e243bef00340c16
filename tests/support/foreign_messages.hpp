#pragma once
// Messages another program might send the program's windows: every number in the usual range of
// private messages, and the registered ones this program knows (registered numbers are the same
// system-wide), with parameters that are no valid pointers.

#include <windows.h>

#include <utility>
#include <vector>

namespace lanqi::testing {

inline std::vector<UINT> ForeignMessageNumbers() {
  std::vector<UINT> numbers;
  for (UINT n = WM_APP; n < WM_APP + 64; ++n) numbers.push_back(n);
  numbers.push_back(RegisterWindowMessageW(L"TaskbarCreated"));
  // What the shell sends to a window with a taskbar button.
  numbers.push_back(RegisterWindowMessageW(L"TaskbarButtonCreated"));
  return numbers;
}

inline constexpr std::pair<WPARAM, LPARAM> kJunkParameters[] = {
    {0xDEADBEEF, static_cast<LPARAM>(0xDEADBEEF)}, {0, 0}, {~WPARAM{0}, -1}};

}  // namespace lanqi::testing
