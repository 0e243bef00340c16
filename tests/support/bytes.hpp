#pragma once
// Test texts as the raw bytes the file and request interfaces take and give.
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace lanqi::testing {

inline std::span<const std::uint8_t> AsBytes(const std::string& text) {
  return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

inline std::vector<std::uint8_t> ByteVector(std::string_view text) {
  return {text.begin(), text.end()};
}

}  // namespace lanqi::testing
