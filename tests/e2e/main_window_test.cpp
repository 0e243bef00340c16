// The main window as a person sees it right after start: title, frame, size, place, and every
// control at its position with its text.

#include <windows.h>

#include <cwchar>

#include "platform/win32/control_ids.hpp"
#include "tests/e2e/clock_line.hpp"
#include "tests/e2e/e2e_fixture.hpp"
#include "tests/e2e/window_access.hpp"

namespace lanqi::e2e {
namespace {
namespace ids = platform::win32;

using MainWindow = ClockGuardScenario;

TEST_F(MainWindow, HasItsTitleAFixedFrameWithCloseBoxOnlyAndItsSizeCentred) {
  HWND window = Program().MainWindow();
  EXPECT_EQ(Utf8(ReadWindowText(window).value_or(L"")), Utf8(kMainWindowTitle));

  const auto style = static_cast<DWORD>(GetWindowLongPtrW(window, GWL_STYLE));
  EXPECT_TRUE(style & WS_CAPTION) << "title bar";
  EXPECT_TRUE(style & WS_SYSMENU) << "close box";
  EXPECT_FALSE(style & WS_MINIMIZEBOX) << "no minimise box";
  EXPECT_FALSE(style & WS_MAXIMIZEBOX) << "no maximise box";
  EXPECT_FALSE(style & WS_THICKFRAME) << "not resizable";
  const auto exStyle = static_cast<DWORD>(GetWindowLongPtrW(window, GWL_EXSTYLE));
  EXPECT_FALSE(exStyle & WS_EX_TOPMOST) << "not always on top";
  EXPECT_FALSE(exStyle & WS_EX_TOOLWINDOW) << "a tool window has no taskbar button";

  const auto outer = OuterRect(window);
  ASSERT_TRUE(outer.has_value());
  EXPECT_EQ(outer->right - outer->left, 371);
  EXPECT_EQ(outer->bottom - outer->top, 356);
  // Centred on the screen, within a pixel of rounding.
  const int screenWidth = GetSystemMetrics(SM_CXSCREEN);
  const int screenHeight = GetSystemMetrics(SM_CYSCREEN);
  EXPECT_NEAR(outer->left + outer->right, screenWidth, 2) << "left " << outer->left;
  EXPECT_NEAR(outer->top + outer->bottom, screenHeight, 2) << "top " << outer->top;
}

// Start-up fills some controls before the window is shown, and the first display tick may come
// before the test reads: for those the texts start-up or the tick writes are accepted too.
bool IsTextStartUpMayWrite(int id, const std::wstring& text) {
  if (id == ids::kId标签1) return ParseClockLine(text, L"北京时间：").has_value();
  if (id == ids::kId标签2) return ParseClockLine(text, L"正确时间：").has_value();
  if (id == ids::kId标签5) return ParseClockLine(text, L"系统时间：").has_value();
  if (id == ids::kId编辑框2) return text == L"0";  // the offset loaded with no file beside the exe
  if (id == ids::kId编辑框1) {
    return text.starts_with(std::wstring(kOpenFolderWarning) +
                            L"系统初始化成功，正在首次校对网络时间！");
  }
  return false;
}

// The exe's controls as a person sees them, from another process: each of its kind at its place
// in the client area, with its first text.
TEST_F(MainWindow, EveryControlIsAtItsPlaceWithItsKindAndInitialText) {
  const struct {
    int id;
    const wchar_t* className;
    int left, top, width, height;
    const wchar_t* text;
  } controls[] = {
      // clang-format off
      {ids::kId标签1, L"Static", 8, 8, 344, 24, L"北京时间：0000年00月00日 00:00:00"},
      {ids::kId标签2, L"Static", 8, 40, 344, 24, L"正确时间：0000年00月00日 00:00:00"},
      {ids::kId标签5, L"Static", 8, 72, 344, 24, L"系统时间：0000年00月00日 00:00:00"},
      {ids::kId标签3, L"Static", 8, 104, 64, 24, L"时差："},
      {ids::kId按钮1, L"Button", 88, 104, 48, 24, L"-1s"},
      {ids::kId编辑框2, L"Edit", 144, 104, 64, 24, L""},
      {ids::kId按钮2, L"Button", 224, 104, 48, 24, L"+1s"},
      {ids::kId标签4, L"Static", 288, 104, 64, 24, L"秒"},
      {ids::kId编辑框1, L"Edit", 6, 136, 346, 152, L""},
      {ids::kId按钮3, L"Button", 8, 296, 152, 24, L"设置开机启动"},
      {ids::kId按钮4, L"Button", 216, 296, 136, 24, L"最小化窗口"},
      // clang-format on
  };
  for (const auto& c : controls) {
    SCOPED_TRACE(Utf8(c.text) + " " + std::to_string(c.id));
    HWND control = Program().Control(c.id);
    ASSERT_NE(control, nullptr) << "no child window with id " << c.id;
    EXPECT_EQ(_wcsicmp(ClassNameOf(control).c_str(), c.className), 0)
        << "class " << Utf8(ClassNameOf(control));
    // The control's own flag: the window itself may not be shown yet.
    EXPECT_TRUE(GetWindowLongPtrW(control, GWL_STYLE) & WS_VISIBLE);

    const auto place = Program().ControlRect(c.id);
    ASSERT_TRUE(place.has_value());
    EXPECT_EQ(place->left, c.left);
    EXPECT_EQ(place->top, c.top);
    EXPECT_EQ(place->right - place->left, c.width) << "width";
    EXPECT_EQ(place->bottom - place->top, c.height) << "height";

    const auto text = Program().ControlText(c.id);
    ASSERT_TRUE(text.has_value()) << "no answer to WM_GETTEXT";
    if (*text != c.text) {
      EXPECT_TRUE(IsTextStartUpMayWrite(c.id, *text)) << "text " << Utf8(*text);
    }
  }
}

TEST_F(MainWindow, LogBoxIsReadOnlyMultiLineWithScrollBarAndOffsetBoxIsCentredAndEditable) {
  const auto logStyle =
      static_cast<DWORD>(GetWindowLongPtrW(Program().Control(ids::kId编辑框1), GWL_STYLE));
  EXPECT_TRUE(logStyle & ES_MULTILINE);
  EXPECT_TRUE(logStyle & ES_READONLY);
  EXPECT_TRUE(logStyle & WS_VSCROLL);
  EXPECT_TRUE(logStyle & ES_AUTOVSCROLL);
  EXPECT_FALSE(logStyle & ES_NOHIDESEL) << "selection hidden without focus";

  const auto offsetStyle =
      static_cast<DWORD>(GetWindowLongPtrW(Program().Control(ids::kId编辑框2), GWL_STYLE));
  EXPECT_FALSE(offsetStyle & ES_MULTILINE);
  EXPECT_FALSE(offsetStyle & ES_READONLY);
  EXPECT_TRUE(offsetStyle & ES_CENTER);

  for (int id : {ids::kId编辑框1, ids::kId编辑框2}) {
    const auto exStyle = static_cast<DWORD>(GetWindowLongPtrW(Program().Control(id), GWL_EXSTYLE));
    EXPECT_TRUE(exStyle & WS_EX_CLIENTEDGE) << "sunken border of control " << id;
  }
}

}  // namespace
}  // namespace lanqi::e2e
