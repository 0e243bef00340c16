#include "http/headers.hpp"

#include <algorithm>
#include <unordered_set>
#include <vector>

#include "http/text.hpp"

namespace lanqi {
namespace {

constexpr std::string_view kCookieSeparator = "; ";
// "#引号" in code page 936, spelled as bytes so that the text is the same whatever the compiler's
// execution character set: it lets a caller write a double quote in a TextBetween marker.
constexpr std::string_view kQuotePlaceholder = "#\xD2\xFD\xBA\xC5";

// A cookie text trimmed, with a space after a final ";" so that splitting at "; " drops it.
std::string PrepareCookieText(std::string_view cookies) {
  std::string prepared = Trim(cookies);
  if (!prepared.empty() && prepared.back() == ';') prepared += ' ';
  return prepared;
}

}  // namespace

std::string HeaderName(std::string_view line) {
  const int colon = FindText(line, ":");
  if (colon == -1) return {};
  return Trim(line.substr(0, static_cast<std::size_t>(colon - 1)));
}

std::string HeaderValue(std::string_view line) {
  const int colon = FindText(line, ":");
  if (colon == -1) return {};
  return Trim(line.substr(static_cast<std::size_t>(colon)));
}

std::string TextBefore(std::string_view text, std::string_view separator) {
  const int found = FindText(text, separator);
  if (found == -1) return {};
  return std::string(text.substr(0, static_cast<std::size_t>(found - 1)));
}

std::string TextBetween(std::string_view text, std::string_view left, std::string_view right) {
  const std::string leftMarker = ReplaceText(left, kQuotePlaceholder, "\"");
  const std::string rightMarker = ReplaceText(right, kQuotePlaceholder, "\"");
  const int leftAt = FindText(text, leftMarker);
  if (leftAt == -1) return {};
  const int start = leftAt + static_cast<int>(leftMarker.size());
  const int rightAt = FindText(text, rightMarker, start);
  if (rightAt == -1) return {};
  return std::string(
      text.substr(static_cast<std::size_t>(start - 1), static_cast<std::size_t>(rightAt - start)));
}

std::string CapitalizeFirst(std::string_view text) {
  std::string result(text);
  if (!result.empty()) result[0] = ToUpperAscii(result[0]);
  return result;
}

std::string NormalizeHeaderNames(std::string_view headerText) {
  std::vector<std::string> lines;
  for (const std::string& line : SplitText(headerText, kCrLf)) {
    const int colon = FindText(line, ":");
    if (colon == -1) continue;
    const std::string_view name = std::string_view(line).substr(0, colon - 1);
    std::vector<std::string> pieces = SplitText(name, "-");
    for (std::string& piece : pieces) piece = CapitalizeFirst(piece);
    std::string normalized = JoinText(pieces, "-");
    // Splitting drops an empty piece after a final "-"; the name keeps that "-" all the same.
    if (normalized.size() < name.size()) normalized += '-';
    normalized += std::string_view(line).substr(colon - 1);
    lines.push_back(std::move(normalized));
  }
  return JoinText(lines, kCrLf);
}

std::string Base64Encode(std::span<const std::uint8_t> bytes) {
  static constexpr char kAlphabet[] =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string encoded;
  encoded.reserve((bytes.size() + 2) / 3 * 4);
  for (std::size_t i = 0; i < bytes.size(); i += 3) {
    const std::size_t remaining = std::min<std::size_t>(3, bytes.size() - i);
    std::uint32_t group = static_cast<std::uint32_t>(bytes[i]) << 16;
    if (remaining > 1) group |= static_cast<std::uint32_t>(bytes[i + 1]) << 8;
    if (remaining > 2) group |= bytes[i + 2];
    encoded += kAlphabet[(group >> 18) & 0x3F];
    encoded += kAlphabet[(group >> 12) & 0x3F];
    encoded += remaining > 1 ? kAlphabet[(group >> 6) & 0x3F] : '=';
    encoded += remaining > 2 ? kAlphabet[group & 0x3F] : '=';
  }
  return encoded;
}

std::string CookieName(std::string_view item) {
  const int equals = FindText(item, "=");
  if (equals == -1) return Trim(item);
  return Trim(item.substr(0, static_cast<std::size_t>(equals - 1)));
}

std::string MergeCookies(std::string& oldCookies, std::string_view newCookies) {
  // Both texts are read before oldCookies is written, so the two may be the same string.
  const std::vector<std::string> oldItems =
      SplitText(PrepareCookieText(oldCookies), kCookieSeparator);
  std::vector<std::string> merged = SplitText(PrepareCookieText(newCookies), kCookieSeparator);
  std::unordered_set<std::string> names;
  for (const std::string& item : merged) names.insert(CookieName(item));
  for (const std::string& item : oldItems) {
    if (names.insert(CookieName(item)).second) merged.push_back(item);
  }
  std::vector<std::string> live;
  for (std::string& item : merged) {
    if (!EndsWithText(item, "=deleted")) live.push_back(std::move(item));
  }
  std::string result = RemoveDuplicateItems(JoinText(live, kCookieSeparator), kCookieSeparator);
  oldCookies = result;
  return result;
}

std::string RemoveDuplicateItems(std::string_view text, std::string_view separator) {
  std::vector<std::string> kept;
  std::unordered_set<std::string> seen;
  for (std::string& piece : SplitText(text, separator)) {
    if (seen.insert(piece).second) kept.push_back(std::move(piece));
  }
  return JoinText(kept, separator);
}

}  // namespace lanqi
