#include "platform/win32/main_window.hpp"

#include <commctrl.h>

#include <algorithm>
#include <optional>
#include <utility>

#include "platform/system.hpp"
#include "platform/win32/control_ids.hpp"
#include "platform/win32/text_936.hpp"
#include "platform/win32/win32_platform.hpp"
#include "platform/win32/window_class.hpp"
#include "resources/resource_ids.h"

namespace lanqi::platform::win32 {

namespace {

constexpr wchar_t kTitle[] = L"岚栖钟卫";
constexpr int kOuterWidth = 371;
constexpr int kOuterHeight = 356;
// A fixed frame with title bar and close box: no sizing border, no minimise or maximise box.
constexpr DWORD kMainWindowStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;

constexpr DWORD kLabelStyle = SS_LEFT | SS_CENTERIMAGE | SS_NOPREFIX;
constexpr DWORD kButtonStyle = BS_PUSHBUTTON | WS_TABSTOP;
// The log box: read-only, so the user cannot edit it, and without ES_NOHIDESEL, so the selection
// is hidden while it has no focus.
constexpr DWORD kLogBoxStyle =
    ES_MULTILINE | ES_AUTOVSCROLL | ES_READONLY | WS_VSCROLL | WS_TABSTOP;
constexpr DWORD kOffsetBoxStyle = ES_CENTER | ES_AUTOHSCROLL | WS_TABSTOP;

struct ControlLayout {
  Control control;
  int id;
  const wchar_t* className;
  const wchar_t* text;
  int left, top, width, height;
  DWORD style;
  DWORD exStyle;
};

// Positions and sizes are in the main window's client area, in pixels.
constexpr ControlLayout kLayout[] = {
    {kBeijingTimeLabel, kId标签1, L"STATIC", L"北京时间：0000年00月00日 00:00:00", 8, 8, 344, 24,
     kLabelStyle, 0},
    {kCorrectTimeLabel, kId标签2, L"STATIC", L"正确时间：0000年00月00日 00:00:00", 8, 40, 344, 24,
     kLabelStyle, 0},
    {kSystemTimeLabel, kId标签5, L"STATIC", L"系统时间：0000年00月00日 00:00:00", 8, 72, 344, 24,
     kLabelStyle, 0},
    {kOffsetCaption, kId标签3, L"STATIC", L"时差：", 8, 104, 64, 24, kLabelStyle, 0},
    {kStepDownButton, kId按钮1, L"BUTTON", L"-1s", 88, 104, 48, 24, kButtonStyle, 0},
    {kOffsetBox, kId编辑框2, L"EDIT", L"", 144, 104, 64, 24, kOffsetBoxStyle, WS_EX_CLIENTEDGE},
    {kStepUpButton, kId按钮2, L"BUTTON", L"+1s", 224, 104, 48, 24, kButtonStyle, 0},
    {kSecondsCaption, kId标签4, L"STATIC", L"秒", 288, 104, 64, 24, kLabelStyle, 0},
    {kLogBox, kId编辑框1, L"EDIT", L"", 6, 136, 346, 152, kLogBoxStyle, WS_EX_CLIENTEDGE},
    {kAutostartButton, kId按钮3, L"BUTTON", L"设置开机启动", 8, 296, 152, 24, kButtonStyle, 0},
    {kHideButton, kId按钮4, L"BUTTON", L"最小化窗口", 216, 296, 136, 24, kButtonStyle, 0},
};
static_assert(std::size(kLayout) == 11);

struct TimerSetting {
  Timer timer;
  int storedPeriodMs;
};
// The periods the timers count with from the moment the window is loaded.
constexpr TimerSetting kStoredTimers[] = {
    {kDisplayTimer, 1000},
    {kGuardTimer, 0},
    {kCalibrationTimer, 1800000},
};

constexpr std::size_t IndexOf(Control control) {
  return static_cast<std::size_t>(control);
}
constexpr std::size_t IndexOf(Timer timer) {
  return static_cast<std::size_t>(timer);
}
constexpr UINT_PTR TimerId(Timer timer) {
  return IndexOf(timer) + 1;
}

bool IsEditBox(Control control) {
  return control == kLogBox || control == kOffsetBox;
}

std::optional<Control> ControlOfId(int id) {
  for (const ControlLayout& layout : kLayout) {
    if (layout.id == id) return layout.control;
  }
  return std::nullopt;
}

std::optional<Timer> TimerOfId(UINT_PTR id) {
  for (const TimerSetting& setting : kStoredTimers) {
    if (TimerId(setting.timer) == id) return setting.timer;
  }
  return std::nullopt;
}

std::wstring WindowText(HWND window) {
  const int length = GetWindowTextLengthW(window);
  if (length <= 0) return {};
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  const int copied = GetWindowTextW(window, text.data(), length + 1);
  text.resize(copied > 0 ? static_cast<std::size_t>(copied) : 0);
  return text;
}

bool RegisterMainWindowClass(HINSTANCE instance, WNDPROC procedure) {
  WNDCLASSEXW windowClass = PlainWindowClass(instance, kMainWindowClass, procedure);
  // Shared icons belong to the system's cache; they are never destroyed by us.
  windowClass.hIcon = static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(LANQI_ICON_ID),
                                                    IMAGE_ICON, 0, 0, LR_DEFAULTSIZE | LR_SHARED));
  windowClass.hIconSm = static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(LANQI_ICON_ID),
                                                      IMAGE_ICON, GetSystemMetrics(SM_CXSMICON),
                                                      GetSystemMetrics(SM_CYSMICON), LR_SHARED));
  windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  return RegisterWindowClass(windowClass);
}

}  // namespace

