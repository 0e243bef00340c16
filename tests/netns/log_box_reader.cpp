// Waits until the running program's log box holds the given text, then prints the log box as
// UTF-8. Exit code 0 when the text appeared within the limit, 1 otherwise.
//   log_box_reader.exe TEXT_UTF8 SECONDS
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/win32/control_ids.hpp"

namespace {

std::wstring FromUtf8(const std::string& text) {
  std::wstring wide(text.size(), L'\0');
  const int length = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                         wide.data(), static_cast<int>(wide.size()));
  wide.resize(length > 0 ? static_cast<std::size_t>(length) : 0);
  return wide;
}

std::string ToUtf8(const std::wstring& wide) {
  std::string text(wide.size() * 4, '\0');
  const int length =
      WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), text.data(),
                          static_cast<int>(text.size()), nullptr, nullptr);
  text.resize(length > 0 ? static_cast<std::size_t>(length) : 0);
  return text;
}

std::wstring LogBoxText() {
  const HWND window = FindWindowW(lanqi::platform::win32::kMainWindowClass, nullptr);
  const HWND logBox = window ? GetDlgItem(window, lanqi::platform::win32::kId编辑框1) : nullptr;
  if (logBox == nullptr) return {};
  DWORD_PTR length = 0;
  if (!SendMessageTimeoutW(logBox, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 2000, &length)) {
    return {};
  }
  std::wstring text(length + 1, L'\0');
  DWORD_PTR copied = 0;
  if (!SendMessageTimeoutW(logBox, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()),
                           SMTO_ABORTIFHUNG, 2000, &copied)) {
    return {};
  }
  text.resize(copied);
  return text;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: log_box_reader TEXT_UTF8 SECONDS\n");
    return 2;
  }
  const std::wstring wanted = FromUtf8(argv[1]);
  const ULONGLONG deadline = GetTickCount64() + 1000ULL * std::strtoul(argv[2], nullptr, 10);
  std::wstring text;
  do {
    text = LogBoxText();
    if (text.find(wanted) != std::wstring::npos) break;
    Sleep(200);
  } while (GetTickCount64() < deadline);
  if (FindWindowW(lanqi::platform::win32::kMainWindowClass, nullptr) == nullptr) {
    std::fprintf(stderr, "log_box_reader: the main window was not found\n");
  }
  std::printf("%s\n", ToUtf8(text).c_str());
  return text.find(wanted) != std::wstring::npos ? 0 : 1;
}
