// The log box: lines appended at its end, and the colours of the log and offset boxes.
#include "platform/win32/main_window.hpp"
#include "platform/win32/main_window_layout.hpp"
#include "platform/win32/text_936.hpp"

namespace lanqi::platform::win32 {

UniqueHfont CreateLogBoxFont() {
  return UniqueHfont(CreateFontW(-12, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, GB2312_CHARSET,
                                 OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                                 DEFAULT_PITCH | FF_DONTCARE, L"微软雅黑"));
}
void MainWindow::AppendLogLine(const std::string& text) {
  Invoke([&] {
    HWND logBox = ControlWindow(kLogBox);
    if (logBox == nullptr) return;
    const std::wstring wide = WideFrom936(text);
    ChangeEditContent(kLogBox, [&] {
      const int end = GetWindowTextLengthW(logBox);
      SendMessageW(logBox, EM_SETSEL, end, end);
      SendMessageW(logBox, EM_SCROLLCARET, 0, 0);
      SendMessageW(logBox, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(wide.c_str()));
    });
  });
}

// The log box is white on black; a read-only edit box paints through WM_CTLCOLORSTATIC. The offset
// box is black on white. Everything else keeps the system's colours.
HBRUSH MainWindow::ControlBrush(HDC dc, HWND control) const {
  if (control != nullptr && control == ControlWindow(kLogBox)) {
    SetTextColor(dc, RGB(255, 255, 255));
    SetBkColor(dc, RGB(0, 0, 0));
    return static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
  }
  if (control != nullptr && control == ControlWindow(kOffsetBox)) {
    SetTextColor(dc, RGB(0, 0, 0));
    SetBkColor(dc, RGB(255, 255, 255));
    return static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
  }
  return nullptr;
}

}  // namespace lanqi::platform::win32
