#pragma once
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <span>
#include <string>
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
  // first, which then replaces the file in one step, so the old content stays whole until the
  // new one is complete. false when the folder cannot be written or the file is locked; then
  // the file is unchanged and no temporary file is left behind.
  virtual bool Replace(const std::string& fileName, std::span<const std::uint8_t> content) = 0;
};

// The files of the directory the running executable lives in.
std::unique_ptr<DirectoryFiles> MakeRunDirectoryFiles();
// The files of a given directory.
std::unique_ptr<DirectoryFiles> MakeDirectoryFiles(const std::filesystem::path& directory);

}  // namespace lanqi::platform
