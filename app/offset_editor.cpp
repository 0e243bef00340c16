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

using Outcome = platform::DirectoryFiles::ReadResult::Outcome;

std::string DecimalText(std::int32_t value) {
  return std::to_string(value);
}

// An empty box or a lone sign (blanks around it allowed) is a number the user has begun to type:
// rewritten to "0", it would leave the next key after that zero, so "-5" typed key by key would
// become 5.
bool IsNumberBeingStarted(std::string_view text) {
  const std::string folded = cp936::FoldFullWidth(text);
  bool signSeen = false;
  for (char c : folded) {
    if (IsBlank(c)) continue;
    if ((c == '-' || c == '+') && !signSeen) {
      signSeen = true;
      continue;
    }
    return false;
  }
  return true;
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

namespace {

// The file's number: the text up to the first zero byte.
std::int32_t ValueOf(const std::vector<std::uint8_t>& bytes) {
  const auto end = std::find(bytes.begin(), bytes.end(), 0);
  return ToInteger(std::string(bytes.begin(), end));
}

}  // namespace

OffsetEditor::OffsetEditor(platform::Window& window, ClockState& state,
                           platform::DirectoryFiles& files)
    : window_(window), state_(state), files_(files) {}

void OffsetEditor::LoadOffset() {
  // The program runs elevated: a folder others can change lets them replace the exe, move the
  // clock through the file, or plant a link that makes the program write a file of the system's.
  if (files_.OpenToStandardUsers(kFileName)) {
    window_.AppendLogLine(kOpenFolderWarning);
    files_.DistrustLinks();
  }
  files_.RemoveLeftovers(kFileName);
  // Taken before the read: a change made while it reads shows at the first look.
  RecordStamp(files_.StampOf(kFileName));
  // One byte more than the limit tells a file at the limit from a bigger one.
  platform::DirectoryFiles::ReadResult read = files_.Read(kFileName, kReadLimitBytes + 1);
  std::vector<std::uint8_t>& bytes = read.bytes;
  // A file that is there but could not be read (held by another program at logon) may hold
  // the user's offset: it is not overwritten with 0, neither now nor at the end of the run.
  if (read.outcome == Outcome::kUnreadable || bytes.size() > kReadLimitBytes) {
    savesHeld_ = true;
    readPending_ = read.outcome == Outcome::kUnreadable;
    bytes.clear();
  }
  // Written back in any case, which also creates the file on the first start and rewrites a
  // file that held the number in another form.
  Apply(ValueOf(bytes), window_.Text(platform::kOffsetBox));
}

void OffsetEditor::SaveOffset() {
  if (savesHeld_) return;
  const std::string text = DecimalText(state_.offsetSeconds.load());
  fileHoldsOffset_ = files_.Replace(
      kFileName, std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
  // Whatever the file holds now is this save or older than the value in force: nothing in it
  // is to be taken, not even when the save failed and the file still holds an earlier value.
  // After a save that landed, another copy's write may follow within one step of the file
  // system's clock under the same stamp: the content is read for a few seconds, and finds this
  // save's value unless someone else wrote after it.
  RecordStamp(files_.StampOf(kFileName));
  stampChangedAtMs_.reset();
  unsettledFromNextLook_ = fileHoldsOffset_;
  readPending_ = false;
}

void OffsetEditor::TakeOutsideChange(std::uint64_t tickMs) {
  const std::optional<platform::DirectoryFiles::Stamp> stamp = files_.StampOf(kFileName);
  if (stamp != LastStamp() || unsettledFromNextLook_) {
    RecordStamp(stamp);
    stampChangedAtMs_ = tickMs;
    unsettledFromNextLook_ = false;
  }
  const bool unsettled = stampChangedAtMs_ && tickMs - *stampChangedAtMs_ < kUnsettledMs;
  if (!unsettled && !readPending_) return;
  if (!stamp) {
    // Removed: there is nothing to take, and the end of the run writes the file anew.
    readPending_ = false;
    fileHoldsOffset_ = false;
    return;
  }
  // Without the wait of the start-up read: a holder is asked again at the next look.
  platform::DirectoryFiles::ReadResult read = files_.ReadNow(kFileName, kReadLimitBytes + 1);
  if (read.outcome == Outcome::kUnreadable) {
    readPending_ = true;
    return;
  }
  readPending_ = false;
  if (read.outcome == Outcome::kMissing) {
    fileHoldsOffset_ = false;
    return;
  }
  // No offset file of ours, as at start: left as it is until the user sets an offset.
  if (read.bytes.size() > kReadLimitBytes) {
    savesHeld_ = true;
    return;
  }
  const std::int32_t value = ValueOf(read.bytes);
  // The file's content is known now: saving no longer loses anything.
  savesHeld_ = false;
  fileHoldsOffset_ = true;
  // A box still being typed in ("-" with 0 in force) stays as it is.
  if (value == state_.offsetSeconds.load()) return;
  ShowInBox(value);
  state_.SetOffset(value);
}

bool OffsetEditor::ChangedSinceLastLook() const {
  return files_.StampOf(kFileName) != LastStamp();
}

std::optional<platform::DirectoryFiles::Stamp> OffsetEditor::LastStamp() const {
  std::lock_guard lock(stampMutex_);
  return stamp_;
}

void OffsetEditor::RecordStamp(std::optional<platform::DirectoryFiles::Stamp> stamp) {
  std::lock_guard lock(stampMutex_);
  stamp_ = stamp;
}

void OffsetEditor::SaveOffsetAtEnd(std::uint64_t tickMs) {
  TakeOutsideChange(tickMs);
  if (!fileHoldsOffset_) SaveOffset();
}

void OffsetEditor::StepOffset(int step) {
  savesHeld_ = false;  // a change the user made is theirs to save
  const std::string shown = window_.Text(platform::kOffsetBox);
  Apply(Saturate(std::int64_t{ToInteger(shown)} + step), shown);
}

void OffsetEditor::OnOffsetBoxChanged() {
  // The change event of the editor's own rewrite: the value is in force and saved already.
  if (rewriting_) return;
  savesHeld_ = false;
  const std::string shown = window_.Text(platform::kOffsetBox);
  if (IsNumberBeingStarted(shown)) {
    // Left as typed; until a digit comes the offset in force is 0.
    state_.SetOffset(0);
    SaveOffset();
    return;
  }
  if (Apply(ToInteger(shown), shown)) {
    // Setting the text puts the caret before it; the next key belongs after what was typed.
    window_.SetSelectionStart(platform::kOffsetBox, -1);
  }
}

bool OffsetEditor::Apply(std::int32_t value, const std::string& shown) {
  const bool rewritten = shown != DecimalText(value);
  if (rewritten) ShowInBox(value);
  state_.SetOffset(value);
  SaveOffset();
  return rewritten;
}

void OffsetEditor::ShowInBox(std::int32_t value) {
  rewriting_ = true;
  window_.SetText(platform::kOffsetBox, DecimalText(value));
  rewriting_ = false;
}

}  // namespace lanqi
