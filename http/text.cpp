#include "http/text.hpp"

#include <algorithm>

#include "text/code_page_936.hpp"

namespace lanqi {
namespace {

char ToLowerAscii(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool EqualNoCase(std::string_view a, std::string_view b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                    [](char x, char y) { return ToLowerAscii(x) == ToLowerAscii(y); });
}

template <typename Equal>
int FindOnCharacterStarts(std::string_view text, std::string_view needle, int start, Equal equal) {
  if (start < 1) start = 1;
  if (text.empty()) return -1;
  const auto from = static_cast<std::size_t>(start - 1);
  if (needle.empty()) return from < text.size() ? start : -1;
  if (needle.size() > text.size()) return -1;
  // Walk character by character from the beginning, so a trail byte is never taken as a start.
  for (std::size_t i = 0; i + needle.size() <= text.size(); i += cp936::CharacterLength(text, i)) {
    if (i >= from && equal(text.substr(i, needle.size()), needle)) return static_cast<int>(i + 1);
  }
  return -1;
}

// Byte offsets of the non-overlapping occurrences of a non-empty needle, left to right, each on a
// character start. One walk over the text, so splitting a long text stays linear in its length.
std::vector<std::size_t> MatchOffsets(std::string_view text, std::string_view needle,
                                      bool ignoreCase) {
  std::vector<std::size_t> offsets;
  std::size_t nextAllowed = 0;
  for (std::size_t i = 0; i + needle.size() <= text.size(); i += cp936::CharacterLength(text, i)) {
    if (i < nextAllowed) continue;
    const std::string_view candidate = text.substr(i, needle.size());
    if (ignoreCase ? EqualNoCase(candidate, needle) : candidate == needle) {
      offsets.push_back(i);
      nextAllowed = i + needle.size();
    }
  }
  return offsets;
}

}  // namespace

char ToUpperAscii(char c) {
  return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

int FindText(std::string_view text, std::string_view needle, int start) {
  return FindOnCharacterStarts(text, needle, start,
                               [](std::string_view a, std::string_view b) { return a == b; });
}

int FindTextNoCase(std::string_view text, std::string_view needle, int start) {
  return FindOnCharacterStarts(text, needle, start, EqualNoCase);
}

std::string Trim(std::string_view text) {
  auto isBlankAt = [&](std::size_t i, std::size_t length) {
    return (length == 1 && text[i] == ' ') ||
           (length == 2 && text[i] == '\xA1' && text[i + 1] == '\xA1');
  };
  // Character boundaries from the beginning, so a trailing A1 A1 that straddles two characters
  // is not mistaken for a full-width space.
  std::size_t begin = 0;
  std::size_t end = 0;  // end of the last character that is not a blank
  bool leading = true;
  for (std::size_t i = 0; i < text.size();) {
    const std::size_t length = cp936::CharacterLength(text, i);
    const bool blank = isBlankAt(i, length);
    if (leading && blank) {
      begin = i + length;
    } else {
      leading = false;
      if (!blank) end = i + length;
    }
    i += length;
  }
  if (end <= begin) return {};
  return std::string(text.substr(begin, end - begin));
}

std::vector<std::string> SplitText(std::string_view text, std::string_view separator) {
  std::vector<std::string> pieces;
  if (text.empty()) return pieces;
  if (separator.empty()) {
    pieces.emplace_back(text);
    return pieces;
  }
  std::size_t from = 0;
  for (const std::size_t offset : MatchOffsets(text, separator, false)) {
    pieces.emplace_back(text.substr(from, offset - from));
    from = offset + separator.size();
  }
  if (from < text.size()) pieces.emplace_back(text.substr(from));
  return pieces;
}

std::string JoinText(const std::vector<std::string>& pieces, std::string_view separator) {
  std::string joined;
  for (std::size_t i = 0; i < pieces.size(); ++i) {
    if (i != 0) joined += separator;
    joined += pieces[i];
  }
  return joined;
}

std::string ReplaceText(std::string_view text, std::string_view pattern,
                        std::string_view replacement, bool ignoreCase) {
  if (pattern.empty()) return std::string(text);
  std::string result;
  std::size_t from = 0;
  for (const std::size_t offset : MatchOffsets(text, pattern, ignoreCase)) {
    result += text.substr(from, offset - from);
    result += replacement;
    from = offset + pattern.size();
  }
  result += text.substr(from);
  return result;
}

std::string LeftText(std::string_view text, long long count) {
  if (count <= 0) return {};
  return std::string(
      text.substr(0, static_cast<std::size_t>(std::min<long long>(count, std::ssize(text)))));
}

std::string RightText(std::string_view text, long long count) {
  if (count <= 0) return {};
  const long long taken = std::min<long long>(count, std::ssize(text));
  return std::string(text.substr(text.size() - static_cast<std::size_t>(taken)));
}

std::string MiddleText(std::string_view text, long long start, long long count) {
  if (count <= 0) return {};
  // Clip the range [start, start + count) to the text's positions [1, size].
  const long long first = std::max<long long>(start, 1);
  const long long last = std::min<long long>(
      start > 0 && count > std::ssize(text) ? std::ssize(text) : start + count - 1,
      std::ssize(text));
  if (first > last) return {};
  return std::string(
      text.substr(static_cast<std::size_t>(first - 1), static_cast<std::size_t>(last - first + 1)));
}

bool EndsWithText(std::string_view text, std::string_view suffix) {
  return text.size() >= suffix.size() && text.substr(text.size() - suffix.size()) == suffix;
}

}  // namespace lanqi
