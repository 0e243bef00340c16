#pragma once
// Routines for request and response header texts (lines separated by CR LF, each a name, a colon
// and a value) and cookie texts (items separated by "; ", each normally name=value). Code page 936
// byte strings throughout.
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace lanqi {

// Trimmed text before / after the first ":"; both empty for a line without a colon.
std::string HeaderName(std::string_view line);
std::string HeaderValue(std::string_view line);

// The text before the first separator (case-sensitive, not trimmed); empty when there is none.
std::string TextBefore(std::string_view text, std::string_view separator);

// The text between the first left marker and the first right marker after it, not trimmed; empty
// when either is missing. "#引号" in a marker stands for a double quote.
std::string TextBetween(std::string_view text, std::string_view left, std::string_view right);

// The first byte upper-cased when it is an ASCII lower-case letter.
std::string CapitalizeFirst(std::string_view text);

// Keeps the lines that contain a colon and capitalises the first letter of each "-" part of their
// names ("accept-language: x" -> "Accept-Language: x"); everything else stays byte for byte.
// Lines are rejoined with CR LF, none at the end.
std::string NormalizeHeaderNames(std::string_view headerText);

// RFC 4648 Base64, standard alphabet, padded, no line breaks.
std::string Base64Encode(std::span<const std::uint8_t> bytes);
inline std::string Base64Encode(std::string_view bytes) {
  return Base64Encode(std::span(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()));
}

// Trimmed text before the first "=", or the trimmed item when it has none.
std::string CookieName(std::string_view item);

// The new cookies first, in order, then the old ones the new text does not name; items ending in
// "=deleted" dropped and repeated items collapsed. The result is also written to oldCookies.
std::string MergeCookies(std::string& oldCookies, std::string_view newCookies);

// The pieces of the text (split at the separator) with later repeats of a piece removed.
std::string RemoveDuplicateItems(std::string_view text, std::string_view separator);

}  // namespace lanqi
