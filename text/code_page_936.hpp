#pragma once
// Code page 936 (GBK, as extended by GB18030), the byte encoding of every text the program holds.
// The one place that knows how its characters are laid out in bytes.
#include <cstddef>
#include <string>
#include <string_view>

namespace lanqi::cp936 {

// 0x81..0xFE starts a multi-byte character; every other byte is a character of its own.
constexpr bool IsLeadByte(unsigned char byte) {
  return byte >= 0x81 && byte <= 0xFE;
}
constexpr bool IsLeadByte(char byte) {
  return IsLeadByte(static_cast<unsigned char>(byte));
}

// Bytes of the character that starts at index (index < text.size()): 2 for a lead byte with a
// byte after it, 4 when that byte is a digit and the text holds four bytes (a GB18030 four-byte
// character), otherwise 1. A lead byte at the very end counts as one byte.
constexpr std::size_t CharacterLength(std::string_view text, std::size_t index) {
  if (!IsLeadByte(text[index]) || index + 1 >= text.size()) return 1;
  const auto second = static_cast<unsigned char>(text[index + 1]);
  return second >= 0x30 && second <= 0x39 && index + 3 < text.size() ? 4 : 2;
}

// The longest start of the text that fits in maxBytes without splitting a character, so a text
// cut to a fixed-size field never ends in half a Chinese character.
constexpr std::string_view CutAtCharacterBoundary(std::string_view text, std::size_t maxBytes) {
  std::size_t end = 0;
  while (end < text.size()) {
    const std::size_t width = CharacterLength(text, end);
    if (end + width > maxBytes) break;
    end += width;
  }
  return text.substr(0, end);
}

// The full-width forms read as their ASCII counterparts: lead byte 0xA3 with trail 0xA1..0xFE
// (full-width digits, signs and letters) becomes the ASCII character trail - 0x80, the
// full-width space (0xA1 0xA1) a blank. Every other character stays as it is; walking character
// by character keeps a trail byte from being taken for the start of a character.
inline std::string FoldFullWidth(std::string_view text) {
  std::string folded;
  folded.reserve(text.size());
  for (std::size_t i = 0; i < text.size();) {
    const std::size_t length = CharacterLength(text, i);
    const auto lead = static_cast<unsigned char>(text[i]);
    const auto trail = length == 2 ? static_cast<unsigned char>(text[i + 1]) : 0;
    if (lead == 0xA3 && trail >= 0xA1 && trail <= 0xFE) {
      folded.push_back(static_cast<char>(trail - 0x80));
    } else if (lead == 0xA1 && trail == 0xA1) {
      folded.push_back(' ');
    } else {
      folded.append(text.substr(i, length));
    }
    i += length;
  }
  return folded;
}

}  // namespace lanqi::cp936
