#include "http/text.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "http/headers.hpp"

namespace lanqi {
namespace {

using Pieces = std::vector<std::string>;

// "啊" is B0 A1 and "　" (full-width space) A1 A1: a trail byte of A1 followed by a lead byte of A1
// looks like a full-width space to a search that does not respect character boundaries.
const std::string kAh = "\xB0\xA1";
const std::string kWideSpace = "\xA1\xA1";

TEST(TextSearch, PositionsAreOneBasedAndRespectCharacters) {
  struct Case {
    std::string text, needle;
    int start;
    bool noCase;
    int expected;
  };
  const std::vector<Case> cases = {
      {"abcabc", "c", 1, false, 3},
      {"abcabc", "c", 4, false, 6},
      {"abcabc", "c", 7, false, -1},
      {"abcabc", "a", -3, false, 1},
      {"abc", "", 1, false, 1},
      {"", "", 1, false, -1},
      {"", "a", 1, false, -1},
      {"Set-Cookie: a", "set-cookie:", 1, true, 1},
      {"Set-Cookie: a", "set-cookie:", 1, false, -1},
      // Only ASCII letters fold: the lead byte C4 is not 'd' and E4 is not 'D'.
      {"\xC4\xE4", "\xE4\xC4", 1, true, -1},
      // The A1 A1 across the boundary of "啊" and the next character is not a full-width space.
      {kAh + "\xA1\xB0" + kWideSpace, kWideSpace, 1, false, 5},
      {kAh + "x", "\xA1x", 1, false, -1},
      {"x" + kAh, kAh, 1, false, 2},
      // A four-byte GB18030 character is one character: no match starts inside it, even when the
      // search is asked to start there. (Which bytes lead a character is CharacterLength's table.)
      {"\x81\x30\x81\x30", "\x81\x30", 2, false, -1},
  };
  for (const Case& c : cases) {
    const int found =
        c.noCase ? FindTextNoCase(c.text, c.needle, c.start) : FindText(c.text, c.needle, c.start);
    EXPECT_EQ(found, c.expected) << "needle '" << c.needle << "' in '" << c.text << "' from "
                                 << c.start;
  }
}

TEST(TextTrim, RemovesSpacesAndFullWidthSpacesOnly) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"  a b  ", "a b"},
      {kWideSpace + " a" + kWideSpace, "a"},
      {"\ta\r\n", "\ta\r\n"},
      {"   ", ""},
      {"", ""},
      // The last two bytes A1 A1 are the tail of "啊" and a lone lead byte, not a blank.
      {kAh + "\xA1", kAh + "\xA1"},
      {"x" + kAh + kWideSpace, "x" + kAh},
  };
  for (const auto& [text, expected] : cases) EXPECT_EQ(Trim(text), expected) << text;
}

TEST(TextSplit, KeepsInnerEmptyPiecesAndDropsOnlyAnEmptyLastOne) {
  const std::vector<std::tuple<std::string, std::string, Pieces>> cases = {
      {"a; b; c", "; ", {"a", "b", "c"}},
      {"a; ; b", "; ", {"a", "", "b"}},
      {"a; b; ", "; ", {"a", "b"}},
      {"; a", "; ", {"", "a"}},
      {"", "; ", {}},
      {"abc", "", {"abc"}},
      {"\r\n\r\na\r\n", "\r\n", {"", "", "a"}},
      // A separator byte that is the trail of a double-byte character does not split it.
      {kAh + "|x", "\xA1", {kAh + "|x"}},
  };
  for (const auto& [text, separator, expected] : cases) {
    EXPECT_EQ(SplitText(text, separator), expected) << text;
  }
}

TEST(TextReplace, EveryOccurrenceLeftToRightWithoutOverlap) {
  EXPECT_EQ(ReplaceText("aaaa", "aa", "b"), "bb");
  EXPECT_EQ(ReplaceText("aaa", "aa", "b"), "ba");
  EXPECT_EQ(ReplaceText("Cookie: a; cookie:b", "cookie:", "", true), " a; b");
  EXPECT_EQ(ReplaceText("Cookie: a; cookie:b", "cookie:", ""), "Cookie: a; b");
  EXPECT_EQ(ReplaceText("abc", "", "x"), "abc");
  EXPECT_EQ(ReplaceText("ab", "ab", "abab"), "abab");
}

TEST(TextParts, ClippedToTheTextAndEmptyForNoCount) {
  EXPECT_EQ(LeftText("abc", 2), "ab");
  EXPECT_EQ(LeftText("abc", 10), "abc");
  EXPECT_EQ(LeftText("abc", 0), "");
  EXPECT_EQ(LeftText("abc", -1), "");
  EXPECT_EQ(RightText("abc", 2), "bc");
  EXPECT_EQ(RightText("abc", 99), "abc");
  EXPECT_EQ(RightText("abc", -2), "");
  EXPECT_EQ(MiddleText("abcdef", 2, 3), "bcd");
  EXPECT_EQ(MiddleText("abcdef", 5, 10), "ef");
  EXPECT_EQ(MiddleText("abcdef", 7, 1), "");
  EXPECT_EQ(MiddleText("abcdef", 0, 2), "a");
  EXPECT_EQ(MiddleText("abcdef", 2, 0), "");
  EXPECT_EQ(MiddleText("abc", 1, 0x7FFFFFFFFFFFFFFFLL), "abc");
  EXPECT_EQ(MiddleText("abc", -0x7FFFFFFFFFFFFFFFLL, 0x7FFFFFFFFFFFFFFFLL), "");
}

