#pragma once
#include <cstddef>
#include <string_view>

namespace lanqi::platform {

// The longest start of a code page 936 text that fits in maxBytes without splitting a character,
// so a text cut to a fixed-size field never ends in half a Chinese character. A lead byte
// (0x81..0xFE) starts a two-byte character, or a four-byte GB18030 one when a digit follows it.
constexpr std::string_view CutAtCharacterBoundary936(std::string_view text, std::size_t maxBytes) {
  std::size_t end = 0;
  while (end < text.size()) {
    const auto lead = static_cast<unsigned char>(text[end]);
    std::size_t width = 1;
    if (lead >= 0x81 && lead <= 0xFE && end + 1 < text.size()) {
      const auto second = static_cast<unsigned char>(text[end + 1]);
      width = (second >= 0x30 && second <= 0x39 && end + 3 < text.size()) ? 4 : 2;
    }
    if (end + width > maxBytes) break;
    end += width;
  }
  return text.substr(0, end);
}

}  // namespace lanqi::platform
