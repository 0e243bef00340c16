// libFuzzer over the text routines that read what a server sends: the splitting primitives,
// TextBetween, NormalizeHeaderNames and MergeCookies. The input is cut at NUL bytes into up to
// three texts; checks beyond "no crash, no sanitizer report" are properties every answer keeps.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "http/headers.hpp"
#include "http/text.hpp"

namespace {

void Require(bool condition) {
  if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace lanqi;
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  std::vector<std::string_view> parts;
  std::size_t from = 0;
  while (parts.size() < 2) {
    const std::size_t cut = input.find('\0', from);
    if (cut == std::string_view::npos) break;
    parts.push_back(input.substr(from, cut - from));
    from = cut + 1;
  }
  parts.push_back(input.substr(from));
  while (parts.size() < 3) parts.emplace_back();
  const std::string_view text = parts[0];
  const std::string_view first = parts[1];
  const std::string_view second = parts[2];

  for (const std::string_view separator :
       {first, std::string_view("\r\n"), std::string_view("; ")}) {
    const std::vector<std::string> pieces = SplitText(text, separator);
    const std::string joined = JoinText(pieces, separator);
    // Only an empty piece after the last separator is ever lost.
    Require(joined == text || joined + std::string(separator) == text);
    Require(RemoveDuplicateItems(text, separator).size() <= text.size());
  }
  const std::string between = TextBetween(text, first, second);
  Require(between.size() <= text.size());
  Require(NormalizeHeaderNames(text).size() <= text.size());
  const std::string replaced = ReplaceText(text, first, second, size % 2 == 0);
  const int found = FindTextNoCase(text, first);
  Require(found == -1 || (found >= 1 && static_cast<std::size_t>(found) <= text.size()));
  Require(Trim(text).size() <= text.size());

  std::string cookies(text);
  const std::string merged = MergeCookies(cookies, first);
  Require(cookies == merged);
  for (const std::string& item : SplitText(merged, "; ")) Require(!EndsWithText(item, "=deleted"));
  std::string again(merged);
  MergeCookies(again, merged);
  return 0;
}
