#include <gtest/gtest.h>

#include <string>

// Every plain literal of the program must be code page 936 bytes, whatever the source encoding.
TEST(TextEncoding, PlainLiteralsAreCodePage936) {
  const std::string selfName = "钟卫";
  EXPECT_EQ(selfName, std::string("\xD6\xD3\xCE\xC0"));
  EXPECT_EQ(std::string("岚栖钟卫").size(), 8u);
  EXPECT_EQ(std::string("时差.ini"), std::string("\xCA\xB1\xB2\xEE.ini"));
}
