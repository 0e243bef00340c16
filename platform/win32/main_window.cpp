#include "platform/win32/main_window.hpp"

#include <commctrl.h>

#include <utility>

#include "platform/win32/main_window_layout.hpp"
#include "platform/win32/text_936.hpp"
#include "platform/win32/tray_icon_image.hpp"
#include "platform/win32/win32_platform.hpp"
#include "platform/win32/window_class.hpp"
#include "resources/resource_ids.h"

// The main window's class, creation, message procedure and end.
namespace lanqi::platform::win32 {

namespace {

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
      tray_(systemCalls.shellNotifyIcon, systemCalls.changeMessageFilter) {}

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

  // Drawn at the size the shell shows it, not a 16-pixel image stretched at 125-300 %.
  UniqueHicon trayIcon = LoadProgramIcon(instance_, SmallIconSizeForDpi(ShellDpi()));
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
  logFont_ = CreateLogBoxFont();
  for (const ControlLayout& layout : kLayout) {
    const ControlForm& form = kControlForms[IndexOf(layout.control)];
    HWND control = CreateWindowExW(
        layout.exStyle, layout.className, WideFrom936(form.text).c_str(),
        WS_CHILD | WS_VISIBLE | layout.style, form.left, form.top, form.width, form.height, parent,
        reinterpret_cast<HMENU>(static_cast<INT_PTR>(ControlId(form.control))), instance_, nullptr);
    if (control == nullptr) return false;
    controls_[IndexOf(form.control)] = control;
    const bool isLogBox = form.control == kLogBox;
    const WPARAM font = isLogBox && logFont_ ? reinterpret_cast<WPARAM>(logFont_.get()) : guiFont;
    SendMessageW(control, WM_SETFONT, font, FALSE);
    // 0 lifts the edit control's default limit of 32767 characters.
    if (IsEditBox(form.control)) SendMessageW(control, EM_SETLIMITTEXT, 0, 0);
  }
  return true;
}

void MainWindow::StartStoredTimers() {
  for (const TimerForm& form : kTimerForms) {
    timers_[IndexOf(form.timer)] = TimerPeriod();
    SetTimerPeriod(form.timer, form.storedPeriodMs);
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
  for (const TimerForm& form : kTimerForms) {
    if (window != nullptr) KillTimer(window, TimerId(form.timer));
  }
  guardTimer_.Stop();
  tray_.Release();
  if (window != nullptr) DestroyWindow(window);
  window_.store(nullptr);
  controls_.fill(nullptr);
  logFont_.reset();
  calls_.Destroy();
}

LRESULT CALLBACK MainWindow::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* self = WindowOwner<MainWindow>(window, message, lParam);
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
        const auto tick = [&] {
          if (WindowEvents* events = Events()) events->OnTimerTick(*timer);
        };
        // The display's worker sets its labels right after its tick: met here, that call needs
        // neither a message nor a wake-up of its own. The calibration calls back only after its
        // network fetch; a wait for it would end empty, one more wake-up.
        if (*timer == kDisplayTimer) {
          calls_.StartAndAwaitCall(tick, kAwaitCallsAfterTickMs);
        } else {
          tick();
        }
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

}  // namespace lanqi::platform::win32
