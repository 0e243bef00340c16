#include "app/offset_editor.hpp"

#include <algorithm>
#include <cstdint>
#include <limits>
#include <vector>

#include "text/code_page_936.hpp"

namespace lanqi {
namespace {

using platform::Control;

constexpr std::int64_t kMin = std::numeric_limits<std::int32_t>::min();
constexpr std::int64_t kMax = std::numeric_limits<std::int32_t>::max();

std::int32_t Saturate(std::int64_t value) {
  return static_cast<std::int32_t>(std::clamp(value, kMin, kMax));
}

bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

std::string DecimalText(std::int32_t value) {
  return std::to_string(value);
}

}  // namespace

std::int32_t ToInteger(std::string_view text) {
  const std::string folded = cp936::FoldFullWidth(text);
  std::size_t i = 0;
  while (i < folded.size() && IsBlank(folded[i])) ++i;
  bool negative = false;
  if (i < folded.size() && (folded[i] == '+' || folded[i] == '-')) negative = folded[i++] == '-';
  // Accumulated as a magnitude that stops growing just past the range, so any count of digits
  // saturates instead of overflowing.
  std::int64_t magnitude = 0;
  for (; i < folded.size() && folded[i] >= '0' && folded[i] <= '9'; ++i) {
    magnitude = std::min(magnitude * 10 + (folded[i] - '0'), kMax + 1);
  }
  return Saturate(negative ? -magnitude : magnitude);
}

OffsetEditor::OffsetEditor(platform::Window& window, ClockState& state,
                           platform::DirectoryFiles& files)
    : window_(window), state_(state), files_(files) {}

void OffsetEditor::LoadOffset() {
  files_.RemoveLeftovers(kFileName);
  // One byte more than the limit tells a file at the limit from a bigger one.
  std::vector<std::uint8_t> bytes =
      files_.ReadUpTo(kFileName, kReadLimitBytes + 1).value_or(std::vector<std::uint8_t>{});
  if (bytes.size() > kReadLimitBytes) {
    savesHeld_ = true;
    bytes.clear();
  }
  const auto end = std::find(bytes.begin(), bytes.end(), 0);
  state_.offsetSeconds.store(ToInteger(std::string(bytes.begin(), end)));
  loading_ = true;
  ShowInBox(state_.offsetSeconds.load());
  // The box may have shown this number already, so no change event ran: the file is written
  // here in any case, which also creates it on the first start.
  CommitBox();
  loading_ = false;
}

void OffsetEditor::SaveOffset() {
  if (savesHeld_) return;
  const std::string text = DecimalText(state_.offsetSeconds.load());
  files_.Replace(kFileName,
                 std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
}

void OffsetEditor::StepOffset(int step) {
  savesHeld_ = false;
  const std::int64_t current = ToInteger(window_.Text(Control::编辑框2));
  ShowInBox(Saturate(current + step));
  CommitBox();
}

void OffsetEditor::OnOffsetBoxChanged() {
  // A change the user made is theirs to save; the start-up's own setting of the box is not.
  if (!loading_) savesHeld_ = false;
  ShowInBox(ToInteger(window_.Text(Control::编辑框2)));
  CommitBox();
}

void OffsetEditor::ShowInBox(std::int32_t value) {
  const std::string text = DecimalText(value);
  // The flag stops a window that does not hand back the text it was given from driving the
  // rewrite round for ever.
  if (rewriting_ || window_.Text(Control::编辑框2) == text) return;
  rewriting_ = true;
  window_.SetText(Control::编辑框2, text);
  rewriting_ = false;
}

void OffsetEditor::CommitBox() {
  state_.offsetSeconds.store(ToInteger(window_.Text(Control::编辑框2)));
  SaveOffset();
}

}  // namespace lanqi