MainWindow::MainWindow(HINSTANCE instance, WindowSystemCalls systemCalls)
    : instance_(instance),
      messageBox_(systemCalls.messageBox),
      tray_(systemCalls.shellNotifyIcon) {}

MainWindow::~MainWindow() {
  if (OnWindowThread()) {
    ending_.store(true);
    ReleaseResources();
  }
}

bool MainWindow::Load(WindowEvents& events) {
  // Makes this thread the window's thread; workers started from the creation handler on may call.
  if (!calls_.Create(instance_)) return false;
  INITCOMMONCONTROLSEX commonControls{sizeof commonControls, ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&commonControls);
  if (!RegisterMainWindowClass(instance_, &WindowProc)) return false;

  const int left = (GetSystemMetrics(SM_CXSCREEN) - kOuterWidth) / 2;
  const int top = (GetSystemMetrics(SM_CYSCREEN) - kOuterHeight) / 2;
  HWND window = CreateWindowExW(WS_EX_APPWINDOW, kMainWindowClass, kTitle, kMainWindowStyle, left,
                                top, kOuterWidth, kOuterHeight, nullptr, nullptr, instance_, this);
  if (window == nullptr) return false;
  window_.store(window);
  if (!CreateControls()) {
    ReleaseResources();
    return false;
  }

  UniqueHicon trayIcon(static_cast<HICON>(LoadImageW(instance_, MAKEINTRESOURCEW(LANQI_ICON_ID),
                                                     IMAGE_ICON, GetSystemMetrics(SM_CXSMICON),
                                                     GetSystemMetrics(SM_CYSMICON), 0)));
  // The tray window lives on this thread too, so its clicks arrive between other events.
  tray_.Create(instance_, std::move(trayIcon), kTitle, [this] {
    if (WindowEvents* events = Events()) events->OnTrayLeftButtonUp();
  });

  events_ = &events;
  StartStoredTimers();
  events.OnCreated();
  if (HWND shown = window_.load(); shown != nullptr && !ending_.load()) {
    ShowWindow(shown, SW_SHOW);
    UpdateWindow(shown);
  }
  return true;
}

bool MainWindow::CreateControls() {
  HWND parent = window_.load();
  const auto guiFont = reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT));
  logFont_.reset(CreateFontW(-12, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, GB2312_CHARSET,
                             OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                             DEFAULT_PITCH | FF_DONTCARE, L"微软雅黑"));
  for (const ControlLayout& layout : kLayout) {
    HWND control = CreateWindowExW(
        layout.exStyle, layout.className, layout.text, WS_CHILD | WS_VISIBLE | layout.style,
        layout.left, layout.top, layout.width, layout.height, parent,
        reinterpret_cast<HMENU>(static_cast<INT_PTR>(layout.id)), instance_, nullptr);
    if (control == nullptr) return false;
    controls_[IndexOf(layout.control)] = control;
    const bool isLogBox = layout.control == kLogBox;
    const WPARAM font = isLogBox && logFont_ ? reinterpret_cast<WPARAM>(logFont_.get()) : guiFont;
    SendMessageW(control, WM_SETFONT, font, FALSE);
    // 0 lifts the edit control's default limit of 32767 characters.
    if (IsEditBox(layout.control)) SendMessageW(control, EM_SETLIMITTEXT, 0, 0);
  }
  return true;
}

