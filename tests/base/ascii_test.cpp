#include "base/ascii.h"

#include <gtest/gtest.h>

#include <string>

namespace quillmark::ascii {
namespace {

// Every byte: only A-Z and a-z change case, each onto its partner; bytes above 127 (negative
// as a signed char) and the neighbours of the letter ranges stay.
TEST(Ascii, OnlyTheTwentySixLettersFold) {
  for (int b = 0; b < 256; ++b) {
    const auto c = static_cast<char>(b);
    const bool upper = b >= 'A' && b <= 'Z';
    const bool lower = b >= 'a' && b <= 'z';
    EXPECT_EQ(ToLower(c), upper ? static_cast<char>(b + 32) : c) << b;
    EXPECT_EQ(ToUpper(c), lower ? static_cast<char>(b - 32) : c) << b;
  }
  EXPECT_TRUE(EqualNoCase("Content-Length", "content-LENGTH"));
  EXPECT_FALSE(EqualNoCase("\xC4", "\xE4"));
}

TEST(Ascii, HexDigitsReadBothCasesAndWriteUpperCase) {
  for (int b = 0; b < 256; ++b) {
    const auto c = static_cast<char>(b);
    int expected = -1;
    if (b >= '0' && b <= '9') expected = b - '0';
    if (b >= 'a' && b <= 'f') expected = b - 'a' + 10;
    if (b >= 'A' && b <= 'F') expected = b - 'A' + 10;
    EXPECT_EQ(HexValue(c), expected) << b;
  }
  EXPECT_EQ(std::string() + HexDigit(0xAB >> 4) + HexDigit(0xAB), "AB");
}

TEST(Ascii, TrimDropsCodesUpToTheBlankAtBothEnds) {
  EXPECT_EQ(Trim(std::string_view("\0\t\r\n  a \x01 b \x1F\x20", 14)), "a \x01 b");
  EXPECT_EQ(Trim("\x7F x \xA0"), "\x7F x \xA0");
  EXPECT_EQ(Trim(" \t "), "");
  EXPECT_EQ(Trim(""), "");
}

}  // namespace
}  // namespace quillmark::ascii
