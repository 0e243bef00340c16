#pragma once
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

#include "platform/run_directory_files.hpp"
#include "platform/window.hpp"
#include "timekeeping/clock_state.hpp"

namespace lanqi {

// The leading number of a text: full-width characters of code page 936 read as their ASCII
// forms, then leading white space, one optional sign and the digits up to the first non-digit.
// No digit gives 0; a number beyond the signed 32-bit range gives the nearer end of the range.
std::int32_t ToInteger(std::string_view text);

// The user's offset in whole seconds: edited in the offset box 编辑框2 or stepped with the "+1s"
// and "-1s" buttons, held in offsetSeconds and kept in 时差.ini beside the executable as "%d"
// text and nothing else.
class OffsetEditor {
 public:
  static constexpr const char* kFileName = "时差.ini";
  // The file is read whole up to this size: a number may follow any count of blanks or zeros. A
  // bigger file is no offset file of ours; it is left as it is.
  static constexpr std::size_t kReadLimitBytes = 1 << 20;

  OffsetEditor(platform::Window& window, ClockState& state, platform::DirectoryFiles& files);

  // Logged once at start when a user without administrator rights could change the folder, the
  // program's executable or the file.
  static constexpr const char* kOpenFolderWarning =
      "警告：程序所在文件夹可被普通用户修改，建议放到 C:\\Program Files\\LanqiClockGuard。\r\n";

  // At start-up, the first touch of the folder: where standard users could change it, the exe
  // or the file, the warning goes to the log and the file is from then on read and written
  // without following links. Then temporary files a crash left are removed, and the stored
  // offset (0 when there is none) goes to memory, the box and the file. A file over
  // kReadLimitBytes, or one that is there but cannot be read, gives 0 and is not written until
  // the user changes the offset.
  void LoadOffset();
  // Writes offsetSeconds to the file; a save that cannot be made is skipped without a word.
  void SaveOffset();
  // Each display tick, on the window's thread. Every copy of the program on the PC
  // (one per session that logs on) shares the file: a value someone else wrote there is taken,
  // shown and put in force at once, and not saved back. The file's stamp is compared, which
  // opens nothing; after it changes, the content is read for a few seconds, since a file
  // system's clock may be too coarse to stamp two quick writes apart; so it is after each of
  // the program's own saves, whose value reads back as the one in force. A file that is missing,
  // unreadable or over the size limit changes nothing. `tickMs` is the tick count.
  void TakeOutsideChange(std::uint64_t tickMs);
  // Whether the file's stamp has moved since the last look: someone else has written it, and the
  // next look will take what they wrote. Safe on any thread.
  bool ChangedSinceLastLook() const;
  // The window's end: a newer value of another copy is taken rather than overwritten, and the
  // offset is saved only where the file does not hold it (a save that failed, a removed file).
  void SaveOffsetAtEnd(std::uint64_t tickMs);
  // The "+1s" (+1) and "-1s" (-1) buttons.
  void StepOffset(int step);
  // Every change of the box, typed or set by the program. A rewrite of typed text leaves the caret
  // at the end; an empty box or a lone sign stays as typed, with the offset 0 in force.
  void OnOffsetBoxChanged();

 private:
  // The value becomes the offset in force: the box shows its canonical text (rewritten only when
  // `shown`, the box's text, differs; the change event of that rewrite is ignored) and the file
  // is saved once. True when the box was rewritten.
  bool Apply(std::int32_t value, const std::string& shown);

  // How long after a change of the file's stamp its content is read at each look: two seconds
  // of the coarsest file system clock (FAT) and a margin.
  static constexpr std::uint64_t kUnsettledMs = 3000;

  std::optional<platform::DirectoryFiles::Stamp> LastStamp() const;
  void RecordStamp(std::optional<platform::DirectoryFiles::Stamp> stamp);
  // The box shows `value` without the change counting as a typed one.
  void ShowInBox(std::int32_t value);

  platform::Window& window_;
  ClockState& state_;
  platform::DirectoryFiles& files_;
  bool rewriting_ = false;
  // The file was too big or could not be read: its content is kept until the user sets an
  // offset, or until it can be read and its value is taken.
  bool savesHeld_ = false;
  // The file's stamp at the last look (nullopt: no file), when it last changed, and whether its
  // content is still to be read (unreadable so far).
  // The stamp is also compared from the guard's tick, which may come on another thread.
  mutable std::mutex stampMutex_;
  std::optional<platform::DirectoryFiles::Stamp> stamp_;
  std::optional<std::uint64_t> stampChangedAtMs_;
  bool unsettledFromNextLook_ = false;  // a save landed since the last look
  bool readPending_ = false;
  // The file holds the offset in force, as far as the last save or look knows.
  bool fileHoldsOffset_ = false;
};

}  // namespace lanqi
