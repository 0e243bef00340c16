#pragma once
// Test texts as the raw bytes the file and request interfaces take and give.
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/directory_files.hpp"

namespace lanqi::testing {

inline std::span<const std::uint8_t> AsBytes(const std::string& text) {
  return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

inline std::vector<std::uint8_t> ByteVector(std::string_view text) {
  return {text.begin(), text.end()};
}

// The bytes a read of the file found, or nullopt when it found none (missing or unreadable alike).
inline std::optional<std::vector<std::uint8_t>> ReadUpTo(platform::DirectoryFiles& files,
                                                         const std::string& fileName,
                                                         std::size_t maxBytes) {
  platform::DirectoryFiles::ReadResult result = files.Read(fileName, maxBytes);
  if (result.outcome != platform::DirectoryFiles::ReadResult::Outcome::kRead) return std::nullopt;
  return std::move(result.bytes);
}

}  // namespace lanqi::testing
