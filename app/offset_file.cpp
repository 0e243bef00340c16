#include "app/offset_file.hpp"

#include <algorithm>
#include <limits>
#include <span>
#include <string>
#include <vector>

#include "text/code_page_936.hpp"

namespace lanqi {
namespace {

using Outcome = platform::DirectoryFiles::ReadResult::Outcome;

bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// The file's number: the text up to the first zero byte.
std::int32_t ValueOf(const std::vector<std::uint8_t>& bytes) {
  const auto end = std::find(bytes.begin(), bytes.end(), 0);
  return ToInteger(std::string(bytes.begin(), end));
}

}  // namespace

std::int32_t ToInteger(std::string_view text) {
  constexpr std::int64_t kMax = std::numeric_limits<std::int32_t>::max();
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
  return static_cast<std::int32_t>(std::clamp(negative ? -magnitude : magnitude, -kMax - 1, kMax));
}

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

bool OffsetFile::DistrustIfOpenToOthers() {
  // The program runs elevated: a folder others can change lets them replace the exe, move the
  // clock through the file, or plant a link that makes the program write a file of the system's.
  if (!files_.OpenToStandardUsers(kFileName)) return false;
  files_.DistrustLinks();
  return true;
}

std::int32_t OffsetFile::Load() {
  files_.RemoveLeftovers(kFileName);
  // Taken before the read: a change made while it reads shows at the first look.
  stamp_ = files_.StampOf(kFileName);
  // One byte more than the limit tells a file at the limit from a bigger one.
  platform::DirectoryFiles::ReadResult read = files_.Read(kFileName, kReadLimitBytes + 1);
  // A file that is there but could not be read (held by another program at logon) may hold
  // the user's offset: it is not overwritten with 0, neither now nor at the end of the run.
  if (read.outcome == Outcome::kUnreadable) {
    content_ = Content::kUnreadable;
    return 0;
  }
  if (read.bytes.size() > kReadLimitBytes) {
    content_ = Content::kTooBig;
    return 0;
  }
  // Saved back at start in any case, which also creates the file on the first start and
  // rewrites a file that held the number in another form.
  content_ = Content::kGone;
  return ValueOf(read.bytes);
}

void OffsetFile::Save(std::int32_t value, bool byUser) {
  if (SavesHeld() && !byUser) return;
  const std::string text = std::to_string(value);
  const bool landed = files_.Replace(
      kFileName, std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
  content_ = landed ? Content::kOffsetInForce : Content::kSaveDue;
  // Whatever the file holds now is this save or older than the value in force: nothing in it
  // is to be taken, not even when the save failed and the file still holds an earlier value.
  // After a save that landed, another copy's write may follow within one step of the file
  // system's clock under the same stamp: the content is read for a few seconds, and finds this
  // save's value unless someone else wrote after it.
  stamp_ = files_.StampOf(kFileName);
  unsettledSinceMs_.reset();
  settleFromNextLook_ = landed;
}

std::optional<std::int32_t> OffsetFile::Look(std::uint64_t tickMs, std::int32_t inForce) {
  const std::optional<std::int32_t> taken = TakeOutsideWrite(tickMs, inForce);
  // Kept in memory only, the value would hold the clock apart from every other copy's.
  if (content_ == Content::kSaveDue) Save(inForce, false);
  return taken;
}

std::optional<std::int32_t> OffsetFile::TakeOutsideWrite(std::uint64_t tickMs,
                                                         std::int32_t inForce) {
  const std::optional<platform::DirectoryFiles::Stamp> stamp = files_.StampOf(kFileName);
  if (stamp != stamp_ || settleFromNextLook_) {
    stamp_ = stamp;
    unsettledSinceMs_ = tickMs;
    settleFromNextLook_ = false;
  }
  const bool unsettled = unsettledSinceMs_ && tickMs - *unsettledSinceMs_ < kUnsettledMs;
  if (!unsettled && content_ != Content::kUnreadable) return std::nullopt;
  // Without the wait of the start-up read: a holder is asked again at the next look.
  platform::DirectoryFiles::ReadResult read =
      stamp ? files_.ReadNow(kFileName, kReadLimitBytes + 1)
            : platform::DirectoryFiles::ReadResult{Outcome::kMissing, {}};
  if (read.outcome == Outcome::kMissing) {
    // Nothing to take; the end of the run writes the file anew.
    if (content_ == Content::kOffsetInForce) content_ = Content::kGone;
    return std::nullopt;
  }
  if (read.outcome == Outcome::kUnreadable) {
    content_ = Content::kUnreadable;
    return std::nullopt;
  }
  // No offset file of ours, as at start: left as it is until the user sets an offset.
  if (read.bytes.size() > kReadLimitBytes) {
    content_ = Content::kTooBig;
    return std::nullopt;
  }
  // Another copy's value, or this copy's own: either way the file holds the value in force now.
  content_ = Content::kOffsetInForce;
  const std::int32_t value = ValueOf(read.bytes);
  if (value == inForce) return std::nullopt;
  return value;
}

void OffsetFile::SaveAtEnd(std::int32_t inForce) {
  if (content_ == Content::kGone) Save(inForce, false);
}

}  // namespace lanqi
