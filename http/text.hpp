#pragma once
// Text primitives over code page 936 byte strings. Positions are 1-based, -1 means "absent". A
// character is one or more bytes (text/code_page_936.hpp); searches never match from inside one.
// Case folding touches the ASCII letters only.
#include <string>
#include <string_view>
#include <vector>

namespace lanqi {

inline constexpr std::string_view kCrLf = "\r\n";

// Position of the first occurrence of needle at or after start (a start below 1 counts as 1), or
// -1. An empty needle is found at start in a non-empty text, nowhere in an empty one.
int FindText(std::string_view text, std::string_view needle, int start = 1);
int FindTextNoCase(std::string_view text, std::string_view needle, int start = 1);
inline bool ContainsText(std::string_view text, std::string_view needle) {
  return FindText(text, needle) != -1;
}
inline bool ContainsTextNoCase(std::string_view text, std::string_view needle) {
  return FindTextNoCase(text, needle) != -1;
}

// Removes ASCII spaces and full-width spaces (A1 A1) from both ends; tabs, CR and LF stay.
std::string Trim(std::string_view text);

// Pieces between separators in order. Adjacent separators give an empty piece; the piece after
// the last separator is kept only when not empty; an empty text gives none. An empty separator
// gives the whole text as one piece.
std::vector<std::string> SplitText(std::string_view text, std::string_view separator);
std::string JoinText(const std::vector<std::string>& pieces, std::string_view separator);

// Replaces every occurrence, left to right, without overlap. An empty pattern changes nothing.
std::string ReplaceText(std::string_view text, std::string_view pattern,
                        std::string_view replacement, bool ignoreCase = false);

// Whole-byte parts clipped to the text; a count of 0 or less gives an empty text. MiddleText
// starts at the 1-based position start.
std::string LeftText(std::string_view text, long long count);
std::string RightText(std::string_view text, long long count);
std::string MiddleText(std::string_view text, long long start, long long count);

bool EndsWithText(std::string_view text, std::string_view suffix);
char ToUpperAscii(char c);

}  // namespace lanqi