TEST(HeaderLine, NameAndValueSplitAtTheFirstColon) {
  const std::vector<std::tuple<std::string, std::string, std::string>> cases = {
      {"Referer: http://host:8080/a?b=c:d", "Referer", "http://host:8080/a?b=c:d"},
      {"  X-A :  v  ", "X-A", "v"},
      {"no colon here", "", ""},
      {":", "", ""},
      {"", "", ""},
  };
  for (const auto& [line, name, value] : cases) {
    EXPECT_EQ(HeaderName(line), name) << line;
    EXPECT_EQ(HeaderValue(line), value) << line;
  }
}

TEST(HeaderLine, TextBeforeIsUntrimmedAndEmptyWithoutTheSeparator) {
  EXPECT_EQ(TextBefore("Set-Cookie: a=1", ": "), "Set-Cookie");
  EXPECT_EQ(TextBefore("Set-Cookie:a=1", ": "), "");
  EXPECT_EQ(TextBefore(" X : y", ": "), " X ");
}

TEST(HeaderLine, TextBetweenCutsTheDateValueWithItsLeadingSpace) {
  const std::string block =
      "HTTP/1.1 200 OK\r\nDate: Sun, 11 Feb 2024 02:05:03 GMT\r\nServer: x\r\n\r\n";
  EXPECT_EQ(TextBetween(block, "Date:", "\r\n"), " Sun, 11 Feb 2024 02:05:03 GMT");
  EXPECT_EQ(TextBetween("Server: x\r\n", "Date:", "\r\n"), "");
  EXPECT_EQ(TextBetween("Date: x", "Date:", "\r\n"), "");
  // The right marker is searched after the left one, not before it.
  EXPECT_EQ(TextBetween(";a=1;b", "a=", ";"), "1");
  EXPECT_EQ(TextBetween("x=\"quoted\" rest", "x=#引号", "#引号"), "quoted");
  EXPECT_EQ(TextBetween("abc", "", "c"), "ab");
}

TEST(HeaderText, NormalizeCapitalisesNamePartsAndDropsLinesWithoutColon) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"accept-language: zh-cn", "Accept-Language: zh-cn"},
      {"\r\naccept: */*\r\nx-my-header: value-stays\r\n\r\nno colon\r\n",
       "Accept: */*\r\nX-My-Header: value-stays"},
      {"", ""},
      {" accept: x", " accept: x"},
      {"a--b: 1", "A--B: 1"},
      {"x-: 1", "X-: 1"},
      {"referer: http://a:1/b-c", "Referer: http://a:1/b-c"},
  };
  for (const auto& [input, expected] : cases) EXPECT_EQ(NormalizeHeaderNames(input), expected);
}

TEST(HeaderText, CapitalizeFirstTouchesOnlyAnAsciiLowerCaseFirstByte) {
  EXPECT_EQ(CapitalizeFirst("abc"), "Abc");
  EXPECT_EQ(CapitalizeFirst("ABC"), "ABC");
  EXPECT_EQ(CapitalizeFirst(""), "");
  EXPECT_EQ(CapitalizeFirst(kAh), kAh);
}

TEST(Base64, PaddingFollowsTheLastGroup) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"", ""},        {"f", "Zg=="},        {"fo", "Zm8="},
      {"foo", "Zm9v"}, {"foob", "Zm9vYg=="}, {"user:pass", "dXNlcjpwYXNz"},
  };
  for (const auto& [bytes, expected] : cases) EXPECT_EQ(Base64Encode(bytes), expected);
  EXPECT_EQ(Base64Encode(std::string("\x00\x00\x00", 3)), "AAAA");
  EXPECT_EQ(Base64Encode(std::string("\xFF\xFE\x00", 3)), "//4A");
}

TEST(Cookies, CookieNameIsTheTrimmedTextBeforeTheFirstEquals) {
  EXPECT_EQ(CookieName(" a = 1=2"), "a");
  EXPECT_EQ(CookieName(" flag "), "flag");
  EXPECT_EQ(CookieName("=v"), "");
}

TEST(Cookies, MergeKeepsNewValuesDropsDeletedAndCollapsesRepeats) {
  struct Case {
    std::string oldCookies, newCookies, expected;
  };
  const std::vector<Case> cases = {
      {"a=0; c=3", "a=1", "a=1; c=3"},   {"a=1; b=2", "b=deleted", "a=1"},
      {"", "a=1; a=1", "a=1"},           {"", "", ""},
      {"a=1; a=2", "", "a=1"},           {"  a=1;", "b=2;", "b=2; a=1"},
      {"a=1", "a=2; a=3", "a=2; a=3"},   {"x=deleted", "", ""},
      {"a=1; b=2; a=1", "", "a=1; b=2"}, {"Cookie: a=1", "", "Cookie: a=1"},
  };
  for (const Case& c : cases) {
    std::string oldCookies = c.oldCookies;
    EXPECT_EQ(MergeCookies(oldCookies, c.newCookies), c.expected)
        << c.oldCookies << " + " << c.newCookies;
    EXPECT_EQ(oldCookies, c.expected);
  }
}

TEST(Cookies, MergeIntoItselfIsSafe) {
  std::string cookies = "a=1; b=deleted; a=1";
  EXPECT_EQ(MergeCookies(cookies, cookies), "a=1");
  EXPECT_EQ(cookies, "a=1");
}

TEST(Cookies, RemoveDuplicateItemsKeepsFirstOfEachAndOneEmptyItem) {
  EXPECT_EQ(RemoveDuplicateItems("a; b; a; c; b", "; "), "a; b; c");
  EXPECT_EQ(RemoveDuplicateItems("a; ; b; ; c", "; "), "a; ; b; c");
  EXPECT_EQ(RemoveDuplicateItems("A; a", "; "), "A; a");
  EXPECT_EQ(RemoveDuplicateItems("", "; "), "");
}

}  // namespace
}  // namespace lanqi