void MainWindow::StartStoredTimers() {
  for (const TimerSetting& setting : kStoredTimers) {
    timers_[IndexOf(setting.timer)] = TimerPeriod();
    SetTimerPeriod(setting.timer, setting.storedPeriodMs);
  }
}

void MainWindow::RunMessageLoop() {
  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    HWND window = window_.load();
    // Tab moves between the controls as in a dialog.
    if (window != nullptr && IsDialogMessageW(window, &message)) continue;
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  EndProgram(0);
}

void MainWindow::EndProgram(int exitCode) {
  ending_.store(true);  // no event is delivered from here on
  // Windows can only be destroyed by their own thread: from another thread the end is carried
  // there like any other call, and it does not come back.
  calls_.Run([&] {
    ReleaseResources();
    if (auto release = std::exchange(releaseAtEnd_, nullptr)) release();
    ExitProcess(static_cast<UINT>(exitCode));
  });
  // The window's thread could not be reached: its windows are gone already.
  if (auto release = std::exchange(releaseAtEnd_, nullptr)) release();
  ExitProcess(static_cast<UINT>(exitCode));
}

void MainWindow::ReleaseResources() {
  HWND window = window_.load();
  for (const TimerSetting& setting : kStoredTimers) {
    if (window != nullptr) KillTimer(window, TimerId(setting.timer));
  }
  tray_.Release();
  if (window != nullptr) DestroyWindow(window);
  window_.store(nullptr);
  controls_.fill(nullptr);
  logFont_.reset();
  calls_.Destroy();
}

void MainWindow::Invoke(const std::function<void()>& operation) {
  if (ending_.load()) return;
  // Asked again on the window's thread: the program may have begun to end meanwhile.
  calls_.Run([&] {
    if (!ending_.load()) operation();
  });
}

int MainWindow::TimerPeriodMs(Timer timer) const {
  const std::size_t index = IndexOf(timer);
  return index < timers_.size() ? timers_[index].Milliseconds() : 0;
}

HWND MainWindow::ControlWindow(Control control) const {
  const std::size_t index = IndexOf(control);
  return index < controls_.size() ? controls_[index] : nullptr;
}

std::string MainWindow::Text(Control control) {
  std::string text;
  Invoke([&] { text = Cp936FromWide(WindowText(ControlWindow(control))); });
  return text;
}

void MainWindow::ChangeEditContent(Control editBox, const std::function<void()>& change) {
  const int previousQuiet = quietControlId_;
  quietControlId_ = GetDlgCtrlID(ControlWindow(editBox));
  change();
  quietControlId_ = previousQuiet;
  if (WindowEvents* events = Events()) events->OnContentChanged(editBox);
}

void MainWindow::SetText(Control control, const std::string& text) {
  Invoke([&] {
    HWND window = ControlWindow(control);
    if (window == nullptr) return;
    const std::wstring wide = WideFrom936(text);
    if (!IsEditBox(control)) {
      SetWindowTextW(window, wide.c_str());
      return;
    }
    ChangeEditContent(control, [&] { SetWindowTextW(window, wide.c_str()); });
  });
}

void MainWindow::SetSelectionStart(Control editBox, int start) {
  Invoke([&] {
    HWND window = ControlWindow(editBox);
    if (window == nullptr || !IsEditBox(editBox)) return;
    const std::wstring wide = WindowText(window);
    std::size_t caret = wide.size();
    if (start >= 0) {
      // The start counts code page 936 bytes; the edit control counts UTF-16 units.
      const std::string bytes = Cp936FromWide(wide);
      const std::size_t byteStart = std::min(static_cast<std::size_t>(start), bytes.size());
      caret = WideFrom936(std::string_view(bytes).substr(0, byteStart)).size();
    }
    SendMessageW(window, EM_SETSEL, caret, caret);
    SendMessageW(window, EM_SCROLLCARET, 0, 0);
  });
}

