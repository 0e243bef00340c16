#pragma once
#include <cstdint>
#include <optional>
#include <string_view>

#include "platform/directory_files.hpp"

namespace lanqi {

// The leading number of a text: full-width characters of code page 936 read as their ASCII
// forms, then leading white space, one optional sign and the digits up to the first non-digit.
// No digit gives 0; a number beyond the signed 32-bit range gives the nearer end of the range.
std::int32_t ToInteger(std::string_view text);
// An empty text or a lone sign (blanks around it allowed), as ToInteger folds it: a number the
// user has begun to type. Rewritten to "0", it would leave the next key after that zero, so "-5"
// typed key by key would become 5.
bool IsNumberBeingStarted(std::string_view text);

// 时差.ini beside the executable: the offset as "%d" text and nothing else. Every copy of the
// program on the PC (one per session that logs on) shares it: a value another copy wrote is
// taken, and never saved back, so copies never save in a loop.
//
// Used on the window's thread under the guard gate's lock (OffsetBox takes it), apart from
// WriteWaiting, which the gate asks under the same lock from a guard pass.
class OffsetFile {
 public:
  static constexpr const char* kFileName = "时差.ini";
  // The file is read whole up to this size: a number may follow any count of blanks or zeros. A
  // bigger file is no offset file of ours; it is left as it is.
  static constexpr std::size_t kReadLimitBytes = 1 << 20;

  explicit OffsetFile(platform::DirectoryFiles& files) : files_(files) {}

  // The first touch of the folder at start: true when a user without administrator rights
  // could change the folder, the executable or the file, and from then on the file is read and
  // written without following links.
  bool DistrustIfOpenToOthers();
  // At start: removes the temporary files a crash left, and reads the stored offset (0 when
  // there is none). A file over the size limit, or one that is there but cannot be read, gives
  // 0 and is not written until the user changes the offset.
  std::int32_t Load();
  // Writes the value. A save the user's change asks for is made even where the file's content
  // was unknown; one that fails is tried again at each look until it lands.
  void Save(std::int32_t value, bool byUser);
  // Each display tick: the value another copy wrote, where it differs from the one in force.
  // The stamp is compared, which opens nothing; after it changes, and after each save of this
  // copy's that landed, the content is read at each look for a few seconds, since a file
  // system's clock may be too coarse to stamp two quick writes apart. A file that is missing,
  // unreadable or over the size limit gives nothing. A save that failed is tried again here.
  std::optional<std::int32_t> Look(std::uint64_t tickMs, std::int32_t inForce);
  // The window's end, after a last look: saves only where the file no longer holds the value.
  void SaveAtEnd(std::int32_t inForce);
  // Someone else has written the file since the last look, and the next look will take it.
  bool WriteWaiting() const { return files_.StampOf(kFileName) != stamp_; }

 private:
  // How long after a change of the file's stamp its content is read at each look: two seconds
  // of the coarsest file system clock (FAT) and a margin.
  static constexpr std::uint64_t kUnsettledMs = 3000;

  enum class Content {
    kOffsetInForce,  // holds the value in force, as far as the last save or look knows
    kSaveDue,        // the last save failed
    kGone,           // removed since: written anew at the end of the run
    kUnreadable,     // there but unreadable: read at each look, kept until the user's change
    kTooBig,         // no offset file of ours: kept until the user's change
  };
  bool SavesHeld() const {
    return content_ == Content::kUnreadable || content_ == Content::kTooBig;
  }
  std::optional<std::int32_t> TakeOutsideWrite(std::uint64_t tickMs, std::int32_t inForce);

  platform::DirectoryFiles& files_;
  std::optional<platform::DirectoryFiles::Stamp> stamp_;  // at the last look or save
  std::optional<std::uint64_t> unsettledSinceMs_;
  bool settleFromNextLook_ = false;  // a save landed since the last look
  Content content_ = Content::kGone;
};

}  // namespace lanqi
