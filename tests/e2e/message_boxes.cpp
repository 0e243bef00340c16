#include "tests/e2e/message_boxes.hpp"

#include "tests/e2e/window_access.hpp"

namespace lanqi::e2e {
namespace {

constexpr wchar_t kDialogClass[] = L"#32770";
// The message text's control id: 0xFFFF on Windows and in current Wine, 100 in older Wine.
constexpr int kTextIds[] = {0xFFFF, 100};
constexpr int kIconId = 1088;

struct StaticSearch {
  std::wstring text;
};

BOOL CALLBACK FirstStaticText(HWND child, LPARAM parameter) {
  auto& search = *reinterpret_cast<StaticSearch*>(parameter);
  if (GetDlgCtrlID(child) == kIconId || ClassNameOf(child) != L"Static") return TRUE;
  auto text = ReadWindowText(child);
  if (!text || text->empty()) return TRUE;
  search.text = *text;
  return FALSE;
}

std::wstring MessageTextOf(HWND dialog) {
  for (int id : kTextIds) {
    if (HWND control = GetDlgItem(dialog, id)) {
      if (auto text = ReadWindowText(control)) return *text;
    }
  }
  StaticSearch search;
  EnumChildWindows(dialog, FirstStaticText, reinterpret_cast<LPARAM>(&search));
  return search.text;
}

}  // namespace

std::vector<MessageBoxSeen> VisibleMessageBoxesOf(DWORD pid) {
  std::vector<MessageBoxSeen> boxes;
  for (HWND dialog : TopLevelWindowsOf(pid, kDialogClass)) {
    if (!IsWindowVisible(dialog)) continue;
    boxes.push_back({dialog, ReadWindowText(dialog).value_or(L""), MessageTextOf(dialog)});
  }
  return boxes;
}

bool PressOk(const MessageBoxSeen& box) {
  if (HWND ok = GetDlgItem(box.dialog, IDOK)) return Click(ok);
  return PostMessageW(box.dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0) != FALSE;
}

}  // namespace lanqi::e2e
