// The main window as a person sees it right after start: title, frame, size, place, and every
// control at its position with its text.

#include <windows.h>

#include <cwchar>

#include "platform/win32/control_ids.hpp"
#include "platform/win32/main_window_layout.hpp"
#include "platform/win32/text_936.hpp"
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

// The exe's controls as the form and the layout describe them, seen from another process.
TEST_F(MainWindow, EveryControlIsAtItsPlaceWithItsKindAndInitialText) {
  for (const ids::ControlLayout& layout : ids::kLayout) {
    const platform::ControlForm& form = layout.form;
    SCOPED_TRACE(layout.id);
    HWND control = Program().Control(layout.id);
    ASSERT_NE(control, nullptr) << "no child window with id " << layout.id;
    EXPECT_EQ(_wcsicmp(ClassNameOf(control).c_str(), layout.className), 0)
        << "class " << Utf8(ClassNameOf(control)) << ", expected " << Utf8(layout.className);
    // The control's own flag: the window itself may not be shown yet.
    EXPECT_TRUE(GetWindowLongPtrW(control, GWL_STYLE) & WS_VISIBLE);

    const auto place = Program().ControlRect(layout.id);
    ASSERT_TRUE(place.has_value());
    EXPECT_EQ(place->left, form.left);
    EXPECT_EQ(place->top, form.top);
    EXPECT_EQ(place->right - place->left, form.width) << "width";
    EXPECT_EQ(place->bottom - place->top, form.height) << "height";

    const auto text = Program().ControlText(layout.id);
    ASSERT_TRUE(text.has_value()) << "no answer to WM_GETTEXT";
    const std::wstring initialText = ids::WideFrom936(form.text);
    if (*text != initialText) {
      EXPECT_TRUE(IsTextStartUpMayWrite(layout.id, *text))
          << "text " << Utf8(*text) << ", expected " << Utf8(initialText);
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