void MainWindow::SetVisible(bool visible) {
  Invoke([&] {
    HWND window = window_.load();
    if (window == nullptr) return;
    ShowWindow(window, visible ? SW_SHOW : SW_HIDE);
    if (visible) SetForegroundWindow(window);
  });
}

void MainWindow::SetTrayShown(bool shown) {
  Invoke([&] { tray_.SetShown(shown); });
}

void MainWindow::SetTimerPeriod(Timer timer, int milliseconds) {
  Invoke([&] {
    HWND window = window_.load();
    const std::size_t index = IndexOf(timer);
    if (window == nullptr || index >= timers_.size()) return;
    switch (timers_[index].Set(milliseconds)) {
      case TimerAction::Keep:
        break;
      case TimerAction::Restart:
        // Setting an existing timer again replaces its period and restarts its count.
        SetTimer(window, TimerId(timer), static_cast<UINT>(timers_[index].Milliseconds()), nullptr);
        break;
      case TimerAction::Stop:
        KillTimer(window, TimerId(timer));
        break;
    }
  });
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

bool MainWindow::ShowBalloon(const std::string& title, const std::string& text, int iconKind,
                             int timeout) {
  bool shown = false;
  Invoke([&] { shown = tray_.ShowBalloon(title, text, iconKind, timeout); });
  return shown;
}

void MainWindow::ShowMessageBox(const std::string& text, const std::string& title,
                                MessageIcon icon) {
  Invoke([&] {
    const UINT iconFlag = icon == MessageIcon::Error ? MB_ICONERROR : MB_ICONINFORMATION;
    messageBox_(nullptr, WideFrom936(text).c_str(), WideFrom936(title).c_str(),
                MB_OK | iconFlag | MB_TASKMODAL);
  });
}

void MainWindow::WaitProcessingMessages(int milliseconds) {
  PumpingDelayMs(milliseconds);
  // The nested pump takes a WM_QUIT posted meanwhile off the queue; post it again so that the
  // message loop still ends when the window was destroyed during the wait.
  if (OnWindowThread() && destroyed_) PostQuitMessage(0);
}

LRESULT CALLBACK MainWindow::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  auto* self = reinterpret_cast<MainWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (self == nullptr) return DefWindowProcW(window, message, wParam, lParam);
  return self->HandleMessage(window, message, wParam, lParam);
}

LRESULT MainWindow::HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_COMMAND:
      OnCommand(wParam);
      return 0;
    case WM_TIMER:
      if (const auto timer = TimerOfId(wParam)) {
        if (WindowEvents* events = Events()) events->OnTimerTick(*timer);
      }
      return 0;
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLOREDIT:
      if (const auto brush =
              ControlBrush(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam))) {
        return reinterpret_cast<LRESULT>(brush);
      }
      break;
    case WM_CLOSE:
      // Close box, Alt+F4 and requests from outside all land here; the handler decides.
      if (WindowEvents* events = Events()) {
        if (events->OnCloseRequested()) DestroyWindow(window);
        return 0;
      }
      break;
    case WM_ENDSESSION:
      // Log-off or shutdown ends the process right after this message: destroy the window first
      // so that the destruction handler still runs.
      if (wParam != FALSE) DestroyWindow(window);
      return 0;
    case WM_DESTROY:
      destroyed_ = true;
      if (WindowEvents* events = Events()) events->OnDestroyed();
      tray_.Release();
      PostQuitMessage(0);
      return 0;
    case WM_NCDESTROY:
      window_.store(nullptr);
      controls_.fill(nullptr);
      // Calls from workers now come back at once instead of waiting for a loop that is ending.
      calls_.Destroy();
      break;
    default:
      break;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

void MainWindow::OnCommand(WPARAM wParam) {
  const auto control = ControlOfId(LOWORD(wParam));
  WindowEvents* events = Events();
  if (!control || events == nullptr) return;
  switch (HIWORD(wParam)) {
    case BN_CLICKED:
      if (!IsEditBox(*control)) events->OnButtonClicked(*control);
      break;
    case EN_CHANGE:
      // Changes made by the program raise the event themselves, exactly once.
      if (IsEditBox(*control) && LOWORD(wParam) != quietControlId_) {
        events->OnContentChanged(*control);
      }
      break;
    default:
      break;
  }
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
