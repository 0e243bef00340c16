#pragma once
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace lanqi::platform {

// The files of one directory. File names are code page 936 text; the directory is a
// std::filesystem::path (UTF-16 on Windows), so a directory whose name has no code page 936 form
// still works.
class DirectoryFiles {
 public:
  // What a read found. A file that is there but cannot be read is not a missing one: its content
  // may be the user's and must not be taken for "no file" and overwritten.
  struct ReadResult {
    enum class Outcome {
      kRead,        // bytes holds the content
      kMissing,     // no file of that name
      kUnreadable,  // something is there: not a regular file, no right to read it, held by
                    // another program without read sharing, a cloud file that cannot be fetched
    };
    Outcome outcome = Outcome::kMissing;
    std::vector<std::uint8_t> bytes;  // empty unless kRead
  };

  // What changes when anyone writes a file: its last-write time and its size. The time's unit
  // and epoch are the system's own (100 ns steps on Windows); stamps are only compared. Two
  // writes within one step of the file system's clock (from 100 ns to 2 s, by file system) with
  // the same size leave the same stamp.
  struct Stamp {
    std::uint64_t lastWrite = 0;
    std::uint64_t size = 0;
    bool operator==(const Stamp&) const = default;
  };

  virtual ~DirectoryFiles() = default;
  // The file's first maxBytes bytes (all of it when shorter). The bound keeps a huge file from
  // being read whole. Where the system has share modes, a file another program holds without
  // read sharing (a backup, sync or security program at logon) is asked again for about two and
  // a half seconds before it counts as unreadable; the calling thread waits meanwhile.
  virtual ReadResult Read(const std::string& fileName, std::size_t maxBytes) = 0;
  // Read without the wait: a file held without read sharing is unreadable at once. For a look
  // made on the window's thread while the window is up.
  virtual ReadResult ReadNow(const std::string& fileName, std::size_t maxBytes) = 0;
  // The file's stamp without opening it; nullopt when there is no such file (or no regular file
  // of that name, or its attributes cannot be read). Safe on any thread beside the other
  // members: it reads only the folder's path.
  virtual std::optional<Stamp> StampOf(const std::string& fileName) = 0;
  // Gives the file exactly this content. The bytes go to a temporary file in the same folder
  // first (named fileName.<process id>.<n>.tmp), which then takes the file's place in one step,
  // so the old content stays whole until the new one is complete. An existing file keeps what
  // makes it the user's file: its attributes (hidden, permissions), security and owner. Three
  // cases write the file in place instead (write, cut to length, flush): a folder that refuses
  // a new file while the file itself may be written, a file with more than one name (hard
  // links), which a replacement would split apart (unless links are distrusted), and a
  // temporary name past the system's path limit. false, with the file unchanged and no
  // temporary file left, when the file is read-only, locked by another program, not a regular
  // file, or neither way can write it; the one exception is a replacement that failed after the
  // old file had left its name, where the temporary file is the only copy and stays.
  virtual bool Replace(const std::string& fileName, std::span<const std::uint8_t> content) = 0;
  // Removes the temporary files of Replace that a process ended mid-save left behind, i.e. those
  // of fileName whose process is no longer running. A running process's files are its own.
  // Where the file itself is missing, the newest of them takes its place instead: a save
  // interrupted after the old file was gone left the only copy under the temporary name.
  virtual void RemoveLeftovers(const std::string& fileName) = 0;

  // Whether anyone without administrator rights, the user's own unelevated programs included,
  // could change what the elevated program trusts here: the folder, the folders above it, the
  // file named when it exists, and for the run directory the program's own executable
  // (StandardUsersCanChange of standard_user_access.hpp says when). A network path, a volume
  // without access lists and security that cannot be read all count as open.
  virtual bool OpenToStandardUsers(const std::string& fileName) = 0;
  // From now on no file is read or written through a link: a symbolic link or junction in a
  // file's place is neither followed nor replaced, and a file with a second name (hard link) is
  // replaced rather than written through. For a folder others can change, where such a link can
  // be planted to make the elevated program write a file of the system's.
  virtual void DistrustLinks() = 0;
};

// Reads "<fileName>.<pid>.<n>.tmp": the process id when `name` has that form, else 0.
std::uint32_t LeftoverProcessId(std::string_view fileName, std::string_view name);

}  // namespace lanqi::platform
