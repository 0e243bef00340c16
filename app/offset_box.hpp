#pragma once
#include <cstdint>
#include <string>

#include "app/offset_file.hpp"
#include "platform/window.hpp"
#include "timekeeping/clock_state.hpp"
#include "timekeeping/guard.hpp"

namespace lanqi {

// The user's offset in whole seconds: edited in the offset box 编辑框2 or stepped with the "+1s"
// and "-1s" buttons, held in offsetSeconds and kept in the offset file. Every change of the
// offset in force (the user's, another copy's, the start's) is made under the guard gate's lock,
// so no guard pass compares with half of it.
class OffsetBox {
 public:
  // Logged once at start when a user without administrator rights could change the folder, the
  // program's executable or the file.
  static constexpr const char* kOpenFolderWarning =
      "警告：程序所在文件夹可被普通用户修改，建议放到 C:\\Program Files\\LanqiClockGuard。\r\n";

  OffsetBox(platform::Window& window, ClockState& state, OffsetFile& file, GuardGate& gate)
      : window_(window), state_(state), file_(file), gate_(gate) {}

  // At start-up: the folder's check (and its warning), then the stored offset goes to memory,
  // the box and the file.
  void LoadOffset();
  // The "+1s" (+1) and "-1s" (-1) buttons.
  void StepOffset(int step);
  // Every change of the box, typed or set by the program. A rewrite of typed text leaves the caret
  // at the end; an empty box or a lone sign stays as typed, with the offset 0 in force.
  void OnOffsetBoxChanged();
  // Each display tick, before the refresh: a value another copy wrote is shown and put in force
  // at once. `tickMs` is the tick count.
  void TakeOutsideChange(std::uint64_t tickMs);
  // The window's end: a newer value of another copy is taken rather than overwritten, and the
  // offset is saved only where the file does not hold it.
  void SaveOffsetAtEnd(std::uint64_t tickMs);

 private:
  // The value becomes the offset in force: the box shows its canonical text (rewritten only when
  // `shown`, the box's text, differs) and the file is saved once. True when the box was
  // rewritten.
  bool Apply(std::int32_t value, const std::string& shown, bool byUser);
  // The box shows `value`; the change event of that rewrite is ignored.
  void ShowInBox(std::int32_t value);

  platform::Window& window_;
  ClockState& state_;
  OffsetFile& file_;
  GuardGate& gate_;
  bool rewriting_ = false;
};

}  // namespace lanqi
