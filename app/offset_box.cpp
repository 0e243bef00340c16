#include "app/offset_box.hpp"

#include <algorithm>
#include <limits>

namespace lanqi {
namespace {

std::int32_t Saturate(std::int64_t value) {
  return static_cast<std::int32_t>(std::clamp<std::int64_t>(
      value, std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max()));
}

std::string DecimalText(std::int32_t value) {
  return std::to_string(value);
}

}  // namespace

void OffsetBox::LoadOffset() {
  // Logged before the gate is taken: the log box's upkeep may process messages.
  if (file_.DistrustIfOpenToOthers()) window_.AppendLogLine(kOpenFolderWarning);
  const auto changing = gate_.ChangingOffset();
  Apply(file_.Load(), window_.Text(platform::kOffsetBox), false);
}

void OffsetBox::StepOffset(int step) {
  const auto changing = gate_.ChangingOffset();
  const std::string shown = window_.Text(platform::kOffsetBox);
  Apply(Saturate(std::int64_t{ToInteger(shown)} + step), shown, true);
}

void OffsetBox::OnOffsetBoxChanged() {
  // The change event of the box's own rewrite: the value is in force and saved already.
  if (rewriting_) return;
  const auto changing = gate_.ChangingOffset();
  const std::string shown = window_.Text(platform::kOffsetBox);
  if (IsNumberBeingStarted(shown)) {
    // Left as typed; until a digit comes the offset in force is 0.
    state_.SetOffset(0);
    file_.Save(0, true);
    return;
  }
  if (Apply(ToInteger(shown), shown, true)) {
    // Setting the text puts the caret before it; the next key belongs after what was typed.
    window_.SetSelectionStart(platform::kOffsetBox, -1);
  }
}

void OffsetBox::TakeOutsideChange(std::uint64_t tickMs) {
  const auto changing = gate_.ChangingOffset();
  const std::optional<std::int32_t> taken = file_.Look(tickMs, state_.offsetSeconds.load());
  if (!taken) return;
  ShowInBox(*taken);
  state_.SetOffset(*taken);
}

void OffsetBox::SaveOffsetAtEnd(std::uint64_t tickMs) {
  TakeOutsideChange(tickMs);
  const auto changing = gate_.ChangingOffset();
  file_.SaveAtEnd(state_.offsetSeconds.load());
}

bool OffsetBox::Apply(std::int32_t value, const std::string& shown, bool byUser) {
  const bool rewritten = shown != DecimalText(value);
  if (rewritten) ShowInBox(value);
  state_.SetOffset(value);
  file_.Save(value, byUser);
  return rewritten;
}

void OffsetBox::ShowInBox(std::int32_t value) {
  rewriting_ = true;
  window_.SetText(platform::kOffsetBox, DecimalText(value));
  rewriting_ = false;
}

}  // namespace lanqi
