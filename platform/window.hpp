#pragma once
#include <functional>
#include <span>
#include <string>

namespace lanqi::platform {

// The controls of the main window, by their form names, each valued with its id in the real
// window: a control and its id are one value, so neither can be paired with the other's.
enum class Control {
  标签1 = 1001,
  标签2 = 1002,
  标签3 = 1003,
  标签4 = 1004,
  标签5 = 1005,
  按钮1 = 1011,
  按钮2 = 1012,
  按钮3 = 1013,
  按钮4 = 1014,
  编辑框1 = 1021,
  编辑框2 = 1022
};

// The three timers of the main window.
enum class Timer { 程序内部时间, 时钟1, 时钟2 };

// The controls and timers by the roles the program gives them.
inline constexpr Control kBeijingTimeLabel = Control::标签1;
inline constexpr Control kCorrectTimeLabel = Control::标签2;
inline constexpr Control kSystemTimeLabel = Control::标签5;
inline constexpr Control kOffsetCaption = Control::标签3;
inline constexpr Control kSecondsCaption = Control::标签4;
inline constexpr Control kStepDownButton = Control::按钮1;  // "-1s"
inline constexpr Control kStepUpButton = Control::按钮2;    // "+1s"
inline constexpr Control kAutostartButton = Control::按钮3;
inline constexpr Control kHideButton = Control::按钮4;
inline constexpr Control kLogBox = Control::编辑框1;
inline constexpr Control kOffsetBox = Control::编辑框2;
// Refreshes the three time labels every second.
inline constexpr Timer kDisplayTimer = Timer::程序内部时间;
// Compares the system clock with the correct time every second once calibrated.
inline constexpr Timer kGuardTimer = Timer::时钟1;
// Fetches the network time every 30 minutes, sooner after a failure.
inline constexpr Timer kCalibrationTimer = Timer::时钟2;

enum class MessageIcon { Information, Error };

// A text meant for one control.
struct ControlText {
  Control control;
  std::string text;
};

// What the main window reports to the program. All of it is called on the window's thread, but
// for the guard timer's ticks, which may come from any thread (the real window counts that timer
// on the thread pool).
class WindowEvents {
 public:
  virtual ~WindowEvents() = default;
  // The window and all its controls exist; the window is still hidden.
  virtual void OnCreated() = 0;
  // Close box, Alt+F4 or a close request from outside; answer false to keep the window.
  virtual bool OnCloseRequested() = 0;
  virtual void OnDestroyed() = 0;
  virtual void OnButtonClicked(Control button) = 0;
  // The content of an edit box changed, typed by the user or set by the program.
  virtual void OnContentChanged(Control editBox) = 0;
  // The left mouse button was released over the tray icon.
  virtual void OnTrayLeftButtonUp() = 0;
  virtual void OnTimerTick(Timer timer) = 0;
};

// The operations the program performs on its main window. Every one may be called from any
// thread; changes reach the window's thread synchronously, so each call returns when done.
// Texts are code page 936 bytes.
class Window {
 public:
  virtual ~Window() = default;
  // Caption of a label or button, content of an edit box.
  virtual std::string Text(Control control) = 0;
  // Setting an edit box's content raises its content-changed event once, after the change.
  virtual void SetText(Control control, const std::string& text) = 0;
  // Sets each text in the order given, as SetText does. The real window carries them to its
  // thread as one call: one hand-over for all of them instead of one each.
  virtual void SetTexts(std::span<const ControlText> texts) {
    for (const ControlText& each : texts) SetText(each.control, each.text);
  }
  // -1 puts the caret at the end with nothing selected and scrolls it into view.
  virtual void SetSelectionStart(Control editBox, int start) = 0;
  virtual void SetVisible(bool visible) = 0;
  // true adds the tray icon (or updates it when already there), false removes it.
  virtual void SetTrayShown(bool shown) = 0;
  // Milliseconds. The same period leaves the count undisturbed; another restarts it; 0 or less
  // stops.
  virtual void SetTimerPeriod(Timer timer, int milliseconds) = 0;
  // Adds text at the end of the log box (raising its content-changed event).
  virtual void AppendLogLine(const std::string& text) = 0;
  // A balloon from the tray icon; false when the icon is not in the notification area.
  virtual bool ShowBalloon(const std::string& title, const std::string& text, int iconKind,
                           int timeout) = 0;
  // Task-modal box with one OK button and no owner; returns when the user has closed it.
  virtual void ShowMessageBox(const std::string& text, const std::string& title,
                              MessageIcon icon) = 0;
  // Ends the program with the exit code: event delivery stops at once, the window, the tray icon
  // and what else the program holds are released, then the process ends. The real window never
  // returns from it.
  virtual void EndProgram(int exitCode) = 0;
};

}  // namespace lanqi::platform
