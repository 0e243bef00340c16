#pragma once
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace lanqi::platform {

// The files of one directory. File names are code page 936 text; the directory is a
// std::filesystem::path (UTF-16 on Windows), so a directory whose name has no code page 936 form
// still works.
class DirectoryFiles {
 public:
  virtual ~DirectoryFiles() = default;
  // The file's first maxBytes bytes (all of it when shorter); nullopt when it is missing, is not
  // a regular file or cannot be read. The bound keeps a huge file from being read whole.
  virtual std::optional<std::vector<std::uint8_t>> ReadUpTo(const std::string& fileName,
                                                            std::size_t maxBytes) = 0;
  // Gives the file exactly this content. The bytes go to a temporary file in the same folder
  // first (named fileName.<process id>.<n>.tmp), which then takes the file's place in one step,
  // so the old content stays whole until the new one is complete. An existing file keeps what
  // makes it the user's file: its attributes (hidden, permissions), security and owner. Two
  // cases write the file in place instead (write, cut to length, flush): a folder that refuses
  // a new file while the file itself may be written, and a file with more than one name (hard
  // links), which a replacement would split apart. false, with the file unchanged and no
  // temporary file left, when the file is read-only, locked by another program, not a regular
  // file, or neither way can write it.
  virtual bool Replace(const std::string& fileName, std::span<const std::uint8_t> content) = 0;
  // Removes the temporary files of Replace that a process ended mid-save left behind, i.e. those
  // of fileName whose process is no longer running. A running process's files are its own.
  virtual void RemoveLeftovers(const std::string& fileName) = 0;
};

// Reads "<fileName>.<pid>.<n>.tmp": the process id when `name` has that form, else 0.
std::uint32_t LeftoverProcessId(std::string_view fileName, std::string_view name);

}  // namespace lanqi::platform
