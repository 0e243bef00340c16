#pragma once
// Message boxes a program shows: the visible dialog windows (class "#32770") of its process.

#include <windows.h>

#include <string>
#include <vector>

namespace lanqi::e2e {

struct MessageBoxSeen {
  HWND dialog = nullptr;
  std::wstring title;
  std::wstring text;
};

std::vector<MessageBoxSeen> VisibleMessageBoxesOf(DWORD pid);
// Presses the box's OK button the way a click would; true when the click was queued.
bool PressOk(const MessageBoxSeen& box);

}  // namespace lanqi::e2e
