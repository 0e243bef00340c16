#include "text/code_page_936.hpp"

#include <gtest/gtest.h>

#include <string>

namespace {

using lanqi::cp936::CharacterLength;
using lanqi::cp936::CutAtCharacterBoundary;
using lanqi::cp936::FoldFullWidth;

std::string Repeat(const std::string& text, int times) {
  std::string repeated;
  for (int i = 0; i < times; ++i) repeated += text;
  return repeated;
}

TEST(CodePage936, CharacterLengthFollowsTheLeadByte) {
  struct Case {
    const char* name;
    std::string text;
    std::size_t index, length;
  };
  const Case cases[] = {
      {"ASCII", "a", 0, 1},
      // clang-format off
      {"0x80 stands alone", "\x80" "A", 0, 1},
      {"0xFF stands alone", "\xFF" "A", 0, 1},
      // clang-format on
      {"lowest lead byte", "\x81\x40", 0, 2},
      {"highest lead byte", "\xFE\xFE", 0, 2},
      {"Chinese character", "钟", 0, 2},
      {"lead byte at the end", "a\x81", 1, 1},
      {"four-byte GB18030", "\x81\x30\x81\x30", 0, 4},
      {"digit after a lead byte, text too short for four", "\x81\x30\x81", 0, 2},
  };
  for (const Case& c : cases) EXPECT_EQ(CharacterLength(c.text, c.index), c.length) << c.name;
}

TEST(CodePage936, FullWidthFormsFoldToAscii) {
  EXPECT_EQ(FoldFullWidth("\xA3\xB1\xA3\xB2"), "12");        // full-width 1 2
  EXPECT_EQ(FoldFullWidth("\xA1\xA1x"), " x");               // full-width space
  EXPECT_EQ(FoldFullWidth("钟\xA3\xAD"), "钟-");             // other characters stay
  EXPECT_EQ(FoldFullWidth("\xB0\xA3\xB1"), "\xB0\xA3\xB1");  // A3 as a trail byte
  EXPECT_EQ(FoldFullWidth("5\xA3"), "5\xA3");                // lead byte at the end
}

// Balloon fields hold 63 and 255 bytes; a cut must never leave half a Chinese character behind.
TEST(TextCut936, CutsOnlyBetweenWholeCharacters) {
  struct Case {
    const char* name;
    std::string text;
    std::size_t maxBytes;
    std::string expected;
  };
  const Case cases[] = {
      {"fits whole", "岚栖钟卫", 8, "岚栖钟卫"},
      {"room to spare", "岚栖钟卫", 63, "岚栖钟卫"},
      {"odd limit drops the split character", "岚栖钟卫", 7, "岚栖钟"},
      {"even limit inside text", "岚栖钟卫", 4, "岚栖"},
      {"one byte takes no Chinese character", "钟卫", 1, ""},
      {"zero bytes", "钟卫", 0, ""},
      {"ASCII cut anywhere", "abcdef", 4, "abcd"},
      {"mixed ASCII then Chinese", "a钟卫", 2, "a"},
      {"mixed Chinese then ASCII", "钟a卫", 3, "钟a"},
      {"empty text", "", 10, ""},
      {"lone lead byte at the end counts as one", std::string("ab\x81"), 3, std::string("ab\x81")},
      {"four-byte GB18030 character kept whole", std::string("a\x81\x30\x81\x30"), 5,
       std::string("a\x81\x30\x81\x30")},
      {"four-byte GB18030 character not split", std::string("a\x81\x30\x81\x30"), 4, "a"},
      {"long balloon text: one ASCII byte and 127 characters", "x" + Repeat("钟", 200), 255,
       "x" + Repeat("钟", 127)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(std::string(CutAtCharacterBoundary(c.text, c.maxBytes)), c.expected);
  }
}

}  // namespace
// Every plain literal of the program must be code page 936 bytes, whatever the source encoding.
TEST(TextEncoding, PlainLiteralsAreCodePage936) {
  const std::string selfName = "钟卫";
  EXPECT_EQ(selfName, std::string("\xD6\xD3\xCE\xC0"));
  EXPECT_EQ(std::string("岚栖钟卫").size(), 8u);
  EXPECT_EQ(std::string("时差.ini"), std::string("\xCA\xB1\xB2\xEE.ini"));
}
