#pragma once
// Reading and poking another process's windows the way a person at the screen would: find them,
// read their texts and places, click, close. Every cross-process send has a time limit, so a hung
// program fails a test instead of hanging it.

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

namespace lanqi::e2e {

// Top-level windows of process `pid` with window class `className` (hidden ones included).
std::vector<HWND> TopLevelWindowsOf(DWORD pid, const wchar_t* className);
// The first of them whose title is `title`; null when there is none.
HWND FindTopLevelWindow(DWORD pid, const wchar_t* className, const std::wstring& title);
// Every top-level window of process `pid`, whatever its class.
std::vector<HWND> AllTopLevelWindowsOf(DWORD pid);
// The message-only windows of process `pid`: not enumerated with the others, found by search.
std::vector<HWND> MessageOnlyWindowsOf(DWORD pid);

std::wstring ClassNameOf(HWND window);
// The window's text through WM_GETTEXT; nothing when the window does not answer in time.
std::optional<std::wstring> ReadWindowText(HWND window);

// The child's rectangle in its parent's client coordinates.
std::optional<RECT> RectInParentClient(HWND child);
// The window's outer rectangle in screen coordinates.
std::optional<RECT> OuterRect(HWND window);

// What a button tells its parent when it is clicked, posted: the call returns before the program
// handles it, so a click that opens a message box does not block the test.
bool Click(HWND button);
bool RequestClose(HWND window);
// The notification a tray icon sends its window for a mouse message over the icon: the icon's
// id in wParam and the mouse message in lParam.
bool PostTrayNotification(HWND trayWindow, unsigned callbackMessage, WPARAM iconId,
                          UINT mouseMessage);

}  // namespace lanqi::e2e
