#include "tests/e2e/window_access.hpp"

namespace lanqi::e2e {
namespace {

// Long enough for a loaded machine; a program that needs longer counts as hung.
constexpr UINT kSendTimeoutMs = 5000;

struct Search {
  DWORD pid;
  const wchar_t* className;  // null: any class
  std::vector<HWND> found;
};

bool OwnedBy(HWND window, DWORD pid) {
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  return owner == pid;
}

BOOL CALLBACK CollectWindow(HWND window, LPARAM parameter) {
  auto& search = *reinterpret_cast<Search*>(parameter);
  if (OwnedBy(window, search.pid) &&
      (search.className == nullptr || ClassNameOf(window) == search.className)) {
    search.found.push_back(window);
  }
  return TRUE;
}

}  // namespace

std::vector<HWND> TopLevelWindowsOf(DWORD pid, const wchar_t* className) {
  Search search{pid, className, {}};
  EnumWindows(CollectWindow, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

HWND FindTopLevelWindow(DWORD pid, const wchar_t* className, const std::wstring& title) {
  for (HWND window : TopLevelWindowsOf(pid, className)) {
    if (ReadWindowText(window) == title) return window;
  }
  return nullptr;
}

std::vector<HWND> AllTopLevelWindowsOf(DWORD pid) {
  Search search{pid, nullptr, {}};
  EnumWindows(CollectWindow, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

std::vector<HWND> MessageOnlyWindowsOf(DWORD pid) {
  std::vector<HWND> found;
  for (HWND window = FindWindowExW(HWND_MESSAGE, nullptr, nullptr, nullptr); window != nullptr;
       window = FindWindowExW(HWND_MESSAGE, window, nullptr, nullptr)) {
    if (OwnedBy(window, pid)) found.push_back(window);
  }
  return found;
}

std::wstring ClassNameOf(HWND window) {
  wchar_t name[256] = {};
  const int length = GetClassNameW(window, name, 256);
  return std::wstring(name, length > 0 ? static_cast<std::size_t>(length) : 0);
}

std::optional<std::wstring> ReadWindowText(HWND window) {
  // The text can grow between the length query and the copy (a clock line going from 9秒 to
  // 10秒), so read into a buffer with room to spare and read again if the copy filled it.
  for (int attempt = 0; attempt < 4; ++attempt) {
    DWORD_PTR length = 0;
    if (!SendMessageTimeoutW(window, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, kSendTimeoutMs,
                             &length)) {
      return std::nullopt;
    }
    std::wstring text(static_cast<std::size_t>(length) + 64, L'\0');
    DWORD_PTR copied = 0;
    if (!SendMessageTimeoutW(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()),
                             SMTO_ABORTIFHUNG, kSendTimeoutMs, &copied)) {
      return std::nullopt;
    }
    if (copied + 1 < text.size()) {
      text.resize(static_cast<std::size_t>(copied));
      return text;
    }
  }
  return std::nullopt;
}

std::optional<RECT> RectInParentClient(HWND child) {
  RECT rect{};
  HWND parent = GetParent(child);
  if (parent == nullptr || !GetWindowRect(child, &rect)) return std::nullopt;
  MapWindowPoints(HWND_DESKTOP, parent, reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}

std::optional<RECT> OuterRect(HWND window) {
  RECT rect{};
  if (!GetWindowRect(window, &rect)) return std::nullopt;
  return rect;
}

bool Click(HWND button) {
  // BM_CLICK would make the button press and release itself with mouse messages, which need the
  // mouse capture in between; an activation that arrives late on a loaded machine takes the
  // capture away and the click does nothing. The notification the button sends its parent on a
  // click does not depend on focus, activation or capture.
  HWND parent = GetParent(button);
  const int id = GetDlgCtrlID(button);
  return parent != nullptr && id != 0 &&
         PostMessageW(parent, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                      reinterpret_cast<LPARAM>(button)) != FALSE;
}

bool RequestClose(HWND window) {
  return PostMessageW(window, WM_CLOSE, 0, 0) != FALSE;
}

bool PostTrayNotification(HWND trayWindow, unsigned callbackMessage, WPARAM iconId,
                          UINT mouseMessage) {
  return PostMessageW(trayWindow, callbackMessage, iconId, static_cast<LPARAM>(mouseMessage)) !=
         FALSE;
}

}  // namespace lanqi::e2e
